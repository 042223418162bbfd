#include "manager/app/ServiceOptions.h"

namespace brivak::manager::app {

ManagerServiceOptions MakeServiceOptions(const ManagerCommandLine& commandLine, const ManagerLogin& login,
                                         const platform::SystemInfo& system, const std::string& programDir) {
  ManagerServiceOptions options;
  options.credentials = {login.aUsername(), login.aPassword()};
  options.theLocalIP = commandLine.localIP.value_or(system.LocalIPv4());
  options.computerName = system.HostName();
  options.programDir = programDir;
  if (commandLine.eventPort) options.eventPort = *commandLine.eventPort;
  options.discoverOnStart = !commandLine.noInitialDiscovery;
  return options;
}

}  // namespace brivak::manager::app
