#include "proj/ui/AdministrationWindows.h"

#include <unistd.h>

#include <QDate>
#include <QMessageBox>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <system_error>

#include "proj/core/RemoteEvents.h"
#include "proj/ui/TfrmLogs.h"

namespace brivak::ui {

namespace fs = std::filesystem;

namespace {

bool Executable(const std::string& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec) && ::access(path.c_str(), X_OK) == 0;
}

QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

AdministrationWindows::AdministrationWindows(AdministrationPorts ports) : ports_(std::move(ports)) {}

void AdministrationWindows::Message(QWidget* over, const QString& title, const QString& text) {
  if (ports_.message) {
    ports_.message(over, title, text);
  } else {
    QMessageBox::information(over, title, text);
  }
}

int AdministrationWindows::Exec(QDialog& dialog) { return ports_.exec ? ports_.exec(dialog) : dialog.exec(); }

bool AdministrationWindows::Open(const std::string& path) { return ports_.processes.Start({"xdg-open", path}, {}); }

bool AdministrationWindows::OptionsDialog(QWidget* parent) {
  auto& tray = ports_.tray;
  auto& log = tray.Log();
  const app::ProgramValues& values = tray.Values();
  log.Debug("creating options form");
  app::TrayController* controller = &tray;
  OptionsPorts ports{tray.Settings(),
                     tray.EditableUsers(),
                     log,
                     values.appPath,
                     values.appData,
                     values.theLocalIP,
                     values.theLocalHost,
                     [controller](const core::TBrivakSettings& edited) { return controller->ApplyOptions(edited); },
                     [this](const std::string& path) { return Open(path); },
                     [this](const std::vector<std::string>& argv, const std::string& folder) {
                       return ports_.processes.Start(argv, folder);
                     },
                     [this](QWidget* over) {
                       if (!ports_.passwords) return;
                       PasswordContext context = ports_.passwords();
                       RunChangePasswordDialog(over, context);
                     },
                     [controller] { return controller->RecentCommands(); }};
  TfrmOptions options(std::move(ports), parent,
                      ports_.questions ? ports_.questions() : StandardOptionsQuestions());
  log.Debug("frmOptions.SettingsToControls");
  options.SettingsToControls();
  log.Debug("ShowModal");
  const int result = Exec(options);
  log.Debug("optionsmodalresult:" + std::to_string(result == QDialog::Accepted ? 1 : 2));
  if (result == QDialog::Accepted) {
    log.Debug("OK clicked in options");  // applied, saved and the hotkey registered by OK
    return true;
  }
  log.Debug("cancel clicked in options form");
  return false;
}

void AdministrationWindows::LogViewer(QWidget* parent, int pages) {
  TfrmLogs logs(LogViewerPorts{ports_.tray.Values().appData + "Logs/", QDate::currentDate(),
                               [this](const std::string& path) { return Open(path); }},
                parent);
  logs.ScrollPages(pages);
  Exec(logs);
}

void AdministrationWindows::TrayOptions() {
  auto& tray = ports_.tray;
  tray.Log().Debug(std::to_string(tray.Clock().MonotonicMs()) + "Options1click");
  if (!ports_.passwords) return;
  PasswordContext context = ports_.passwords();
  if (!Authorize(nullptr, context, "change Options", kLevelAdmin)) {
    tray.SecurityEvent(std::string(core::security_event::kBadPasswordOptions));
    return;
  }
  OptionsDialog(nullptr);
}

void AdministrationWindows::TrayLogManager() {
  auto& tray = ports_.tray;
  if (!ports_.passwords) return;
  PasswordContext context = ports_.passwords();
  const int level = tray.Settings().Security.UserViewLogs ? kLevelUnlock : kLevelAdmin;
  if (!Authorize(nullptr, context, "view Logs", level)) {
    tray.SecurityEvent(std::string(core::security_event::kBadPasswordViewLogs));
    return;
  }
  LogViewer(nullptr, 11);
}

bool AdministrationWindows::StartManager() {
  const std::string local = ports_.tray.Values().appPath + kManagerProgram;
  std::vector<std::string> looked{local};
  std::string found;
  if (Executable(local)) found = local;
  std::string path = ports_.searchPath;
  if (path.empty()) {
    const char* env = std::getenv("PATH");
    path = env ? env : "";
  }
  if (found.empty()) {
    std::stringstream folders(path);
    std::string folder;
    while (std::getline(folders, folder, ':')) {
      if (folder.empty()) continue;
      const std::string candidate = folder + "/" + kManagerProgram;
      if (Executable(candidate)) {
        found = candidate;
        break;
      }
    }
  }
  if (found.empty()) {
    const QString text = QStringLiteral("Brivak Manager (%1) was not found in the program folder %2 nor on the PATH (%3).")
                             .arg(QString::fromUtf8(kManagerProgram), Q(ports_.tray.Values().appPath), Q(path));
    ports_.tray.Log().Mem(text.toStdString());
    Message(nullptr, QStringLiteral("Brivak Manager"), text);
    return false;
  }
  if (!ports_.processes.Start({found}, fs::path(found).parent_path().string())) {
    ports_.tray.Log().Mem("EX: cannot start " + found);
    return false;
  }
  return true;
}

QString AdministrationWindows::AboutText() const {
  return QStringLiteral("Brivak 3.1\nVersion %1\nBuilt with Qt %2 (%3)")
      .arg(Q(ports_.tray.Values().fullVersionString), QStringLiteral(QT_VERSION_STR),
#if defined(__clang__)
           QStringLiteral("clang " __clang_version__)
#elif defined(__GNUC__)
           QStringLiteral("GCC " __VERSION__)
#else
           QStringLiteral("C++")
#endif
      );
}

void AdministrationWindows::About(QWidget* parent) {
  Message(parent, QStringLiteral("About Brivak"), AboutText());
}

QString AdministrationWindows::UninstallText() const {
  return QStringLiteral("Brivak is installed as the package \"%1\". Remove it with:\n\n    sudo apt remove %1\n\n"
                        "A copy that was only unpacked is removed by deleting its folder %2.")
      .arg(QString::fromUtf8(kPackageName), Q(ports_.tray.Values().appPath));
}

void AdministrationWindows::Uninstall() {
  const std::string uninstaller = ports_.tray.Values().appPath + kUninstallProgram;
  if (Executable(uninstaller)) {
    if (ports_.processes.Start({uninstaller}, ports_.tray.Values().appPath)) return;
    ports_.tray.Log().Mem("EX: cannot start " + uninstaller);
  }
  Message(nullptr, QStringLiteral("Uninstall Brivak"), UninstallText());
}

}  // namespace brivak::ui
