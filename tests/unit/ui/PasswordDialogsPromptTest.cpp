// The unlock prompts and Authorize, driven without a blocking exec() except where Authorize itself
// is under test (then a zero timer drives the open dialog).
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include "common/Hash.h"
#include "unit/ui/PasswordDialogsTestSupport.h"

namespace brivak::ui {
namespace {

using test::PasswordFixture;

void Type(QWidget* target, Qt::Key key, const QString& text, QEvent::Type type = QEvent::KeyPress) {
  QKeyEvent event(type, key, Qt::NoModifier, text);
  QCoreApplication::sendEvent(target, &event);
}

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

class PasswordPromptsUiTest : public ::testing::Test, public PasswordFixture {};

TEST_F(PasswordPromptsUiTest, UnlockPromptRefusesAWrongPasswordAndStaysOpen) {
  settings.Security.passwordHash = Hash("secret");
  UnlockPrompt prompt(nullptr, context, "view Logs", Messages());
  EXPECT_EQ(prompt.windowTitle(), "Unlock Brivak");
  EXPECT_EQ(prompt.Instruction()->text(), "Enter password to view Logs");
  EXPECT_FALSE(prompt.OkButton()->isEnabled());
  prompt.PasswordBox()->setText("wrong");
  ASSERT_TRUE(prompt.OkButton()->isEnabled());
  prompt.OkButton()->click();

  EXPECT_EQ(prompt.result(), 0);  // not closed
  EXPECT_TRUE(prompt.PasswordBox()->text().isEmpty());
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].title, "Error");
  EXPECT_EQ(messages[0].text, "Incorrect password..");
  EXPECT_TRUE(Contains(log.Channel("debug"), "Security Event: Incorrect password to view Logs"));
  EXPECT_EQ(port.sent, std::vector<std::string>{"127.0.0.1 /se:Incorrect password to view Logs"});

  prompt.PasswordBox()->setText("secret");
  prompt.OkButton()->click();
  EXPECT_EQ(prompt.result(), QDialog::Accepted);
}

class PasswordUserPromptTest : public PasswordPromptsUiTest {
 protected:
  void SetUp() override {
    settings.Security.MultiUser = true;
    users.AddUser("administrator", "master", 2);
    users.AddUser("bob", "bobpw", 1);
    users.AddUser("eve", "evepw", 0);
  }
};

TEST_F(PasswordUserPromptTest, GrantsTheUsersLevel) {
  UserUnlockPrompt prompt(nullptr, context, "change Options");
  EXPECT_FALSE(prompt.OkButton()->isEnabled());
  prompt.UserBox()->setText("bob");
  EXPECT_FALSE(prompt.OkButton()->isEnabled());
  prompt.PasswordBox()->setText("bobpw");
  ASSERT_TRUE(prompt.OkButton()->isEnabled());
  prompt.OkButton()->click();
  EXPECT_EQ(prompt.result(), QDialog::Accepted);
  EXPECT_EQ(prompt.AccessLevelGranted(), 1);
}

TEST_F(PasswordUserPromptTest, DisabledAccountAndWrongPasswordEndWithNo) {
  for (const auto& [user, password] : {std::pair{"eve", "evepw"}, std::pair{"bob", "nope"},
                                       std::pair{"nobody", "x"}}) {
    SCOPED_TRACE(user);
    port.sent.clear();
    UserUnlockPrompt prompt(nullptr, context, "change Options");
    prompt.UserBox()->setText(user);
    prompt.PasswordBox()->setText(password);
    prompt.OkButton()->click();
    EXPECT_EQ(prompt.result(), 7);
    EXPECT_EQ(prompt.AccessLevelGranted(), -1);
    EXPECT_EQ(port.sent, std::vector<std::string>{"127.0.0.1 /se:Incorrect password to change Options"});
  }
}

TEST_F(PasswordUserPromptTest, CancelGrantsNothing) {
  UserUnlockPrompt prompt(nullptr, context, "change Options");
  prompt.CancelButton()->click();
  EXPECT_EQ(prompt.result(), QDialog::Rejected);
  EXPECT_EQ(prompt.AccessLevelGranted(), 0);
}

TEST_F(PasswordUserPromptTest, ThreeAsOrADoubleClickFillInAdministrator) {
  UserUnlockPrompt typed(nullptr, context, "x");
  for (int i = 0; i < 3; ++i) Type(typed.UserBox(), Qt::Key_A, i == 1 ? "A" : "a");
  EXPECT_EQ(typed.UserBox()->text(), "administrator");
  EXPECT_EQ(typed.focusWidget(), typed.PasswordBox());

  UserUnlockPrompt slow(nullptr, context, "x");
  Type(slow.UserBox(), Qt::Key_A, "a");
  Type(slow.UserBox(), Qt::Key_A, "a");
  ASSERT_EQ(slow.numAs(), 2);
  // A timer period ends.
  slow.ResetTimer()->setInterval(1);
  QElapsedTimer deadline;
  deadline.start();
  while (slow.numAs() != 0 && deadline.elapsed() < 5000) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  ASSERT_EQ(slow.numAs(), 0);
  Type(slow.UserBox(), Qt::Key_A, "a");
  EXPECT_EQ(slow.UserBox()->text(), "aaa");

  UserUnlockPrompt clicked(nullptr, context, "x");
  QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton,
                  Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(clicked.UserLabel(), &dbl);
  EXPECT_EQ(clicked.UserBox()->text(), "administrator");
  EXPECT_EQ(clicked.UserLabel()->text(), "&Username:");
  EXPECT_EQ(clicked.UserLabel()->toolTip(), "Double-click to use 'administrator'");
}

TEST_F(PasswordUserPromptTest, EnterInTheUserNameMovesOnWithoutSubmitting) {
  UserUnlockPrompt prompt(nullptr, context, "x");
  prompt.UserBox()->setText("bob");
  prompt.PasswordBox()->setText("bobpw");
  Type(prompt.UserBox(), Qt::Key_Return, "\r");
  EXPECT_EQ(prompt.focusWidget(), prompt.PasswordBox());
  EXPECT_EQ(prompt.result(), 0);
}

TEST_F(PasswordUserPromptTest, WidthFollowsTheInstruction) {
  UserUnlockPrompt prompt(nullptr, context, "x");
  prompt.show();
  EXPECT_GE(prompt.width(), 332);
  prompt.close();
}

// Drives the modal dialog that Authorize opens, once it is shown.
template <typename Dialog, typename Action>
void WhenShown(Action action) {
  QTimer::singleShot(0, [action] {
    auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr) {
      ADD_FAILURE() << "no prompt shown";
      return;
    }
    action(*dialog);
  });
}

TEST_F(PasswordUserPromptTest, AuthorizeRefusesALevelTooLow) {
  settings.Logging.LogBadPasswords = true;
  WhenShown<UserUnlockPrompt>([](UserUnlockPrompt& p) {
    p.UserBox()->setText("bob");
    p.PasswordBox()->setText("bobpw");
    p.OkButton()->click();
  });
  EXPECT_FALSE(Authorize(nullptr, context, "change Options", 2));
  EXPECT_EQ(log.Channel("mem"), std::vector<std::string>{"Unlock"});
  EXPECT_TRUE(Contains(log.Channel("debug"), "42Authorize: change Options"));
  EXPECT_TRUE(Contains(log.Channel("debug"),
                       "Security Event: You don't have the proper credentials to change Options"));
}

TEST_F(PasswordUserPromptTest, AuthorizeReportsAFailedLoginOnce) {
  settings.Logging.LogBadPasswords = true;
  WhenShown<UserUnlockPrompt>([](UserUnlockPrompt& p) {
    p.UserBox()->setText("bob");
    p.PasswordBox()->setText("bad");
    p.OkButton()->click();
  });
  EXPECT_FALSE(Authorize(nullptr, context, "Exit Brivak", 1));
  const auto logLines = log.Channel("log");
  EXPECT_TRUE(Contains(logLines, "Exit Brivak: BAD USER/PASSWORD"));
  EXPECT_TRUE(Contains(logLines, "Security Event: Bad User/Password in Authorize routine (Exit Brivak)"));
}

TEST_F(PasswordPromptsUiTest, AuthorizeSingleUserGrantsAdminWithTheMasterPassword) {
  settings.Security.passwordHash = Hash("secret");
  settings.Security.UserExitBrivak = false;
  WhenShown<UnlockPrompt>([](UnlockPrompt& p) {
    p.PasswordBox()->setText("secret");
    p.OkButton()->click();
  });
  EXPECT_TRUE(Authorize(nullptr, context, "change Options", 2));
  EXPECT_TRUE(Contains(log.Channel("debug"), "frmUnlock.Create"));

  WhenShown<UnlockPrompt>([](UnlockPrompt& p) { p.reject(); });
  EXPECT_FALSE(Authorize(nullptr, context, "change Options", 2));
  EXPECT_TRUE(Contains(log.Channel("debug"), "Modal Result: cancel"));
}

}  // namespace
}  // namespace brivak::ui
