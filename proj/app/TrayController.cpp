#include "proj/app/TrayController.h"

#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "proj/core/HotKey.h"
#include "proj/app/FirstRun.h"
#include "proj/core/PasswordPrompts.h"
#include "proj/core/LogFormat.h"
#include "proj/core/MessageFilter.h"

namespace brivak::app {

namespace fs = std::filesystem;

std::string AppDataFolder(const platform::Paths& paths) { return paths.DataRoot() + "/Brivak 3.0/"; }

// What a lock asks of the controller; main thread.
class TrayController::SessionHost final : public core::LockHost {
 public:
  explicit SessionHost(TrayController& tray) : tray_(tray) {}
  void PostCommand(core::LockCommand command) override { tray_.RequestCommand(std::move(command)); }
  void SecurityEvent(std::string_view text) override { tray_.SecurityEvent(std::string(text)); }
  void SaveSettings() override { tray_.SaveSettings(); }
  void LockEnding() override {
    if (tray_.savers_) tray_.savers_->LockEnded();
    tray_.currentlyLocked_ = false;
    tray_.shuttingdown_ = true;
  }
  void CloseMainForm() override { tray_.CloseMainForm(); }
  void TerminateApp() override { tray_.terminateAfterLock_ = true; }
  void SystemStandby() override { tray_.SystemStandby([](platform::PowerOutcome) {}); }
  void SystemHibernate() override { tray_.SystemHibernate([](platform::PowerOutcome) {}); }
  void MonitorOff() override {
    if (!tray_.ports_.monitorPower || !tray_.ports_.monitorPower->Off()) {
      tray_.ports_.diagnostics.Mem("The monitors cannot be switched off on this display.");
    }
  }
  void WriteStartupData() override { tray_.WriteStartupData(); }

 private:
  TrayController& tray_;
};

namespace {

// The idle source of a system that cannot tell: always 0, so the idle lock never fires.
class NoIdleSource final : public platform::IdleSource {
 public:
  std::uint64_t IdleMs() const override { return 0; }
};
const NoIdleSource kNoIdleSource;

}  // namespace

TrayController::TrayController(TrayPorts ports)
    : ports_(ports),
      di2_(ports.idle ? *ports.idle : kNoIdleSource, ports.clock),
      mainTimer_(ports.loop, di2_,
                 MainTimerHost{
                     .debug = [this](std::string_view text) { ports_.diagnostics.Debug(text); },
                     .settings =
                         [this] {
                           std::lock_guard lock(settingsMutex_);
                           return std::pair<bool, std::int64_t>(settings_->Security.idleLock,
                                                                settings_->Security.lockTime);
                         },
                     .currentlyLocked = [this] { return LockScreenExists(); },
                     .showBalloon =
                         [this](const std::string& title, const std::string& text, int seconds) {
                           if (showBalloon_) showBalloon_(title, text, seconds);
                           else ports_.diagnostics.Mem(title + ": " + text);
                         },
                     .hideBalloon = [this] { if (hideBalloon_) hideBalloon_(); },
                     .lockNow = [this] { IdleLockNow(); },
                 }) {
  ports_.hotkeys.SetCallback([this](int id) {
    if (id == 0) StartLockLaunch("Hotkey");  // other ids (Alt+Esc with -showdebug) are only captured
  });
}

// The servers go first: their threads post into the loop and read this object. A lock still
// running at the end of the program is dropped without its ShutDown (the program is ending).
TrayController::~TrayController() {
  savers_.reset();
  FUsb_.reset();
  remote_.reset();
  ports_.hotkeys.SetCallback({});
  ports_.hotkeys.UnregisterAll();
  if (shell_) shell_->SetEvents(nullptr);
  session_.reset();
  shell_.reset();
}

void TrayController::FormCreate(const std::vector<std::string>& args) {
  auto& log = ports_.diagnostics;
  auto& console = log.TrayConsole();

  // 1. Start options.
  console.SHOW_DEBUG = false;
  console.SAVE_DEBUG = false;
  options_ = core::CheckParameters(args, [](const std::string& path) {
    std::error_code ec;
    return fs::exists(path, ec);
  });
  console.SHOW_DEBUG = options_.SHOW_DEBUG;
  console.SAVE_DEBUG = options_.SAVE_DEBUG;
  for (const auto& line : options_.consoleLines) log.Mem(line);
  for (const auto& line : options_.debugLines) log.Debug(line);
  secure_ = options_.secure_parameter;
  ArmQuitTimer();  // "-runfor": the timed termination runs from the start
  startMethod_ = "Default";
  lockedWhen_ = 0;

  // 2, 3. This computer and this program.
  values_.theLocalIP = ports_.system.LocalIPv4();
  values_.theLocalHost = ports_.system.HostName();
  values_.theLocalMAC = ports_.system.FirstAdapterMac();
  values_.fullVersionString = BRIVAK_VERSION_STRING;

  // 4. How this start came about.
  if (options_.runoncekey) startMethod_ = "Run before explorer";
  if (options_.runkey) startMethod_ = "Run after explorer";

  // 5. Console lines.
  log.Mem("Starting Brivak 3.1 (" + values_.fullVersionString + ")");
  log.Mem("Command line parameters: " + options_.paramstring);
  log.Debug(std::string("IsAdminOld: ") + (ports_.system.IsAdminOld() ? "True" : "False"));
  log.Mem(ports_.system.IsAdmin() ? "Elevation: Admin privledges detected."
                                  : "Elevation: No admin privledges detected.");
  log.Debug(std::string("IsUserAdmin: ") + (ports_.system.IsUserAdmin() ? "TRUE" : "FALSE"));
  log.Mem(secure_ ? "Secure mode on" : "Secure mode OFF");

  // 7. Users of this session.
  currentlyLocked_ = false;
  values_.WinUsername = ports_.system.UserName();
  values_.WorkGroup = ports_.system.WorkGroup();
  CreateUsbWatcher();

  // 8.
  const auto now = ports_.clock.Local();
  log.Debug("");
  log.Debug("******* BEGIN FrmBrivak Created at " + core::FormatShortDate(now) + " " + core::FormatLongTime(now) +
            "*******");

  // 9. The start-up registration (the browser emulation level has no meaning here).
  startup_ = std::make_unique<StartupRegistration>(StartupRegistrationPorts{
      ports_.registry, ports_.processes, log, ports_.paths.ExecutablePath(), ports_.paths.ConfigRoot(),
      ports_.paths.RuntimeDir()});
  startup_->RegisterIEcompatibilityLevel(11001);

  // 10, 11, 12. Folders, user list, settings.
  SetDirectories();
  if (ports_.savers) {
    savers_ = std::make_unique<ScreenSaverControl>(ScreenSaverPorts{
        *ports_.savers, ports_.loop, log, di2_, values_.appData, values_.SysDir});
  }
  log.Mem("Creating user list...");
  userList_ = std::make_unique<UserList>(ports_.files, values_.appData + "userlist.dat");
  {
    std::lock_guard lock(settingsMutex_);
    settings_ = std::make_unique<core::TBrivakSettings>(
        core::SettingsContext{ports_.registry, ports_.files, log, values_.appPath, values_.appData,
                              values_.theLocalIP, values_.SysDir});
    const auto choice = core::ChooseSettingsStore(*settings_);
    values_.INI_MODE = choice.INI_MODE;
    values_.firstRun = choice.firstRun;
    if (!choice.importError.empty()) log.Mem("EX: " + choice.importError);
    log.EventLog().SetDoLog(settings_->Logging.DoLog);

    // First start on this account: the shipped layouts are copied into the data folder, and the
    // lock uses the shipped SLF layout until HTML layouts can be shown.
    const auto layouts = CopyShippedLayouts(values_.appPath, values_.appData);
    if (!layouts.error.empty()) log.Mem("EX: " + layouts.error);
    if (layouts.copied) {
      log.Mem("Copied the shipped layouts to " + values_.appData + "layouts");
      settings_->General.LayoutMode = 0;
      settings_->General.LayoutFile = values_.appData + kFirstRunLayout;
    }
  }

  // The manager's "Launch Brivak" starts the locker by this path: written at every start, whatever
  // the store and the start-up mode.
  try {
    startup_->WriteAppLocation();
  } catch (const std::exception& e) {
    log.Mem(std::string("EX: ") + e.what());
  }

  // 14, 15. Servers and the connectivity self-test; a failure is a dead end the user sees.
  remote_ = std::make_unique<RemoteControl>(*this, ports_.processes, ports_.remotePorts);
  const bool listening = remote_->Start();
  log.Mem("Testing connectivity...");
  if (!listening || !remote_->SelfTest()) {
    const std::string where = "127.0.0.1:" + std::to_string(remote_->HttpPort());
    log.Mem("Can not connect via HTTP to " + where + " Err # 6");
    log.Mem("Brivak requires a connection to 127.0.0.1 to function.");
    log.Mem("Please check your firewall settings. Click any area to exit.");
    ExitOnClick_ = true;
    return;
  }
  ports_.loop.ProcessPending();
  if (ports_.power) {
    ports_.power->Start([this](platform::PowerEvent event) { compinfoPowerBroadcast(event); },
                        [this](const std::string& note) { ports_.diagnostics.Mem(note); });
  }
  log.Mem("Connectivity established");
  log.Debug("Connectivity on port " + std::to_string(remote_->HttpPort()) + " is up.");
  SetHotKey();
  if (!ports_.watchdog || !ports_.watchdog->Attach()) log.Mem(kNoWatchdogLine);

  // The idle supervision runs from the start; the lock launch stops it until the lock has ended.
  mainTimer_.Enable();

  // 16. Lock at once, or wait in the tray. A lock that did not end normally is taken up again
  // whatever the command line says.
  // A network suspension that a crash left behind is undone first.
  if (ports_.network) {
    const std::string record = values_.appData + kNetworkStateFileName;
    network_ = std::make_unique<core::NetworkSuspension>(*ports_.network, log, [record](bool suspended) {
      if (suspended) {
        LockStateFile(record).SetLocked();
      } else {
        LockStateFile(record).Clear();
      }
    });
    std::error_code ec;
    if (fs::exists(record, ec)) network_->ToggleNetwork(true);
  }
  lockState_ = std::make_unique<LockStateFile>(values_.appData + kLockStateFileName);
  if (lockState_->Locked()) {
    log.Mem(kLockedAgainLine);
    log.WriteLog(kLockedAgainLine);
    startMethod_ = kLockedAgainMethod;
    canCloseBrivak_ = false;
    ports_.loop.PostAfter(kLockLaunchDelay, [this] { Timer1Timer(); });
  } else if (options_.runTray) {
    log.Debug("runtray=true, enabling timer2");
    canCloseBrivak_ = true;
    ports_.loop.PostAfter(kBackToTrayDelay, [this] { Timer2Timer(); });
  } else {
    log.Debug("runtray=false, enabling timer1");
    canCloseBrivak_ = false;
    ports_.loop.PostAfter(kLockLaunchDelay, [this] { Timer1Timer(); });
  }
}

// A power notification: the console line and the "/pe:" report of the tray controller, and, while
// a lock screen exists, its "Power Suspended" / "Power Resumed" line in the event log.
void TrayController::compinfoPowerBroadcast(platform::PowerEvent event) {
  int code = 10;  // a change of the power source, and anything else: the empty text
  switch (event) {
    case platform::PowerEvent::Suspending: code = 4; break;
    case platform::PowerEvent::Resumed: code = 7; break;
    case platform::PowerEvent::BatteryLow: code = 9; break;
    case platform::PowerEvent::PowerSourceChanged: code = 10; break;
  }
  if (remote_) remote_->Events().PowerBroadcast(code, EventSettings());
  const bool stateChanged = event == platform::PowerEvent::Suspending || event == platform::PowerEvent::Resumed;
  if (!stateChanged) return;
  bPowerSuspended_ = event == platform::PowerEvent::Suspending;
  if (!LockScreenExists()) return;
  try {
    ports_.diagnostics.WriteLog(bPowerSuspended_ ? "Power Suspended" : "Power Resumed");
  } catch (const std::exception& e) {
    ports_.diagnostics.Mem(std::string("EX: ") + e.what());
  }
}

// `FUsb` with `UsbIN` and `UsbOUT`. Its changes reach the loop only after FormCreate, when the
// settings exist.
void TrayController::CreateUsbWatcher() {
  if (!ports_.media) return;
  UsbHost host{
      .usbPrompt =
          [this] {
            std::lock_guard lock(settingsMutex_);
            return settings_->Security.USBprompt;
          },
      .logCdInsertion =
          [this] {
            std::lock_guard lock(settingsMutex_);
            return settings_->Logging.LogCDinsertion;
          },
      .currentlyLocked = [this] { return CurrentlyLocked(); },
      .lockLaunch = [this] { StartLockLaunch("USB Drive insertion"); },
      .confirm =
          [this](const std::string& text, const std::string& caption) {
            return session_ && !session_->Ended() &&
                   session_->Confirm(text, caption, core::MessageIcon::Warning);
          },
      .authorize =
          [this](const std::string& activity, int level) {
            return session_ && !session_->Ended() && session_->Authorize(activity, level);
          },
      .message =
          [this](const std::string& text) {
            if (shell_ && session_ && !session_->Ended()) {
              shell_->MessageBox(text, "Brivak", core::MessageIcon::Information);
            }
          },
      .securityEvent = [this](const std::string& text) { SecurityEvent(text); },
  };
  FUsb_ = std::make_unique<UsbTriggers>(*ports_.media, ports_.loop, ports_.diagnostics, std::move(host));
  FUsb_->Start();
}

void TrayController::SetDirectories() {
  auto& log = ports_.diagnostics;
  log.Mem("Setting directories...");
  values_.appPath = ports_.paths.ExecutableDir();
  values_.appData = AppDataFolder(ports_.paths);
  values_.SysDir = ports_.paths.SystemDir();
  values_.updateScriptFile = values_.appPath + "update.sh";
  // On a fresh account the data root itself may be missing, so the whole path is created.
  std::error_code ec;
  fs::create_directories(values_.appData + "Logs", ec);
  if (ec) log.Mem("EX: cannot create " + values_.appData + "Logs: " + ec.message());
}

void TrayController::OnInstanceMessage(const platform::InstanceMessage& message) {
  for (const auto& action : core::HandleInstanceMessage(message, LockScreenExists())) {
    switch (action.kind) {
      case core::FilterActionKind::Debug:
        ports_.diagnostics.Debug(action.text);
        break;
      case core::FilterActionKind::StartLockLaunch:
        ports_.loop.PostAfter(kLockLaunchDelay, [this] { Timer1Timer(); });
        break;
      case core::FilterActionKind::SetParamNoPrompt:
        options_.paramstring = "-noprompt";
        break;
      case core::FilterActionKind::Terminate:
        // Ends the loop without the close query, as the terminate code asks. A running lock is
        // handed over: the watchdog keeps it, and the next start (the update script's) locks again.
        if (session_ && !session_->Ended()) {
          ports_.diagnostics.Mem(kHandOverLine);
          ports_.diagnostics.WriteLog(kHandOverLine);
          if (ports_.watchdog) ports_.watchdog->HandOver();
        }
        FormClose();
        ports_.loop.Quit();
        break;
      case core::FilterActionKind::CloseForEndSession:
        OnEndSession();
        break;
      case core::FilterActionKind::GotoFront:
        if (shell_ && session_ && !session_->Ended()) shell_->BringToFront();
        break;
      case core::FilterActionKind::WarnIfLockScreenExists:
        break;  // resolved by HandleInstanceMessage
    }
  }
}

void TrayController::OnEndSession() {
  canCloseBrivak_ = true;
  ports_.diagnostics.Debug("frmBrivak.CloseQuery .. canCloseBrivak = true");
  if (session_ && !session_->Ended()) {
    terminateAfterLock_ = true;  // the lock is undone first; its CloseMainForm ends the program
    session_->ShutDown();
    return;
  }
  FormClose();
  ports_.loop.Quit();
}

void TrayController::StartLockLaunch(const std::string& startMethod) {
  startMethod_ = startMethod;
  ports_.loop.PostAfter(kLockLaunchDelay, [this] { Timer1Timer(); });
}

void TrayController::RequestLockLaunch() {
  ports_.loop.PostAfter(kLockLaunchDelay, [this] { Timer1Timer(); });
}

void TrayController::RequestLayoutFile(const std::string& path) {
  ports_.loop.Post([this, path] {
    std::lock_guard lock(settingsMutex_);
    settings_->General.LayoutFile = path;
  });
}

bool TrayController::RequestCommand(core::LockCommand command) {
  // Nothing is posted into a lock that no longer exists; "terminate" without a lock ends the program.
  if (!LockScreenExists()) {
    if (command.word != "terminate") return false;
    ports_.loop.Post([this] {
      if (LockScreenExists()) return;
      FormClose();
      ports_.loop.Quit();
    });
    return true;
  }
  if (!commands_.Post(std::move(command))) return false;
  ports_.loop.Post([this] { DrainCommands(); });
  return true;
}

core::RemoteSettingsSnapshot TrayController::RemoteSnapshot() const {
  std::lock_guard lock(settingsMutex_);
  return core::MakeRemoteSettingsSnapshot(*settings_, values_.theLocalIP);
}

core::EventReportSettings TrayController::EventSettings() const {
  std::lock_guard lock(settingsMutex_);
  return {settings_->Security.masterIP, settings_->Security.ReportSecurityEvents,
          settings_->Security.ReportPowerEvents, settings_->Logging.LogBadPasswords};
}

// The lock launch: the lock screen window and its session, the form creation and Startup. While a
// lock screen exists a launch only brings it to the front.
void TrayController::Timer1Timer() {
  auto& log = ports_.diagnostics;
  if (LockScreenExists()) {
    if (shell_ && session_ && !session_->Ended()) shell_->BringToFront();
    return;
  }
  mainTimer_.Disable();
  log.Debug("frmBrivak.timer1.onTimer");
  canCloseBrivak_ = false;
  terminateAfterLock_ = false;
  log.Mem("Launching lock screen...");
  lockedWhen_ = ports_.clock.MonotonicMs();
  lockScreenExists_ = true;
  log.TrayConsole().SetLockScreenExists(true);

  core::LockSessionValues values;
  values.startMethod = startMethod_;
  values.paramstring = options_.paramstring;
  values.WinUsername = values_.WinUsername;
  values.isAdmin = ports_.system.IsAdmin();
  values.secure = secure_;
  values.INI_MODE = values_.INI_MODE;
  values.killOnClose = options_.killOnClose;
  values.runoncekey = options_.runoncekey;
  values.noprompt = options_.noprompt || options_.paramstring == "-noprompt";
  values.appData = values_.appData;
  values.appPath = values_.appPath;

  // The state is on disk and the watchdog's covers are mapped before the lock screen exists: from
  // here on a crash leaves the screens covered.
  if (lockState_ && !lockState_->SetLocked()) log.Mem("EX: cannot write " + values_.appData + kLockStateFileName);
  if (ports_.watchdog) ports_.watchdog->LockBegins();

  later_ = std::make_unique<core::LaterSteps>(log);
  sessionHost_ = std::make_unique<SessionHost>(*this);
  shell_ = ports_.lockScreens.Create(*this);
  session_ = std::make_unique<core::LockSession>(
      core::LockSessionPorts{*shell_, *settings_, *userList_, log, ports_.clock, *later_, *sessionHost_, &ports_.system,
                             network_.get()},
      values);
  if (!session_->FormCreate()) return;  // no password, no lock: CloseMainForm has run
  currentlyLocked_ = true;
  session_->Startup();
  // Every monitor is covered now: a watchdog that held the input since a crash lets it go.
  if (session_ && !session_->Ended() && ports_.watchdog && ports_.watchdog->LockHolds()) {
    shell_->TakeInputGrabs();
    log.Mem(kInputFromWatchdogLine);
  }
  if (savers_ && !session_->Ended()) {
    log.Mem("Registering screensavers...");
    savers_->LockStarted(settings_->ScreenSavers, [this] {
      if (session_ && !session_->Ended()) session_->FocusBox();
    });
  }
  // Commands that arrived while Startup ran waited for it.
  ports_.loop.Post([this] { DrainCommands(); });
}

void TrayController::DrainCommands() {
  if (!session_ || session_->Ended()) {
    // Nothing is posted into a lock that no longer exists (or is ending).
    if (!LockScreenExists()) DropPending(commands_.Clear());
    return;
  }
  // A lock still starting or showing a prompt keeps its commands until it is ready again; the
  // queue is looked at again after the command timer's interval.
  while (session_ && session_->AcceptsCommands()) {
    auto command = commands_.TryTake();
    if (!command) return;
    session_->Dispatch(*command);
  }
  if (session_ && !session_->Ended() && commands_.Size() > 0) {
    ports_.loop.PostAfter(kNextCommandInterval, [this] { DrainCommands(); });
  }
}

void TrayController::StorePasswordHash(const std::string& hash, bool iniForm) {
  std::lock_guard lock(settingsMutex_);
  core::StorePasswordHash(*settings_, hash, iniForm);
}

std::string TrayController::ApplyOptions(const core::TBrivakSettings& edited) {
  {
    std::lock_guard lock(settingsMutex_);
    core::TBrivakSettings& live = *settings_;
    const core::TBrivakSettings before(live);
    const auto copyRecords = [&live](const core::TBrivakSettings& from) {
      const std::string hash = live.Security.passwordHash;
      live.General = from.General;
      live.Security = from.Security;
      live.Security.passwordHash = hash;
      live.ScreenSavers = from.ScreenSavers;
      live.Logging = from.Logging;
      live.Messages = from.Messages;
      live.Advanced = from.Advanced;
      live.BrivakBar = from.BrivakBar;
    };
    copyRecords(edited);
    try {
      const auto presets = core::SplitAwayMessages(live.Messages.awayMessages);
      if (values_.INI_MODE) {
        live.SaveINI(presets, false);
      } else {
        live.Save(presets, false);
      }
    } catch (const std::exception& e) {
      copyRecords(before);
      ports_.diagnostics.Mem(std::string("EX: ") + e.what());
      return e.what();
    }
    ports_.diagnostics.EventLog().SetDoLog(live.Logging.DoLog);
  }
  SetHotKey();
  return {};
}

std::vector<std::string> TrayController::RecentCommands() const {
  return remote_ ? remote_->History().Lines() : std::vector<std::string>{};
}

void TrayController::WriteStartupData() { startup_->WriteStartupData(settings_->General.StartupMode); }

void TrayController::SecurityEvent(const std::string& text) {
  if (remote_) remote_->Events().SecurityEvent(text, EventSettings());
}

// The end of a lock from outside the lock screen (tray exit, end of session).
void TrayController::ShutDown() {
  if (session_ && !session_->Ended()) session_->ShutDown();
}

// Called by the session as the last step of its ShutDown (or when its form creation refused).
// The session and its window are destroyed later, on the loop: the caller is still running.
void TrayController::CloseMainForm() {
  auto& log = ports_.diagnostics;
  log.Mem("Closing window...");
  log.Debug("begin CloseMainForm");
  SaveSettings();
  log.TrayConsole().savedebugdump();
  DropPending(commands_.Clear());
  currentlyLocked_ = false;
  lockScreenExists_ = false;
  shuttingdown_ = false;
  log.TrayConsole().SetLockScreenExists(false);
  // The lock screen is hidden already; the watchdog's covers go too.
  if (lockState_) lockState_->Clear();
  if (ports_.watchdog) ports_.watchdog->LockEnds();
  ports_.loop.Post([this] { DestroyLock(); });
  log.Debug("end CloseMainForm");
  if (terminateAfterLock_) {
    FormClose();
    ports_.loop.Quit();
    return;
  }
  ports_.loop.PostAfter(kBackToTrayDelay, [this] { Timer2Timer(); });
}

void TrayController::DropPending(std::vector<core::LockCommand> pending) {
  for (const core::LockCommand& command : pending) {
    if (command.word != "remotemessage") continue;
    const core::RemoteNoteBalloon balloon = core::BalloonFor(command.message);
    ShowBalloon(balloon.title, balloon.text, balloon.seconds);
  }
}

void TrayController::ShowBalloon(const std::string& title, const std::string& text, int seconds) {
  ports_.loop.Post([this, title, text, seconds] {
    if (showBalloon_) {
      showBalloon_(title, text, seconds);
    } else {
      ports_.diagnostics.Mem(title + ": " + text);
    }
  });
}

void TrayController::DestroyLock() {
  if (!session_ || !session_->Ended()) return;  // a new lock was started meanwhile
  shell_->SetEvents(nullptr);
  session_.reset();
  shell_.reset();
  sessionHost_.reset();
  later_.reset();
}

void TrayController::SystemSleep(bool hibernate, platform::PowerActions::Done done) {
  if (!ports_.powerActions) {
    done({false, "no power service in this build"});
    return;
  }
  if (!LockScreenExists()) StartLockLaunch(startMethod_);
  SleepWhenCovered(hibernate, std::move(done), ports_.clock.MonotonicMs() + kCoverWait.count());
}

// Waits on the loop (never blocking it) until the lock has finished its start: every monitor is
// covered by then.
void TrayController::SleepWhenCovered(bool hibernate, platform::PowerActions::Done done, std::int64_t deadlineMs) {
  auto& log = ports_.diagnostics;
  const bool covered = session_ && !session_->Ended() && session_->Ready();
  if (!covered) {
    if (ports_.clock.MonotonicMs() >= deadlineMs) {
      log.WriteLog(hibernate ? "Hibernate not requested: the screens could not be locked first."
                             : "Stand By not requested: the screens could not be locked first.");
      done({false, "the screens could not be locked first"});
      return;
    }
    ports_.loop.PostAfter(std::chrono::milliseconds(20), [this, hibernate, done = std::move(done), deadlineMs]() mutable {
      SleepWhenCovered(hibernate, std::move(done), deadlineMs);
    });
    return;
  }
  if (!session_->BrivakLocked()) session_->LockBrivak();
  log.WriteLog(hibernate ? "System going into Hibernate" : "System going into Stand By");
  auto answer = [this, hibernate, done = std::move(done)](platform::PowerOutcome outcome) {
    if (!outcome.accepted) {
      ports_.diagnostics.WriteLog((hibernate ? "Hibernate failed: " : "Stand By failed: ") + outcome.error);
    }
    done(std::move(outcome));
  };
  if (hibernate) {
    ports_.powerActions->Hibernate(std::move(answer));
  } else {
    ports_.powerActions->Suspend(std::move(answer));
  }
}

void TrayController::LaunchFromTray() { StartLockLaunch("System Tray"); }

void TrayController::TurnOnSecurity() {
  secure_ = true;
  ports_.diagnostics.Mem("Secure mode on");
  StartLockLaunch("System Tray");
}

void TrayController::ExitBrivak() {
  canCloseBrivak_ = true;
  if (session_ && !session_->Ended()) {
    terminateAfterLock_ = true;  // the lock ends first; its CloseMainForm ends the program
    session_->ShutDown();
    return;
  }
  FormClose();
  ports_.loop.Quit();
}

void TrayController::SetHotKey() {
  core::GeneralSettings general;
  {
    std::lock_guard lock(settingsMutex_);
    general = settings_->General;
  }
  auto& hotkeys = ports_.hotkeys;
  hotkeys.UnregisterAll();
  for (const auto& item : core::HotKeyItems(general, ports_.diagnostics.TrayConsole().SHOW_DEBUG.load())) {
    const auto x11 = core::ToX11HotKey(item);
    if (!x11) continue;
    // A combination another program holds stays unregistered; nothing is reported.
    hotkeys.Register(item.id, x11->keysym, x11->masks[0]);
  }
}

std::string TrayController::HotKeyText() const {
  std::lock_guard lock(settingsMutex_);
  return core::GetHotKeyText(settings_->General);
}

void TrayController::SaveSettings() {
  std::lock_guard lock(settingsMutex_);
  try {
    const auto presets = core::SplitAwayMessages(settings_->Messages.awayMessages);
    if (values_.INI_MODE) {
      settings_->SaveINI(presets, shuttingdown_.load());
    } else {
      settings_->Save(presets, shuttingdown_.load());
    }
  } catch (const std::exception& e) {
    ports_.diagnostics.Mem(std::string("EX: ") + e.what());
  }
}

// The timed termination of "-runfor": every period, a running lock is ended with "terminate"
// (which ends the program after the lock's own end); in the tray a tick does nothing and the timer
// keeps running.
void TrayController::ArmQuitTimer() {
  if (options_.runForMinutes <= 0) return;
  ports_.loop.PostAfter(std::chrono::minutes(options_.runForMinutes), [this] { QuitTimerTimer(); });
}

void TrayController::QuitTimerTimer() {
  if (CurrentlyLocked()) RequestCommand({"terminate", "", {}});
  ArmQuitTimer();
}

void TrayController::Timer2Timer() {
  ports_.diagnostics.TrayConsole().savedebugdump();
  canCloseBrivak_ = true;
  if (backToTray_) backToTray_();
  mainTimer_.Enable();
}

// The idle lock's launch: at once, on the MainTimer tick that decided it, then "focus" to the new
// lock screen. The covers are override-redirect windows above everything, so no other window needs
// to be pushed down first.
void TrayController::IdleLockNow() {
  startMethod_ = "Idle Timeout";
  Timer1Timer();
  RequestCommand({"focus", "", {}});
}

void TrayController::FormClose() {
  if (closed_) return;
  closed_ = true;
  ports_.diagnostics.Debug("FrmBrivak closing..");
}

}  // namespace brivak::app
