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
  values_.secure = options_.secure_parameter;
  values_.startMethod = "Default";
  lockedWhen_ = 0;

  // 2, 3. This computer and this program.
  values_.theLocalIP = ports_.system.LocalIPv4();
  values_.theLocalHost = ports_.system.HostName();
  values_.theLocalMAC = ports_.system.FirstAdapterMac();
  values_.fullVersionString = BRIVAK_VERSION_STRING;

  // 4. How this start came about.
  if (options_.runoncekey) values_.startMethod = "Run before explorer";
  if (options_.runkey) values_.startMethod = "Run after explorer";

  // 5. Console lines.
  log.Mem("Starting Brivak 3.1 (" + values_.fullVersionString + ")");
  log.Mem("Command line parameters: " + options_.paramstring);
  log.Debug(std::string("IsAdminOld: ") + (ports_.system.IsAdminOld() ? "True" : "False"));
  log.Mem(ports_.system.IsAdmin() ? "Elevation: Admin privledges detected."
                                  : "Elevation: No admin privledges detected.");
  log.Debug(std::string("IsUserAdmin: ") + (ports_.system.IsUserAdmin() ? "TRUE" : "FALSE"));
  log.Mem(values_.secure ? "Secure mode on" : "Secure mode OFF");

  // 7. Users of this session.
  CurrentlyLocked_ = false;
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

  settings_ = std::make_unique<core::TBrivakSettings>(core::SettingsContext{
      ports_.registry, log, values_.appPath, values_.appData, values_.theLocalIP, values_.SysDir});
  const auto choice = core::ChooseSettingsStore(*settings_);
  values_.INI_MODE = choice.INI_MODE;
  values_.firstRun = choice.firstRun;
  if (!choice.importError.empty()) log.Mem("EX: " + choice.importError);
  log.EventLog().SetDoLog(settings_->Logging.DoLog);

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
  values_.startMethod = startMethod;
  ports_.loop.PostAfter(kLockLaunchDelay, [this] { Timer1Timer(); });
}

void TrayController::Timer1Timer() {
  auto& log = ports_.diagnostics;
  log.Debug("frmBrivak.timer1.onTimer");
  canCloseBrivak_ = false;
  log.Mem("Launching lock screen...");
  lockedWhen_ = ports_.clock.MonotonicMs();
  // The lock screen belongs to the desktop shell, which this build does not have yet: say so and
  // go back to the tray instead of claiming a lock.
  log.Mem("No lock screen in this build: staying in the tray.");
  ports_.loop.PostAfter(kBackToTrayDelay, [this] { Timer2Timer(); });
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
