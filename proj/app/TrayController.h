// The locker's controller while no lock screen is shown: the start-up after the single-instance
// check, the lock launch, the return to the tray and the messages from other processes. It is the
// logic of the tray form; the desktop shell (tray icon, console window, lock screen) plugs into it.
//
// Threads: runs on the program's one main thread (the MainLoop's). Network threads use only the
// methods marked thread-safe, which read atomics or copies taken under the settings lock and hand
// every change to the main loop.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "common/UserList.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/HotkeyRegistrar.h"
#include "platform/IdleSource.h"
#include "platform/Instance.h"
#include "platform/MediaWatch.h"
#include "platform/LockWatchdog.h"
#include "platform/MonitorPower.h"
#include "platform/NetworkSwitch.h"
#include "platform/Paths.h"
#include "platform/PowerActions.h"
#include "platform/PowerEvents.h"
#include "platform/Processes.h"
#include "platform/RegistryStore.h"
#include "platform/SystemInfo.h"
#include "proj/app/LockStateFile.h"
#include "proj/app/MainLoop.h"
#include "proj/app/MainTimer.h"
#include "proj/app/RemoteControl.h"
#include "proj/app/ScreenSaverControl.h"
#include "proj/app/StartupRegistration.h"
#include "proj/app/UsbTriggers.h"
#include "proj/core/BrivakSettings.h"
#include "proj/core/CommandLine.h"
#include "proj/core/CommandQueue.h"
#include "proj/core/DetectIdle.h"
#include "proj/core/Diagnostics.h"
#include "proj/core/LaterSteps.h"
#include "proj/core/LockSession.h"
#include "proj/core/LockShell.h"
#include "proj/core/RemoteCommandHandler.h"
#include "proj/core/RemoteEvents.h"

namespace brivak::app {

class TrayController;

// Creates the lock screen window of one lock (main thread). The window is shown by the session's
// Startup (LockShell::ShowLockScreen) and destroyed by the controller after the lock ends. The
// controller outlives every window; the window may keep the reference for the settings, the user
// list, the diagnostics and the program values it needs.
class LockScreenFactory {
 public:
  virtual ~LockScreenFactory() = default;
  virtual std::unique_ptr<core::LockShell> Create(TrayController& controller) = 0;
};

// What the controller uses of the system. The references must outlive the controller.
struct TrayPorts {
  const platform::Paths& paths;
  const platform::SystemInfo& system;
  const platform::Clock& clock;
  platform::RegistryStore& registry;
  platform::Processes& processes;
  core::Diagnostics& diagnostics;
  MainLoop& loop;
  RemotePorts remotePorts;
  LockScreenFactory& lockScreens;
  platform::HotkeyRegistrar& hotkeys;  // the lock hotkey (id 0) and, with -showdebug, Alt+Esc (id 1)
  platform::FileSystem& files;         // settings, user list, layout copies
  // The session's idle time (idle lock, /query); null: the system cannot tell, idle reads 0.
  const platform::IdleSource* idle = nullptr;
  // Volumes mounted and unmounted (the removable-media watcher `FUsb`); null: none are watched.
  platform::MediaWatch* media = nullptr;
  // Suspend, resume, battery and power source (the computer-information component `compinfo`);
  // null: none are reported.
  platform::PowerEvents* power = nullptr;
  // Keeps a lock closed when this program dies while locked; null: none (a crash shows the desktop).
  platform::LockWatchdog* watchdog = nullptr;
  // The saver windows above the lock screen; null: no screen savers.
  SaverDisplay* savers = nullptr;
  // Standby and hibernation (logind); null: none in this build (the requests say so).
  platform::PowerActions* powerActions = nullptr;
  // The network suspension's switch (NetworkManager); null: `suspendNetwork` does nothing.
  platform::NetworkSwitch* network = nullptr;
  // The monitors' power (DPMS); null: "Monitor Off" says it cannot.
  platform::MonitorPower* monitorPower = nullptr;
};

// Program-wide values set during start-up and read by the rest of the program. Set on the main
// thread before the servers start; read-only afterwards.
struct ProgramValues {
  std::string appPath;   // program folder, ending in "/"
  std::string appData;   // "<data root>/Brivak 3.0/"
  std::string SysDir;
  std::string updateScriptFile;
  std::string theLocalIP;
  std::string theLocalHost;
  std::string theLocalMAC;
  std::string WinUsername;
  std::string WorkGroup;
  std::string fullVersionString;
  bool INI_MODE = false;
  bool firstRun = false;
};

// The Windows program's timer intervals, kept so that the timing users see stays the same.
inline constexpr std::chrono::milliseconds kLockLaunchDelay{10};   // Timer1
inline constexpr std::chrono::milliseconds kBackToTrayDelay{500};  // Timer2
inline constexpr std::chrono::milliseconds kSelfTestTimeout{800};
inline constexpr std::chrono::milliseconds kNextCommandInterval{100};  // NextCommandTimer

// Console texts of the lock's watchdog.
inline constexpr const char* kNoWatchdogLine = "No watchdog: a crash while locked would show the desktop.";
inline constexpr const char* kLockedAgainLine = "Brivak was stopped while locked: locking again.";
inline constexpr const char* kInputFromWatchdogLine = "Keyboard and mouse taken over from the watchdog.";
inline constexpr const char* kHandOverLine =
    "Stop request while locked: the watchdog keeps the screens covered until the next start locks.";
// The record of a network suspension in the data folder, while it lasts.
inline constexpr const char* kNetworkStateFileName = "network.state";
// The start method of a lock taken up again after the program ended while locked.
inline constexpr const char* kLockedAgainMethod = "Locked again after a stop while locked";

// "<data root>/Brivak 3.0/".
std::string AppDataFolder(const platform::Paths& paths);

class TrayController {
 public:
  explicit TrayController(TrayPorts ports);
  ~TrayController();

  // The start-up after the single-instance check, up to the choice between locking at once and
  // waiting in the tray. Throws std::runtime_error when the data folder cannot be had.
  void FormCreate(const std::vector<std::string>& args);

  // A message from another process of the locker; main thread.
  void OnInstanceMessage(const platform::InstanceMessage& message);
  // The end of the desktop session (or a termination signal): close as the session's end does.
  void OnEndSession();
  // Starts the lock launch (Timer1) with the given start method; main thread. While a lock screen
  // exists the launch only brings it to the front.
  void StartLockLaunch(const std::string& startMethod);

  // The tray menu and the desktop shell; main thread.
  // "Launch Brivak" (menu item, double-click): a lock launch with startMethod "System Tray".
  void LaunchFromTray();
  // `SystemStandby` / `SystemHibernate`: the machine is locked first, so that it wakes locked (a
  // lock launch when none exists; a lock unlocked in place locks again), and once every monitor is
  // covered the power service is asked. The event log says "System going into Stand By" (or
  // "System going into Hibernate") before the request and the failure after a refusal. `done` gets
  // the outcome once, on the main thread.
  void SystemStandby(platform::PowerActions::Done done) { SystemSleep(false, std::move(done)); }
  void SystemHibernate(platform::PowerActions::Done done) { SystemSleep(true, std::move(done)); }
  // How long a power request waits for the lock to cover the monitors.
  static constexpr std::chrono::milliseconds kCoverWait{5000};
  // "Exit Brivak": ends a running lock, then the program. The shell asks for the password first
  // when RequirePasswordToExit says so.
  void ExitBrivak();
  // "Turn on Security": secure mode from now on (console "Secure mode on").
  void TurnOnSecurity();
  bool Secure() const { return secure_; }
  // `SetHotKey`: registers the lock hotkey from the settings (and Alt+Esc with -showdebug); called
  // at start-up and after the options change. An index outside A-Z registers nothing.
  void SetHotKey();
  // The hotkey as text ("Ctrl + Alt + S") for the balloon "Double click or press " + text + " to lock.".
  std::string HotKeyText() const;
  // The tray balloon's text after a lock ended.
  std::string BalloonText() const { return "Double click or press " + HotKeyText() + " to lock."; }
  // The running lock, or null (main thread). Valid until the lock ends; do not keep it.
  core::LockSession* Session() { return session_.get(); }
  core::LockShell* LockScreen() { return shell_.get(); }
  // Called after the return to the tray (Timer2), e.g. to show the balloon; main thread.
  void SetBackToTrayHandler(std::function<void()> handler) { backToTray_ = std::move(handler); }
  // The tray balloon of the idle warning: shown (title, text, seconds) and withdrawn; main thread.
  // Without handlers the balloon goes to the console.
  void SetBalloonHandlers(std::function<void(const std::string&, const std::string&, int)> show,
                          std::function<void()> hide) {
    showBalloon_ = std::move(show);
    hideBalloon_ = std::move(hide);
  }
  // The idle detector `di2`: the session's idle time for the idle lock and /query, and the
  // program's own idle time, which the desktop shell feeds (thread-safe).
  core::TmcDetectIdle& IdleDetector() { return di2_; }
  const MainTimer& IdleSupervision() const { return mainTimer_; }
  // The lock screen's screen savers (search, menu, start-up and idle saver); null without a
  // saver display. Main thread.
  ScreenSaverControl* ScreenSavers() { return savers_.get(); }
  // The removable volumes mounted now, also those mounted before the start (main thread).
  std::vector<std::string> RemovableVolumes() const {
    return FUsb_ ? FUsb_->RemovableVolumes() : std::vector<std::string>{};
  }

  // Thread-safe: shows the tray balloon (or the console line without a handler) on the main loop.
  void ShowBalloon(const std::string& title, const std::string& text, int seconds);

  // Thread-safe requests from the network side.
  void RequestLockLaunch();
  void RequestLayoutFile(const std::string& path);
  bool RequestCommand(core::LockCommand command);
  core::RemoteSettingsSnapshot RemoteSnapshot() const;
  core::EventReportSettings EventSettings() const;
  bool CurrentlyLocked() const { return currentlyLocked_.load(); }
  bool LockScreenExists() const { return lockScreenExists_.load(); }
  bool ShuttingDown() const { return shuttingdown_.load(); }
  std::int64_t LockedWhen() const { return lockedWhen_.load(); }

  // Set during start-up; read-only afterwards (any thread).
  const ProgramValues& Values() const { return values_; }
  const core::StartOptions& Options() const { return options_; }
  core::Diagnostics& Log() { return ports_.diagnostics; }
  const platform::Clock& Clock() const { return ports_.clock; }
  const platform::SystemInfo& System() const { return ports_.system; }
  MainLoop& Loop() { return ports_.loop; }
  const UserList& Users() const { return *userList_; }
  // Main thread only. Reads need no lock on the main thread; writes that network threads may
  // see go through StorePasswordHash or the controller's own methods, which hold the lock.
  core::TBrivakSettings& Settings() { return *settings_; }
  // The program's user-list accessor, for the account dialogs (the file is the shared state).
  UserList& EditableUsers() { return *userList_; }
  // Sets the master password hash and saves the settings to one form (INI or registry), under
  // the lock the network threads read the settings with. Throws std::runtime_error when the form
  // cannot be written; the old hash is then kept. Main thread.
  void StorePasswordHash(const std::string& hash, bool iniForm);
  // Sends a security event to the master station with the current report settings. Main thread.
  void SecurityEvent(const std::string& text);
  // The event sender of the servers; exists from the servers' start in FormCreate on.
  core::EventReporter& Reporter() { return remote_->Events(); }
  bool ExitOnClick() const { return ExitOnClick_; }
  // `WriteStartupData` with the current StartupMode (the end of a lock outside INI mode). Throws
  // std::exception when the entries cannot be written. Main thread.
  void WriteStartupData();
  // Applies the options dialog's edited settings to the live ones (all but the master password,
  // which its own dialog stores) and saves them to the store in use, then registers the hotkey
  // again. Returns the error text when they could not be saved; the settings are then unchanged.
  std::string ApplyOptions(const core::TBrivakSettings& edited);
  // The remote commands served this run, oldest first (the last 100).
  std::vector<std::string> RecentCommands() const;
  // The command server's port once started (0 before).
  std::uint16_t HttpPort() const { return remote_ ? remote_->HttpPort() : 0; }

 private:
  void SetDirectories();
  void StartServers();
  void Timer1Timer();
  void Timer2Timer();
  void IdleLockNow();
  void CreateUsbWatcher();
  void compinfoPowerBroadcast(platform::PowerEvent event);
  void ArmQuitTimer();
  void QuitTimerTimer();
  void DrainCommands();
  void ShutDown();
  void CloseMainForm();
  void SaveSettings();
  void FormClose();
  void DestroyLock();
  void SystemSleep(bool hibernate, platform::PowerActions::Done done);
  void SleepWhenCovered(bool hibernate, platform::PowerActions::Done done, std::int64_t deadlineMs);
  // Commands no lock will run any more: the remote notes among them go to the balloon.
  void DropPending(std::vector<core::LockCommand> pending);
  class SessionHost;

  TrayPorts ports_;
  core::TmcDetectIdle di2_;
  MainTimer mainTimer_;
  std::function<void(const std::string&, const std::string&, int)> showBalloon_;
  std::function<void()> hideBalloon_;
  ProgramValues values_;
  core::StartOptions options_;
  std::string startMethod_ = "Default";
  bool secure_ = false;
  std::unique_ptr<UserList> userList_;
  mutable std::mutex settingsMutex_;  // guards *settings_ against the network threads' copies
  std::unique_ptr<core::TBrivakSettings> settings_;
  std::unique_ptr<RemoteControl> remote_;
  std::unique_ptr<StartupRegistration> startup_;
  std::unique_ptr<UsbTriggers> FUsb_;
  std::unique_ptr<ScreenSaverControl> savers_;
  bool bPowerSuspended_ = false;  // between a suspend and the next resume
  std::unique_ptr<LockStateFile> lockState_;
  std::unique_ptr<core::NetworkSuspension> network_;  // exists when ports_.network does
  core::CommandQueue commands_;
  bool canCloseBrivak_ = false;
  bool ExitOnClick_ = false;
  bool closed_ = false;
  bool terminateAfterLock_ = false;  // the program ends when the running lock has ended
  std::atomic<bool> currentlyLocked_{false};
  std::atomic<bool> lockScreenExists_{false};
  std::atomic<bool> shuttingdown_{false};
  std::atomic<std::int64_t> lockedWhen_{0};
  // One lock: its window, its session and what they use. Destroyed together, on the main loop,
  // after CloseMainForm returned.
  std::unique_ptr<SessionHost> sessionHost_;
  std::unique_ptr<core::LaterSteps> later_;
  std::unique_ptr<core::LockShell> shell_;
  std::unique_ptr<core::LockSession> session_;
  std::function<void()> backToTray_;
};

}  // namespace brivak::app
