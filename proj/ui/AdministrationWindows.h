// The administrator's windows of the locker, opened from the tray menu and from the lock screen:
// the options dialog, the log viewer, the about box, the manager and the uninstaller. The tray
// items run their password guards and security events here; the lock screen authorises first (its
// session does) and opens the windows over itself. GUI thread only.
#pragma once

#include <QString>

#include <functional>
#include <string>
#include <vector>

#include "platform/Processes.h"
#include "proj/app/TrayController.h"
#include "proj/ui/PasswordDialogs.h"
#include "proj/ui/TfrmOptions.h"

class QWidget;

namespace brivak::ui {

inline constexpr const char* kManagerProgram = "brivakmanager";
inline constexpr const char* kUninstallProgram = "uninstall";
inline constexpr const char* kPackageName = "brivak";

struct AdministrationPorts {
  app::TrayController& tray;
  platform::Processes& processes;
  // The prompts' context, asked for when a prompt opens.
  std::function<PasswordContext()> passwords;
  // The message boxes; modal QMessageBoxes when empty.
  std::function<void(QWidget* over, const QString& title, const QString& text)> message;
  // The dialog's questions; the standard ones when empty (tests answer instead).
  std::function<OptionsQuestions()> questions;
  // Runs a dialog made by the caller (exec when empty); tests drive the dialog instead.
  std::function<int(QDialog& dialog)> exec;
  // The PATH searched for the manager; the environment's when empty.
  std::string searchPath;
};

class AdministrationWindows {
 public:
  explicit AdministrationWindows(AdministrationPorts ports);

  // Opens a file or folder with the desktop's default program (xdg-open); true when started.
  bool Open(const std::string& path);

  // The options dialog over `parent`; on OK the settings are applied and saved and the hotkey is
  // registered again (debug lines of the tray's "Options"). True when OK was pressed.
  bool OptionsDialog(QWidget* parent);
  // The log viewer over `parent`, its text scrolled down by `pages` pages.
  void LogViewer(QWidget* parent, int pages);

  // Tray items.
  void TrayOptions();     // Authorize("change Options", 2); refused: "Bad Password to access Options"
  void TrayLogManager();  // Authorize("view Logs", 1 or 2); refused: the view-logs security event
  // "Brivak Manager": the program folder's brivakmanager, else one on the PATH, else a message saying
  // where it looked. True when started.
  bool StartManager();
  // "About Brivak...": the version and the build.
  void About(QWidget* parent);
  QString AboutText() const;
  // "Uninstall Brivak": the program folder's uninstaller when present, else how to remove the package.
  void Uninstall();
  QString UninstallText() const;

 private:
  void Message(QWidget* over, const QString& title, const QString& text);
  int Exec(QDialog& dialog);

  AdministrationPorts ports_;
};

}  // namespace brivak::ui
