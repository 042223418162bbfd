// `TfrmMain`: the lock screen window. Frameless, black, override-redirect and above other windows,
// on the primary monitor; hosts the unlock panel (SlfPanel), the bar along the bottom (BrivakBar,
// `panBottom`), the countdown label, the lock-screen menu (`pop1`) and the hidden command keys. Black covers hide the other monitors (ScreenCovers) and the
// keyboard and pointer grabs keep input away from other programs (GrabKeeper). The lock's logic
// is the session's (core::LockSession), which receives this window's events. GUI thread only.
#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <optional>
#include <memory>
#include <string>
#include <vector>

#include "common/LogSink.h"
#include "platform/Clock.h"
#include "platform/FrontKeeper.h"
#include "platform/InputGuard.h"
#include "proj/core/Console.h"
#include "proj/core/LockShell.h"
#include "proj/core/ScreenSavers.h"
#include "proj/ui/GrabKeeper.h"
#include "proj/ui/PasswordDialogs.h"
#include "proj/ui/ScreenCovers.h"

class QAction;
class QSocketNotifier;
class QDialog;
class QLabel;
class QMenu;
class QToolButton;

namespace brivak::ui {

class BrivakBar;
class SlfPanel;

// What the window uses. The references (and the guard) must outlive the window.
struct LockWindowPorts {
  LogSink& log;
  const platform::Clock& clock;
  // The grabs on Qt's own X connection; null where there is none (the lock then only covers).
  platform::InputGuard* guard = nullptr;
  // The prompts' context (settings, users, events, the store of a new password).
  PasswordContext passwords;
  // Folder for SLF image names that are not found as written (appData).
  std::string dataFolder;
  // The monitors to cover; QtMonitors() when empty (tests pass a table).
  std::function<std::vector<core::MonitorInfo>()> monitors;
  // The system's uptime in seconds, for the uptime label; the clock's tick count / 1000 when empty.
  std::function<std::int64_t()> systemUptimeSeconds;
  // The options dialog and the log viewer, opened modally over `parent` (the lock screen).
  std::function<void(QWidget* parent)> optionsDialog;
  std::function<void(QWidget* parent)> logViewer;
  // Keeps the lock's windows above every other while the lock screen is shown; null: nothing
  // watches (another program's window may then draw above the lock).
  platform::FrontKeeper* front = nullptr;
  // The tray console, whose lines the bar's console shows; none: the bar's console stays empty.
  const core::Console* console = nullptr;
  // The program folder, ending in "/": the help pages are under htmlhelp/.
  std::string appPath;
  // The "ScreenSavers" submenu: its entries (read when it opens) and the start of one of them.
  std::function<std::vector<core::SaverMenuEntry>()> screenSavers;
  std::function<void(const std::string& path)> runScreenSaver;
};

class TfrmMain : public QWidget, public core::LockShell {
  Q_OBJECT

 public:
  explicit TfrmMain(LockWindowPorts ports);
  ~TfrmMain() override;

  // core::LockShell.
  void SetEvents(core::LockEvents* events) override;
  bool RunFirstTimeDialog() override;
  bool Authorize(const std::string& activity, int level) override;
  void MessageBox(const std::string& text, const std::string& caption, core::MessageIcon icon) override;
  bool Confirm(const std::string& text, const std::string& caption, core::MessageIcon icon) override;
  bool RunChangePasswordDialog() override;
  void RunOptionsDialog() override;
  void RunLogViewer() override;
  void ShowLockScreen() override;
  void ApplySlfLayout(const std::string& path, const std::string& awayMessage) override;
  void FreeCreatedControls() override;
  void FillScreen() override;
  void ReleaseCovers() override;
  bool TakeInputGrabs() override;
  void ReleaseInputGrabs() override;
  void FocusBox() override;
  void ClearPassword() override;
  void ClearBoth() override;
  void ShowCountdown(const std::string& text) override;
  void HideCountdown() override;
  void SetLockedLook(bool locked) override;
  void BringToFront() override;
  void CloseWindow() override;
  std::optional<core::NoteEntry> RunNoteForm(const core::MessageSettings& settings) override;
  void ShowMessages(const core::TMessageList& messages) override;
  void SetMessageCount(std::size_t count) override;
  std::string RunAwayPicker(const core::AwayPickerRequest& request) override;
  void SetAwayMessage(const std::string& text) override;
  void StartStatusTimer() override;
  void StopStatusTimer() override;
  void ShowSystemPanel(bool visible) override;
  void UpdateSystemPanel(const core::SystemPanelTexts& texts) override;
  void SwitchConsolePage() override;
  void ShowNetworkState(bool available, bool suspended) override;
  void RunMenuTimer() override;
  void ShowHelp() override;
  void ShowText(const std::string& caption, const std::string& text) override;
  bool OpenDocument(const std::string& pathOrUrl) override;
  std::pair<int, int> CursorPosition() override;

  // For the desktop shell and checks.
  SlfPanel& Panel() { return *panel_; }
  ScreenCovers& Covers() { return covers_; }
  GrabKeeper& Grabs() { return grabs_; }
  QMenu& LockMenu() { return *menu_; }
  BrivakBar& Bar() { return *bar_; }
  // The menu's action for a command (the first with it), or null.
  QAction* MenuAction(core::LockMenuCommand command) const;
  // The "ScreenSavers" submenu (null before the menu exists).
  QMenu* ScreenSaversMenu() const;
  QLabel& CountdownLabel() { return *lblTimeToLock_; }
  QMessageBox* CurrentMessage() const { return messageBox_.data(); }
  bool Locked() const { return locked_; }
  bool FollowingScreens() const { return followScreens_; }
  // Opens the lock-screen menu at the menu button (Windows key, the gesture, the button).
  void OpenMenu();
  // A dialog opened from the lock screen, shown above it until it closes (tests look at it).
  QWidget* CurrentDialog() const { return dialog_.data(); }
  // Hands a key event to the session's key decision and carries it out; true when the key was
  // consumed (dropped, or it opened the menu). Used by the key filter and by tests.
  bool HandleLockKey(const core::KeyEvent& event);

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void WatchScreens();
  void ScreensChanged();
  void OnTick();
  // The clocks and uptime labels of the layout, from the injected clock.
  void ShowLiveLabels();
  void LayoutChrome();
  void AfterModal();
  void FillScreenSaversMenu(QMenu* sub);
  void BuildMenu();
  void OnStatusTimer();
  // Runs `dialog` modally above the lock screen, then takes the grabs again.
  int RunDialog(QDialog& dialog);
  bool HandleHiddenKey(const QKeyEvent& key);
  std::vector<core::MonitorInfo> Monitors() const;

  LockWindowPorts ports_;
  core::LockEvents* events_ = nullptr;
  SlfPanel* panel_;
  QLabel* lblTimeToLock_;
  BrivakBar* bar_;
  QMenu* menu_;
  std::vector<std::pair<core::LockMenuCommand, QAction*>> menuActions_;
  QPointer<QWidget> dialog_;
  QPointer<QMessageBox> messageBox_;  // the message shown now, if any
  ScreenCovers covers_;
  GrabKeeper grabs_;
  std::unique_ptr<QSocketNotifier> frontNotifier_;  // the front keeper's events, while this window lives
  QTimer lockTimer_;  // one-second ticks: the session's countdown, the live labels
  QTimer brivakTimer_;  // the status timer: the session's status tick, the bar's console
  std::int64_t startMs_ = 0;
  bool locked_ = true;
  bool followScreens_ = false;
  bool closing_ = false;
  bool f1Held_ = false;
  bool screenChangePending_ = false;
};

}  // namespace brivak::ui
