// The manager's dialogs and tabs: login, user editor, shutdown options, message, log viewer.
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QButtonGroup>
#include <QApplication>
#include <QKeyEvent>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "common/UserList.h"
#include "manager/core/Login.h"
#include "manager/ui/LogViewerPage.h"
#include "manager/ui/TfrmEditUser.h"
#include "manager/ui/TfrmLeaveMessage.h"
#include "manager/ui/TfrmShutdown.h"
#include "manager/ui/TfrmUserUnlock.h"
#include "tests/support/TempDir.h"
#include "support/Disk.h"

namespace brivak::manager {
namespace {

// A key pressed and released on `widget`, as the keyboard delivers it.
void KeyClick(QWidget* widget, Qt::Key key, const QString& text = {}) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QApplication::sendEvent(widget, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
  QApplication::sendEvent(widget, &release);
}

class LoginDialogTest : public ::testing::Test {
 protected:
  LoginDialogTest() : users_(brivak::test::Disk(), dir_.File("userlist.dat")) {
    users_.AddUser("administrator", "right", kLevelAdmin);
    users_.AddUser("viewer", "right", kLevelNone);
  }
  test::TempDir dir_;
  UserList users_;
};

TEST_F(LoginDialogTest, OkNeedsBothBoxesAndARightPasswordAccepts) {
  ManagerLogin login(users_);
  TfrmUserUnlock dialog(login);
  EXPECT_EQ(dialog.windowTitle(), "Brivak Manager");
  EXPECT_EQ(dialog.edtUsername()->text(), "administrator");
  EXPECT_EQ(dialog.edtPassword()->echoMode(), QLineEdit::Password);
  EXPECT_FALSE(dialog.btnOK()->isEnabled());
  dialog.edtPassword()->setText("right");
  EXPECT_TRUE(dialog.btnOK()->isEnabled());
  dialog.btnOK()->click();
  EXPECT_EQ(dialog.Outcome(), LoginOutcome::Accepted);
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(login.aUsername(), "administrator");
  EXPECT_EQ(login.aPassword(), "right");
}

TEST_F(LoginDialogTest, ALevelNoneOrAWrongPasswordIsRefusedAndCancelIsCancel) {
  struct Case {
    const char* user;
    const char* password;
    LoginOutcome outcome;
  };
  for (const Case& c : {Case{"viewer", "right", LoginOutcome::Refused},
                        Case{"administrator", "wrong", LoginOutcome::Refused},
                        Case{"nobody", "right", LoginOutcome::Refused}}) {
    ManagerLogin login(users_);
    TfrmUserUnlock dialog(login);
    dialog.edtUsername()->setText(c.user);
    dialog.edtPassword()->setText(c.password);
    dialog.btnOK()->click();
    EXPECT_EQ(dialog.Outcome(), c.outcome) << c.user;
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(login.Message(), kLoginRefusedText);
  }
  ManagerLogin login(users_);
  TfrmUserUnlock dialog(login);
  KeyClick(&dialog, Qt::Key_Escape);
  EXPECT_EQ(dialog.Outcome(), LoginOutcome::Cancelled);
}

TEST(EditUserDialogTest, EditModeKeepsTheHashUntilThePasswordIsTyped) {
  TfrmEditUser dialog(false);
  dialog.SetUser("bob", kLevelUnlock);
  EXPECT_EQ(dialog.windowTitle(), "Edit User");
  EXPECT_EQ(dialog.edtPassword()->text(), kClickToChange);
  EXPECT_FALSE(dialog.edtConfirm()->isEnabled());
  EXPECT_EQ(dialog.cboAccess()->currentText(), "Unlock Brivak");
  EXPECT_TRUE(dialog.btnOK()->isEnabled());
  EXPECT_FALSE(dialog.NewPassword().has_value());

  KeyClick(dialog.edtPassword(), Qt::Key_N, "n");  // the first key clears the placeholder
  EXPECT_EQ(dialog.edtPassword()->text(), "n");
  EXPECT_EQ(dialog.edtPassword()->echoMode(), QLineEdit::Password);
  EXPECT_TRUE(dialog.edtConfirm()->isEnabled());
  EXPECT_FALSE(dialog.btnOK()->isEnabled());  // the two boxes differ
  dialog.edtConfirm()->setText("n");
  EXPECT_TRUE(dialog.btnOK()->isEnabled());
  EXPECT_EQ(dialog.NewPassword(), std::optional<std::string>("n"));
}

TEST(EditUserDialogTest, AddModeNeedsTwoCharacterNamesAndThreeCharacterPasswords) {
  TfrmEditUser dialog(true);
  EXPECT_EQ(dialog.windowTitle(), "Add User");
  dialog.edtUsername()->setText("a");
  dialog.edtPassword()->setText("abc");
  dialog.edtConfirm()->setText("abc");
  EXPECT_FALSE(dialog.btnOK()->isEnabled());
  dialog.edtUsername()->setText("ab");
  EXPECT_TRUE(dialog.btnOK()->isEnabled());
  dialog.edtConfirm()->setText("ab");
  EXPECT_FALSE(dialog.btnOK()->isEnabled());
}

TEST(ShutdownDialogTest, TheChoicesBecomeTheFlagText) {
  TfrmShutdown dialog;
  EXPECT_EQ(ShutdownFlagText(dialog.Options()), "");
  dialog.rgShutdownType()->button(static_cast<int>(ShutdownAction::Restart))->setChecked(true);
  dialog.chkForce()->setChecked(true);
  dialog.chkShutdownComment()->setChecked(true);
  dialog.edShutdownComment()->setText("bye");
  dialog.chkTimeout()->setChecked(true);
  dialog.spinSecs()->setValue(30);
  EXPECT_EQ(ShutdownFlagText(dialog.Options()), "-r -f -c \"bye\" -t 30");
}

TEST(LeaveMessageDialogTest, AnEmptyMessageMakesNoCommand) {
  TfrmLeaveMessage dialog;
  dialog.edtFrom()->setText("desk");
  EXPECT_FALSE(dialog.Command().has_value());
  dialog.memMessage()->setPlainText("two\nlines");
  const std::optional<CommandCall> call = dialog.Command();
  ASSERT_TRUE(call.has_value());
  EXPECT_EQ(call->command, "remotemessage");
}

class LogViewerPageTest : public ::testing::Test {
 protected:
  LogViewerPageTest()
      : page_(
            [this](const std::string& host, const CalendarDate& date,
                   std::function<void(FetchResult<std::vector<int>>)> done) {
              listHosts_.push_back(host);
              listDates_.push_back(date);
              listDone_ = std::move(done);
            },
            [this](const std::string& host, const CalendarDate&, std::function<void(FetchResult<std::string>)> done) {
              logHosts_.push_back(host);
              logDone_ = std::move(done);
            }) {}

  std::vector<std::string> listHosts_;
  std::vector<CalendarDate> listDates_;
  std::vector<std::string> logHosts_;
  std::function<void(FetchResult<std::vector<int>>)> listDone_;
  std::function<void(FetchResult<std::string>)> logDone_;
  LogViewerPage page_;
};

TEST_F(LogViewerPageTest, ANewHostLoadsItsMonthAndBoldsTheListedDays) {
  page_.calendar()->setCurrentPage(2026, 2);
  page_.SetHost("127.0.0.2");
  ASSERT_EQ(listHosts_, std::vector<std::string>{"127.0.0.2"});
  EXPECT_EQ(listDates_.back().month, 2);
  listDone_(FetchResult<std::vector<int>>::Ok({1, 12, 30}));  // February has no 30th
  EXPECT_EQ(page_.BoldDaysShown(), (std::vector<int>{1, 12}));
  EXPECT_EQ(page_.calendar()->dateTextFormat(QDate(2026, 2, 12)).fontWeight(), QFont::Bold);

  listDone_(FetchResult<std::vector<int>>::Fail("refused"));  // a later failure keeps the bold days
  EXPECT_EQ(page_.BoldDaysShown(), (std::vector<int>{1, 12}));
  EXPECT_EQ(page_.lblLogStatus()->text(), "refused");
}

TEST_F(LogViewerPageTest, AFailedDayFetchKeepsThePreviousLogAndEnablesTheCalendar) {
  page_.SetHost("127.0.0.2");
  page_.LoadDay({2026, 3, 4});
  EXPECT_FALSE(page_.calendar()->isEnabled());
  logDone_(FetchResult<std::string>::Ok("one\r\ntwo\r\nthree\r\n"));
  EXPECT_TRUE(page_.calendar()->isEnabled());
  EXPECT_EQ(page_.lblLines()->text(), "3 lines");
  const QString shown = page_.memLog()->toPlainText();

  page_.LoadDay({2026, 3, 5});
  logDone_(FetchResult<std::string>::Fail("Connection timed out (127.0.0.2)"));
  EXPECT_TRUE(page_.calendar()->isEnabled());
  EXPECT_EQ(page_.memLog()->toPlainText(), shown);
  EXPECT_EQ(page_.lblLogStatus()->text(), "Connection timed out (127.0.0.2)");
}

TEST_F(LogViewerPageTest, ADayLogOfAnEarlierComputerIsNotShown) {
  page_.SetHost("127.0.0.2");
  page_.LoadDay({2026, 3, 4});
  auto late = std::move(logDone_);
  page_.SetHost("127.0.0.3");
  EXPECT_TRUE(page_.calendar()->isEnabled());
  late(FetchResult<std::string>::Ok("old computer's log"));
  EXPECT_TRUE(page_.memLog()->toPlainText().isEmpty());
}

}  // namespace
}  // namespace brivak::manager
