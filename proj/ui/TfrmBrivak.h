// `TfrmBrivak`: the locker's face in the desktop while no lock screen is shown: the tray icon with
// its menu, the console window and the tray balloon after a lock. The logic (start-up, lock
// launch, return to the tray) is the controller's (app::TrayController); the administrator's
// windows behind the menu are AdministrationWindows'. GUI thread only.
#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <string>

#include "platform/Processes.h"
#include "proj/app/TrayController.h"
#include "proj/ui/AdministrationWindows.h"
#include "proj/ui/ConsoleWindow.h"
#include "proj/ui/PasswordDialogs.h"

class QAction;
class QMenu;
class QSystemTrayIcon;

namespace brivak::ui {

// The texts of "Turn on Security".
inline constexpr const char* kSecurityCaption = "Are you really sure?";
inline constexpr const char* kSecurityWarning =
    "Secure mode can sometimes make your system unstable if something goes wrong.\r\n"
    "This is still being tested. As this is beta software...\r\n"
    "Only turn on secure mode if Brivak runs OK otherwise. Save all of your work\r\n"
    "if you have not done this before. Use F1 + ALT to emergency exit.";

struct TrayWindowPorts {
  app::TrayController& tray;
  core::Diagnostics& diagnostics;
  platform::Processes& processes;
  // The prompts' context; asked for when a prompt opens (after the start-up made the settings).
  std::function<PasswordContext()> passwords;
  // Whether a system tray exists; QSystemTrayIcon::isSystemTrayAvailable when empty.
  std::function<bool()> trayAvailable;
  // Opens a file or folder with the desktop's default program; QDesktopServices when empty.
  std::function<bool(const std::string& path)> open;
  // "Options", "Log Manager", "Brivak Manager", "About Brivak..." and "Uninstall Brivak".
  AdministrationWindows& administration;
};

class TfrmBrivak : public QObject {
  Q_OBJECT

 public:
  explicit TfrmBrivak(TrayWindowPorts ports, QObject* parent = nullptr);
  ~TfrmBrivak() override;

  // After the controller's start-up: the icon and the menu (the paths they open exist now), and
  // the console when the self-test failed.
  void AfterFormCreate();

  QMenu& TrayMenu() { return *menu_; }
  ConsoleWindow& Console() { return *console_; }
  QSystemTrayIcon* TrayIcon() { return icon_.get(); }
  // The item of that text (menus searched depth-first), or null.
  QAction* FindAction(const QString& text) const;

  // Menu actions, also for tests.
  void LaunchBrivak();
  void ShowConsole();
  void TurnOnSecurity();
  void ExitBrivak();
  // The balloon after the return to the tray.
  void ShowBalloon();

 signals:
  // A balloon was requested (title, text); tests and a tray-less desktop observe it.
  void balloonShown(QString title, QString text);
  // The idle warning's balloon was withdrawn.
  void balloonHidden();

 private:
  void BuildMenu();
  QAction* AddOpen(QMenu* menu, const QString& text, const std::string& path);
  bool Open(const std::string& path);

  TrayWindowPorts ports_;
  std::unique_ptr<ConsoleWindow> console_;
  std::unique_ptr<QMenu> menu_;
  std::unique_ptr<QSystemTrayIcon> icon_;
  QAction* showDebug_ = nullptr;
};

}  // namespace brivak::ui
