// The manager without a window: logs in (file or terminal), runs ManagerService with its refresh
// timer, event listener and web server as the settings say, writes every log-panel line to stdout,
// takes commands from stdin (see ManagerHelpText) and ends cleanly on SIGTERM or SIGINT.
//
// Observers and stdin commands all run on the calling thread's loop; the network runs on the
// service's io thread. Installs handlers for SIGINT and SIGTERM for the run's duration.
#pragma once

#include <iosfwd>

#include "manager/app/HeadlessOptions.h"

namespace brivak::manager::app {

// Exit code: 0 after a clean end, 1 when the login is refused or the service cannot start.
int RunHeadless(const ManagerCommandLine& commandLine, std::ostream& out, std::ostream& err);

}  // namespace brivak::manager::app
