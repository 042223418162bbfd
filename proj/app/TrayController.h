// The locker's controller while no lock screen is shown: the start-up after the single-instance
// check, the lock launch, the return to the tray and the messages from other processes. It is the
// logic of the tray form; the desktop shell (tray icon, console window, lock screen) plugs into it.
// Runs on the program's one main thread (the EventLoop's); other threads only Post to the loop.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/UserList.h"
#include "platform/Clock.h"
#include "platform/Instance.h"
#include "platform/Paths.h"
#include "platform/RegistryStore.h"
#include "platform/SystemInfo.h"
#include "proj/app/EventLoop.h"
#include "proj/core/BrivakSettings.h"
#include "proj/core/CommandLine.h"
#include "proj/core/Diagnostics.h"

namespace brivak::app {

// What the controller uses of the system. The references must outlive the controller.
struct TrayPorts {
  const platform::Paths& paths;
  const platform::SystemInfo& system;
  const platform::Clock& clock;
  platform::RegistryStore& registry;
  core::Diagnostics& diagnostics;
  EventLoop& loop;
};

// Program-wide values set during start-up and read by the rest of the program.
struct ProgramValues {
  std::string appPath;   // program folder, ending in "/"
  std::string appData;   // "<data root>/Brivak 3.0/"
  std::string SysDir;
  std::string theLocalIP;
  std::string theLocalHost;
  std::string theLocalMAC;
  std::string WinUsername;
  std::string WorkGroup;
  std::string fullVersionString;
  std::string startMethod = "Default";
  bool secure = false;
  bool INI_MODE = false;
  bool firstRun = false;
};

// The Windows program's timer intervals, kept so that the timing users see stays the same.
inline constexpr std::chrono::milliseconds kLockLaunchDelay{10};   // Timer1
inline constexpr std::chrono::milliseconds kBackToTrayDelay{500};  // Timer2

// "<data root>/Brivak 3.0/".
std::string AppDataFolder(const platform::Paths& paths);

class TrayController {
 public:
  explicit TrayController(TrayPorts ports);

  // The start-up after the single-instance check, up to the choice between locking at once and
  // waiting in the tray. Throws std::runtime_error when the data folder cannot be had.
  void FormCreate(const std::vector<std::string>& args);

  // A message from another process of the locker; runs on the main thread.
  void OnInstanceMessage(const platform::InstanceMessage& message);
  // The end of the desktop session (or a termination signal): close as the session's end does.
  void OnEndSession();

  // Starts the lock launch (Timer1) for the given start method.
  void StartLockLaunch(const std::string& startMethod);

  const ProgramValues& Values() const { return values_; }
  const core::StartOptions& Options() const { return options_; }
  core::TBrivakSettings& Settings() { return *settings_; }
  UserList& Users() { return *userList_; }
  bool CurrentlyLocked() const { return CurrentlyLocked_; }
  bool LockScreenExists() const { return false; }  // the lock screen is not part of this build yet
  std::int64_t LockedWhen() const { return lockedWhen_; }

 private:
  void Timer1Timer();
  void Timer2Timer();
  void FormClose();
  void SetDirectories();

  TrayPorts ports_;
  ProgramValues values_;
  core::StartOptions options_;
  std::unique_ptr<UserList> userList_;
  std::unique_ptr<core::TBrivakSettings> settings_;
  bool canCloseBrivak_ = false;
  bool CurrentlyLocked_ = false;
  bool closed_ = false;
  std::int64_t lockedWhen_ = 0;
};

}  // namespace brivak::app
