#include "proj/ui/TfrmMain.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>

#include <gtest/gtest.h>

#include <fstream>

#include "RecordingLog.h"
#include "common/UserList.h"
#include "platform/fake/FakeClock.h"
#include "platform/fake/MemoryRegistryStore.h"
#include "platform/fake/RecordingInputGuard.h"
#include "proj/core/BrivakSettings.h"
#include "proj/core/RemoteEvents.h"
#include "proj/ui/BrivakBar.h"
#include "proj/ui/SlfPanel.h"
#include <QToolButton>
#include "support/TempDir.h"
#include "support/Disk.h"

namespace brivak::ui {
namespace {

bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
  QDeadlineTimer deadline(timeoutMs);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}

// The session's side, recorded; key decisions are the real ones.
class RecordingEvents : public core::LockEvents {
 public:
  void OnUnlockOk(const std::string& user, const std::string& password) override {
    calls.push_back("ok " + user + "/" + password);
  }
  void OnChangePassword() override { calls.push_back("changepassword"); }
  void OnLeaveMessage() override { calls.push_back("leavemessage"); }
  void UnlockBrivak() override { calls.push_back("unlockbrivak"); }
  void UnlockAndExit() override { calls.push_back("unlockandexit"); }
  bool OnCloseQuery() override {
    calls.push_back("closequery");
    return allowClose;
  }
  core::KeyDecision OnLockKey(const core::KeyEvent& event) override {
    keys.push_back(event);
    return core::DecideLockKey(event, false);
  }
  void OnLockTimer() override { ++ticks; }
  void OnStatusTick() override { ++statusTicks; }
  void OnMenuCommand(core::LockMenuCommand command) override { commands.push_back(command); }
  void OnRightButton() override { ++rightButtons; }
  void OnPointerMoved(int, int) override { ++moves; }
  void OnMessageCountClicked() override { calls.push_back("messagecount"); }
  void OnIdleLabelClicked() override { calls.push_back("idlelabel"); }
  void OnConsoleToggle() override { calls.push_back("consoletoggle"); }
  void OnNetworkButton() override { calls.push_back("network"); }

  std::vector<core::LockMenuCommand> commands;
  int statusTicks = 0;
  int rightButtons = 0;
  int moves = 0;
  std::vector<std::string> calls;
  std::vector<core::KeyEvent> keys;
  bool allowClose = false;
  int ticks = 0;
};

class NoDatagrams : public core::DatagramPort {
 public:
  void SendDatagram(const std::string&, const std::string&) override {}
};

class TfrmMainTest : public ::testing::Test {
 protected:
  TfrmMainTest()
      : settings(core::SettingsContext{registry, brivak::test::Disk(), log, dir.Folder(), dir.Folder(),
                                       "127.0.0.1", "/usr/lib"}),
        users(brivak::test::Disk(), dir.File("userlist.dat")),
        reporter(log, datagrams) {
    LockWindowPorts ports{log, clock, &guard, PasswordContext{settings, users, log, reporter}, dir.Folder(),
                          [this] { return monitors; }, [] { return 100; }};
    ports.screenSavers = [this] { return savers; };
    ports.runScreenSaver = [this](const std::string& path) { saversStarted.push_back(path); };
    window = std::make_unique<TfrmMain>(std::move(ports));
    window->SetEvents(&events);
  }
  ~TfrmMainTest() override {
    window->SetEvents(nullptr);
    window.reset();
  }

  std::string WriteLayout(const std::string& text) {
    const std::string path = dir.File("layout.ini");
    std::ofstream(path) << text;
    return path;
  }

  void Press(QWidget* target, int key, Qt::KeyboardModifiers modifiers, const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(target, &release);
  }

  test::TempDir dir;
  std::vector<core::SaverMenuEntry> savers;  // what screensavers.dat lists
  std::vector<std::string> saversStarted;
  testing::RecordingLog log;
  platform::FakeClock clock;
  platform::MemoryRegistryStore registry;
  core::TBrivakSettings settings;
  UserList users;
  NoDatagrams datagrams;
  core::EventReporter reporter;
  platform::RecordingInputGuard guard;
  RecordingEvents events;
  std::vector<core::MonitorInfo> monitors{{{0, 0, 1280, 1024}, true}, {{1280, 0, 1280, 1024}, false}};
  std::unique_ptr<TfrmMain> window;
};

TEST_F(TfrmMainTest, ShowLockScreenPlacesItOnThePrimaryMonitorAndFillScreenCoversTheOthers) {
  monitors = {{{-1280, 0, 1280, 1024}, false}, {{0, 0, 1920, 1080}, true}};
  window->ShowLockScreen();
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(window->geometry(), QRect(0, 0, 1920, 1080));
  window->FillScreen();
  ASSERT_EQ(window->Covers().Count(), 1u);
  EXPECT_EQ(window->Covers().Windows()[0]->geometry(), QRect(-1280, 0, 1280, 1024));
  EXPECT_TRUE(window->FollowingScreens());
  window->ReleaseCovers();
  EXPECT_EQ(window->Covers().Count(), 0u);
  EXPECT_FALSE(window->FollowingScreens());
}

TEST_F(TfrmMainTest, GrabsAreTakenOnTheLockWindowAndReleased) {
  window->ShowLockScreen();
  EXPECT_TRUE(window->TakeInputGrabs());
  ASSERT_FALSE(guard.Calls().empty());
  EXPECT_EQ(guard.Calls()[0], "take " + std::to_string(window->winId()));
  window->ReleaseInputGrabs();
  EXPECT_EQ(guard.Calls().back(), "release");
}

TEST_F(TfrmMainTest, ABrokenLayoutStillShowsAnUnlockBoxAndItsOkReachesTheSession) {
  window->ShowLockScreen();
  window->ApplySlfLayout(dir.File("missing.ini"), "Away");
  EXPECT_TRUE(window->Panel().HasUnlockBox());
  EXPECT_FALSE(log.mem.empty());  // the problem is reported on the console
  QLineEdit* password = window->Panel().PasswordEdit();
  ASSERT_NE(password, nullptr);
  password->setText(QStringLiteral("secret"));
  Press(password, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
  ASSERT_FALSE(events.calls.empty());
  EXPECT_EQ(events.calls.back().substr(0, 3), "ok ");
  EXPECT_NE(events.calls.back().find("/secret"), std::string::npos);
}

TEST_F(TfrmMainTest, SystemKeysInTheUnlockBoxGoToTheKeyDecisionAndAreDropped) {
  window->ShowLockScreen();
  window->ApplySlfLayout(dir.File("missing.ini"), "");
  QLineEdit* password = window->Panel().PasswordEdit();
  password->clear();

  Press(password, Qt::Key_Tab, Qt::AltModifier);
  ASSERT_EQ(events.keys.size(), 1u);
  EXPECT_EQ(events.keys[0].key, core::LockKey::Tab);
  EXPECT_TRUE(events.keys[0].altHeld);

  // Alt+F4 asks the session for "Unlock & Exit" and goes no further; ordinary letters pass.
  Press(password, Qt::Key_F4, Qt::AltModifier);
  EXPECT_EQ(events.keys.back().key, core::LockKey::F4);
  Press(password, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
  EXPECT_EQ(password->text(), QStringLiteral("a"));

  // F1 held with Alt: the emergency exit is reported with F1 held.
  QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::AltModifier);
  QApplication::sendEvent(password, &f1);
  EXPECT_TRUE(events.keys.back().f1Held);
  EXPECT_TRUE(events.keys.back().altHeld);
}

TEST_F(TfrmMainTest, TheMenuButtonOpensTheMenuWhoseItemsReachTheSession) {
  window->ShowLockScreen();
  window->StartStatusTimer();  // the lock is ready: the button is enabled
  ASSERT_TRUE(window->Bar().MenuButton()->isEnabled());
  window->Bar().MenuButton()->click();
  ASSERT_TRUE(PumpUntil([&] { return window->LockMenu().isVisible(); }));
  QStringList captions;
  int disabled = 0;
  for (QAction* action : window->LockMenu().actions()) {
    if (action->isSeparator()) continue;
    captions << action->text();
    if (!action->isEnabled()) ++disabled;
  }
  EXPECT_EQ(captions, (QStringList{"Change Away Message", "View Messages", "ScreenSavers", "Layouts",
                                   "Edit this Layout's Code (F11)", "Power", "Options", "Brivak Logs", "Help",
                                   "Unlock Brivak", "Unlock && Exit"}));
  EXPECT_GT(disabled, 0) << "features not in this build are shown disabled";
  window->MenuAction(core::LockMenuCommand::UnlockBrivak)->trigger();
  window->MenuAction(core::LockMenuCommand::UnlockAndExit)->trigger();
  window->MenuAction(core::LockMenuCommand::ChangeAwayMessage)->trigger();
  EXPECT_EQ(events.commands, (std::vector<core::LockMenuCommand>{core::LockMenuCommand::UnlockBrivak,
                                                                 core::LockMenuCommand::UnlockAndExit,
                                                                 core::LockMenuCommand::ChangeAwayMessage}));
  window->LockMenu().hide();
}

TEST_F(TfrmMainTest, ScreenSaversSubmenuListsTheSaversWhenItOpensAndStartsTheChosenOne) {
  window->ShowLockScreen();
  QMenu* sub = window->ScreenSaversMenu();
  ASSERT_NE(sub, nullptr);
  EXPECT_TRUE(sub->isEnabled());
  savers = {{"Blank Screen", "/usr/lib/xscreensaver/scrnsave.scr", "screensv0"},
            {"Deco", "/usr/libexec/xscreensaver/deco", "screensv1"}};
  emit sub->aboutToShow();
  ASSERT_EQ(sub->actions().size(), 2);
  EXPECT_EQ(sub->actions()[1]->text(), QStringLiteral("Deco"));
  EXPECT_EQ(sub->actions()[1]->objectName(), QStringLiteral("screensv1"));
  EXPECT_EQ(sub->actions()[1]->toolTip(), QStringLiteral("/usr/libexec/xscreensaver/deco"));
  sub->actions()[1]->trigger();
  EXPECT_EQ(saversStarted, std::vector<std::string>{"/usr/libexec/xscreensaver/deco"});
  // Read afresh: a list that changed since shows as it is now.
  savers.pop_back();
  emit sub->aboutToShow();
  EXPECT_EQ(sub->actions().size(), 1);
}

TEST_F(TfrmMainTest, HiddenKeysOfThisBuildReachTheSessionAndTheOthersAreTaken) {
  window->ShowLockScreen();
  Press(window.get(), Qt::Key_F5, Qt::NoModifier);
  Press(window.get(), Qt::Key_A, Qt::ControlModifier, QStringLiteral("\x01"));
  Press(window.get(), Qt::Key_F6, Qt::NoModifier);  // edit layout: not in this build
  Press(window.get(), Qt::Key_F12, Qt::NoModifier);  // standby
  ASSERT_TRUE(PumpUntil([&] { return events.commands.size() >= 3; }));
  QCoreApplication::processEvents();
  EXPECT_EQ(events.commands, (std::vector<core::LockMenuCommand>{core::LockMenuCommand::RefreshLayout,
                                                                 core::LockMenuCommand::ChangeAwayMessage,
                                                                 core::LockMenuCommand::Standby}));
  EXPECT_TRUE(events.keys.empty()) << "the keys went no further";
}

TEST_F(TfrmMainTest, TheBarSitsAtTheBottomInItsColourAndToggles) {
  window->ShowLockScreen();
  const BrivakBar& bar = window->Bar();
  EXPECT_EQ(bar.geometry(), QRect(0, 1024 - 85, 1280, 85));
  EXPECT_EQ(bar.palette().color(QPalette::Window), QColor(48, 48, 48));
  window->Bar().ToggleCollapsed();
  EXPECT_EQ(window->Bar().geometry(), QRect(0, 1024 - 6, 1280, 6));
  window->Bar().ToggleCollapsed();
  window->Bar().ToggleTall();
  EXPECT_EQ(window->Bar().geometry(), QRect(0, 1024 - 340, 1280, 340));
  window->Bar().ToggleTall();
  EXPECT_EQ(window->Bar().BarHeight(), 85);
  // The panel at the right edge: 118 x 73, five pixels in.
  const QWidget* panel = window->Bar().findChild<QWidget*>(QStringLiteral("panSysInfo"));
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(panel->geometry().right(), 1280 - 5 - 1);
  EXPECT_EQ(panel->size(), QSize(118, 73));
}

TEST_F(TfrmMainTest, TheBarsConsoleShowsTheConsoleAndIsEmptiedPastItsLimit) {
  BrivakBar bar(nullptr, Qt::black);
  bar.SetConsoleLines({"one", "two"});
  EXPECT_EQ(bar.ConsoleText(), QStringLiteral("one\ntwo"));
  std::vector<std::string> many(2000, std::string(60, 'x'));
  bar.SetConsoleLines(many);
  EXPECT_EQ(bar.ConsoleText(), QString()) << "past 100,000 characters";
}

TEST_F(TfrmMainTest, AWindowsKeyAloneOpensTheMenu) {
  window->ShowLockScreen();
  QKeyEvent press(QEvent::KeyPress, Qt::Key_Super_L, Qt::NoModifier);
  QApplication::sendEvent(window.get(), &press);
  ASSERT_EQ(events.keys.size(), 1u);
  EXPECT_EQ(events.keys[0].key, core::LockKey::LeftWin);
  EXPECT_TRUE(PumpUntil([&] { return window->LockMenu().isVisible(); }));
  window->LockMenu().hide();
}

TEST_F(TfrmMainTest, AMessageDoesNotBlockAndANewOneReplacesIt) {
  window->ShowLockScreen();
  window->MessageBox("Incorrect username/password. ", "Brivak", core::MessageIcon::Stop);  // returns at once
  QPointer<QMessageBox> first = window->CurrentMessage();
  ASSERT_FALSE(first.isNull());
  EXPECT_TRUE(first->isVisible());
  EXPECT_EQ(first->text(), QStringLiteral("Incorrect username/password. "));
  EXPECT_EQ(first->windowTitle(), QStringLiteral("Brivak"));
  EXPECT_EQ(first->icon(), QMessageBox::Critical);
  window->MessageBox("second", "Brivak", core::MessageIcon::Information);
  ASSERT_TRUE(PumpUntil([&] { return first.isNull(); }));
  ASSERT_NE(window->CurrentMessage(), nullptr);
  EXPECT_EQ(window->CurrentMessage()->text(), QStringLiteral("second"));
  window->CloseWindow();
  EXPECT_TRUE(PumpUntil([&] { return window->CurrentMessage() == nullptr; }));
}

TEST_F(TfrmMainTest, ACloseRequestWhileLockedAsksTheSessionAndTheWindowStays) {
  window->ShowLockScreen();
  events.allowClose = false;
  EXPECT_FALSE(window->close());
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(events.calls, (std::vector<std::string>{"closequery"}));
}

TEST_F(TfrmMainTest, CountdownLabelShowsAndHides) {
  window->ShowLockScreen();
  window->ShowCountdown("299 seconds");
  EXPECT_TRUE(window->CountdownLabel().isVisible());
  EXPECT_EQ(window->CountdownLabel().text(), QStringLiteral("299 seconds"));
  window->HideCountdown();
  EXPECT_FALSE(window->CountdownLabel().isVisible());
}

TEST_F(TfrmMainTest, CloseWindowReleasesCoversAndGrabsAndSendsNoMoreEvents) {
  window->ShowLockScreen();
  window->FillScreen();
  window->TakeInputGrabs();
  ASSERT_EQ(window->Covers().Count(), 1u);
  window->CloseWindow();
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(window->Covers().Count(), 0u);
  EXPECT_EQ(guard.Calls().back(), "release");
  Press(window.get(), Qt::Key_Tab, Qt::AltModifier);
  EXPECT_TRUE(events.keys.empty());
  EXPECT_TRUE(window->close());  // the window may go now
}

}  // namespace
}  // namespace brivak::ui
