// The manager with its window: the login dialog (or a login file, as in the headless mode), then
// TfrmManager over ManagerService, until the window closes.
#pragma once

#include "manager/app/HeadlessOptions.h"

namespace brivak::manager {

// Exit code: 0 after the window closed (or the login was cancelled), 1 when the login is refused
// or the controller cannot start. Creates the QApplication itself.
int RunWindow(const app::ManagerCommandLine& commandLine, int argc, char** argv);

}  // namespace brivak::manager
