#include "proj/app/TrayController.h"

#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "proj/core/LogFormat.h"
#include "proj/core/MessageFilter.h"

namespace brivak::app {

namespace fs = std::filesystem;

std::string AppDataFolder(const platform::Paths& paths) { return paths.DataRoot() + "/Brivak 3.0/"; }

TrayController::TrayController(TrayPorts ports) : ports_(ports) {}

// The servers go first: their threads post into the loop and read this object.
TrayController::~TrayController() { remote_.reset(); }

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

  // 8.
  const auto now = ports_.clock.Local();
  log.Debug("");
  log.Debug("******* BEGIN FrmBrivak Created at " + core::FormatShortDate(now) + " " + core::FormatLongTime(now) +
            "*******");

  // 10, 11, 12. Folders, user list, settings.
  SetDirectories();
  log.Mem("Creating user list...");
  userList_ = std::make_unique<UserList>(values_.appData + "userlist.dat");
  {
    std::lock_guard lock(settingsMutex_);
    settings_ = std::make_unique<core::TBrivakSettings>(core::SettingsContext{
        ports_.registry, log, values_.appPath, values_.appData, values_.theLocalIP, values_.SysDir});
    const auto choice = core::ChooseSettingsStore(*settings_);
    values_.INI_MODE = choice.INI_MODE;
    values_.firstRun = choice.firstRun;
    if (!choice.importError.empty()) log.Mem("EX: " + choice.importError);
    log.EventLog().SetDoLog(settings_->Logging.DoLog);
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
  log.Mem("Connectivity established");
  log.Debug("Connectivity on port " + std::to_string(remote_->HttpPort()) + " is up.");

  // 16. Lock at once, or wait in the tray.
  if (options_.runTray) {
    log.Debug("runtray=true, enabling timer2");
    canCloseBrivak_ = true;
    ports_.loop.PostAfter(kBackToTrayDelay, [this] { Timer2Timer(); });
  } else {
    log.Debug("runtray=false, enabling timer1");
    canCloseBrivak_ = false;
    ports_.loop.PostAfter(kLockLaunchDelay, [this] { Timer1Timer(); });
  }
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
        // Ends the loop without the close query, as the terminate code asks.
        FormClose();
        ports_.loop.Quit();
        break;
      case core::FilterActionKind::CloseForEndSession:
        OnEndSession();
        break;
      case core::FilterActionKind::GotoFront:
      case core::FilterActionKind::WarnIfLockScreenExists:
        break;  // nothing to raise without windows; the warning is resolved by HandleInstanceMessage
    }
  }
}

void TrayController::OnEndSession() {
  canCloseBrivak_ = true;
  ports_.diagnostics.Debug("frmBrivak.CloseQuery .. canCloseBrivak = true");
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

// The lock launch. The lock screen belongs to the desktop shell, which this build does not have
// yet: the lock is recorded (status, lines, command handling) while the desktop stays visible,
// and the console says so rather than claiming a covered screen.
void TrayController::Timer1Timer() {
  auto& log = ports_.diagnostics;
  if (LockScreenExists()) return;  // a lock is running: a second launch only brings it forward
  log.Debug("frmBrivak.timer1.onTimer");
  canCloseBrivak_ = false;
  log.Mem("Launching lock screen...");
  lockedWhen_ = ports_.clock.MonotonicMs();
  lockScreenExists_ = true;
  log.TrayConsole().SetLockScreenExists(true);
  currentlyLocked_ = true;

  bool logStart = false;
  {
    std::lock_guard lock(settingsMutex_);
    logStart = settings_->Logging.LogBrivakStart;
  }
  log.WriteLog("Brivak Started with command line parameters: " + options_.paramstring);
  log.Mem("Current User: " + values_.WinUsername + (ports_.system.IsAdmin() ? " (Administrator)" : ""));
  if (logStart) log.WriteLog("Brivak 3.1 started by " + values_.WinUsername + " (" + startMethod_ + ")");
  log.Mem("No lock screen in this build: the lock is recorded, the desktop stays visible.");
}

void TrayController::DrainCommands() {
  while (auto command = commands_.TryTake()) {
    if (!LockScreenExists()) continue;  // nothing is posted into a lock that no longer exists
    const std::string& word = command->word;
    if (word == "shutdown") {
      ShutDown();
    } else if (word == "terminate") {
      ShutDown();
      FormClose();
      ports_.loop.Quit();
      return;
    } else if (word == "badpass") {
      ports_.diagnostics.Mem("Incorrect username/password. ");
      SecurityEvent("Incorrect username/password entered for user: " + command->user);
    } else if (word == "remotemessage") {
      // Visitor notes come with the lock screen; until then the console shows what arrived.
      ports_.diagnostics.Mem("Message from " + command->message.from + ": " + command->message.subject);
    } else {
      ports_.diagnostics.Debug("unhandled command: " + word);
    }
  }
}

void TrayController::SecurityEvent(const std::string& text) {
  if (remote_) remote_->Events().SecurityEvent(text, EventSettings());
}

void TrayController::ShutDown() {
  if (shuttingdown_.exchange(true)) return;
  auto& log = ports_.diagnostics;
  bool logExit = false;
  {
    std::lock_guard lock(settingsMutex_);
    logExit = settings_->Logging.LogBrivakExit;
  }
  if (logExit) {
    log.WriteLog("Brivak Shutdown");
    log.WriteLog("");
  }
  commands_.Clear();
  currentlyLocked_ = false;
  CloseMainForm();
  shuttingdown_ = false;
}

void TrayController::CloseMainForm() {
  auto& log = ports_.diagnostics;
  log.Mem("Closing window...");
  log.Debug("begin CloseMainForm");
  SaveSettings();
  log.TrayConsole().savedebugdump();
  lockScreenExists_ = false;
  log.TrayConsole().SetLockScreenExists(false);
  log.Debug("end CloseMainForm");
  ports_.loop.PostAfter(kBackToTrayDelay, [this] { Timer2Timer(); });
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

void TrayController::Timer2Timer() {
  ports_.diagnostics.TrayConsole().savedebugdump();
  canCloseBrivak_ = true;
}

void TrayController::FormClose() {
  if (closed_) return;
  closed_ = true;
  ports_.diagnostics.Debug("FrmBrivak closing..");
}

}  // namespace brivak::app
