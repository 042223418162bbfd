// Start-up registration on a Linux desktop: the program's location in the registry form (read by
// the manager's "Launch Brivak" and "Review program files and layouts"), and the log-on entry that
// StartupMode asks for — the XDG autostart entry, or the systemd user unit enabled through
// `systemctl --user` when a user manager runs. Main thread.
#pragma once

#include <string>

#include "common/LogSink.h"
#include "platform/Processes.h"
#include "platform/RegistryStore.h"

namespace brivak::app {

inline constexpr const char* kAppLocationSection = "Brivak 3.0\\General";
inline constexpr const char* kAppLocationKey = "sAppLocation";

// The references must outlive the object.
struct StartupRegistrationPorts {
  platform::RegistryStore& registry;
  platform::Processes& processes;  // runs systemctl --user
  LogSink& log;
  std::string programPath;  // the running program file
  std::string configRoot;   // ${XDG_CONFIG_HOME:-~/.config}
  // $XDG_RUNTIME_DIR; a user manager runs when its socket "systemd/private" exists there. Empty: none.
  std::string runtimeDir;
};

class StartupRegistration {
 public:
  explicit StartupRegistration(StartupRegistrationPorts ports);

  // sAppLocation := the program path. Throws std::runtime_error when the store cannot be written.
  void WriteAppLocation();
  // `WriteStartupData`: sAppLocation, then the entries brought in line with `startupMode`: every
  // entry of another mode removed, the one of this mode written. Debug lines "WriteStartupData: " +
  // mode and what the mode does. Throws std::runtime_error when a file or the store cannot be
  // written (the lock's end reports "Exception while writing Startup Data!").
  void WriteStartupData(int startupMode);
  // There is no browser emulation level on Linux: succeeds and says so in the debug trace.
  void RegisterIEcompatibilityLevel(int level);

  std::string AutostartFile() const;  // configRoot/autostart/brivak3.desktop
  std::string UnitFile() const;       // configRoot/systemd/user/brivak3.service
  bool UserManagerRuns() const;

 private:
  void WriteUserUnit();
  void RemoveUserUnit();
  void Systemctl(const std::string& verb);

  StartupRegistrationPorts ports_;
};

}  // namespace brivak::app
