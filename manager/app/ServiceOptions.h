// The controller's options of one run, from the command line, the accepted login and this computer;
// shared by the window and the headless mode.
#pragma once

#include <string>

#include "manager/app/HeadlessOptions.h"
#include "manager/app/ManagerService.h"
#include "manager/core/Login.h"
#include "platform/SystemInfo.h"

namespace brivak::manager::app {

ManagerServiceOptions MakeServiceOptions(const ManagerCommandLine& commandLine, const ManagerLogin& login,
                                         const platform::SystemInfo& system, const std::string& programDir);

}  // namespace brivak::manager::app
