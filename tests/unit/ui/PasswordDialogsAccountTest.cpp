// The first-time, change-password and user dialogs, driven without exec().
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>

#include <gtest/gtest.h>

#include "common/Hash.h"
#include "unit/ui/PasswordDialogsTestSupport.h"

namespace brivak::ui {
namespace {

void Key(QWidget* target, Qt::Key key, const QString& text, QEvent::Type type = QEvent::KeyPress) {
  QKeyEvent event(type, key, Qt::NoModifier, text);
  QCoreApplication::sendEvent(target, &event);
}

void Enter(QWidget* target) {
  Key(target, Qt::Key_Return, "\r", QEvent::KeyPress);
  Key(target, Qt::Key_Return, "\r", QEvent::KeyRelease);
}

class PasswordDialogsAccountTest : public ::testing::Test, public test::PasswordFixture {};

TEST_F(PasswordDialogsAccountTest, FirstTimeNeedsThreeEqualCharacters) {
  FirstTimeDialog dialog(nullptr, context, Messages());
  EXPECT_EQ(dialog.windowTitle(), "Brivak Master Password");
  dialog.PasswordBox()->setText("ab");
  dialog.ConfirmBox()->setText("ab");
  EXPECT_FALSE(dialog.OkButton()->isEnabled());
  dialog.PasswordBox()->setText("abc");
  EXPECT_FALSE(dialog.OkButton()->isEnabled());
  dialog.ConfirmBox()->setText("abc");
  EXPECT_TRUE(dialog.OkButton()->isEnabled());
}

TEST_F(PasswordDialogsAccountTest, FirstTimeStoresTheMasterPasswordInTheFormInUse) {
  for (const bool ini : {true, false}) {
    SCOPED_TRACE(ini ? "INI mode" : "registry form");
    test::PasswordFixture f;
    f.context.iniMode = ini;
    FirstTimeDialog dialog(nullptr, f.context, f.Messages());
    dialog.PasswordBox()->setText("master");
    Enter(dialog.PasswordBox());
    EXPECT_EQ(dialog.focusWidget(), dialog.ConfirmBox());
    dialog.ConfirmBox()->setText("master");
    Enter(dialog.ConfirmBox());  // presses OK

    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(f.settings.Security.passwordHash, Hash("master"));
    EXPECT_EQ(ini ? f.IniHash() : f.RegistryHash(), Hash("master"));
    EXPECT_EQ(ini ? f.RegistryHash() : f.IniHash(), "<none>");
    EXPECT_EQ(Authenticate(f.users, "", "master", f.log, {}), 2);
  }
}

TEST_F(PasswordDialogsAccountTest, FirstTimeExitAsksToTerminateAndEscDoesNothing) {
  FirstTimeDialog dialog(nullptr, context, Messages());
  Key(&dialog, Qt::Key_Escape, "");
  EXPECT_EQ(exitRequests, 0);
  dialog.ExitButton()->click();
  EXPECT_EQ(exitRequests, 1);
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  EXPECT_TRUE(settings.Security.passwordHash.empty());
}

TEST_F(PasswordDialogsAccountTest, FirstTimeUnsavedPasswordIsNotInForce) {
  registry.FailNextWrite();
  FirstTimeDialog dialog(nullptr, context, Messages());
  dialog.PasswordBox()->setText("master");
  dialog.ConfirmBox()->setText("master");
  dialog.OkButton()->click();
  EXPECT_EQ(dialog.result(), 0);
  EXPECT_TRUE(settings.Security.passwordHash.empty());
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].title, "Error");
}

class PasswordChangeTest : public PasswordDialogsAccountTest {
 protected:
  void SetUp() override { settings.Security.passwordHash = Hash("oldpw"); }

  void Submit(ChangePasswordDialog& d, const char* oldPw, const char* newPw, const char* confirm) {
    d.OldBox()->setText(oldPw);
    Enter(d.OldBox());
    EXPECT_EQ(d.focusWidget(), d.NewBox());
    d.NewBox()->setText(newPw);
    Enter(d.NewBox());
    EXPECT_EQ(d.focusWidget(), d.ConfirmBox());
    d.ConfirmBox()->setText(confirm);
    Enter(d.ConfirmBox());
  }
};

TEST_F(PasswordChangeTest, InIniModeTheIniFormIsSaved) {
  context.iniMode = true;
  ChangePasswordDialog dialog(nullptr, context, Messages());
  EXPECT_EQ(dialog.windowTitle(), "Change Brivak Password");
  EXPECT_FALSE(dialog.OkButton()->isEnabled());
  Submit(dialog, "oldpw", "newpw", "newpw");
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(IniHash(), Hash("newpw"));
  EXPECT_EQ(RegistryHash(), "<none>");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].title, "Password Changed");
  EXPECT_EQ(messages[0].text, "Password successfully changed.");
  EXPECT_FALSE(dialog.OkButton()->isEnabled());
}

TEST_F(PasswordChangeTest, OutsideIniModeTheRegistryFormIsSaved) {
  ChangePasswordDialog dialog(nullptr, context, Messages());
  Submit(dialog, "oldpw", "newpw", "newpw");
  EXPECT_EQ(RegistryHash(), Hash("newpw"));
  EXPECT_EQ(IniHash(), "<none>");
}

TEST_F(PasswordChangeTest, WrongOldClearsAllAndMismatchClearsTheNewOnes) {
  ChangePasswordDialog dialog(nullptr, context, Messages());
  Submit(dialog, "bad", "newpw", "newpw");
  EXPECT_EQ(dialog.result(), 0);
  EXPECT_TRUE(dialog.OldBox()->text().isEmpty() && dialog.NewBox()->text().isEmpty() &&
              dialog.ConfirmBox()->text().isEmpty());
  EXPECT_EQ(dialog.focusWidget(), dialog.OldBox());

  Submit(dialog, "oldpw", "newpw", "other");
  EXPECT_EQ(dialog.result(), 0);
  EXPECT_EQ(dialog.OldBox()->text(), "oldpw");
  EXPECT_TRUE(dialog.NewBox()->text().isEmpty() && dialog.ConfirmBox()->text().isEmpty());
  EXPECT_EQ(dialog.focusWidget(), dialog.NewBox());

  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0].text, "Your old password is incorrect.");
  EXPECT_EQ(messages[1].text, "New and Confirm fields do not match. Please reenter your new password.");
  EXPECT_EQ(settings.Security.passwordHash, Hash("oldpw"));
  EXPECT_EQ(registry.WriteCount(), 0);
}

TEST_F(PasswordDialogsAccountTest, AddUserWritesTheUser) {
  const EditUserRequest request{true, "Add User", "", 0};
  EditUserDialog dialog(nullptr, request, Messages());
  EXPECT_EQ(dialog.windowTitle(), "Add User");
  EXPECT_EQ(dialog.AccessList()->count(), 3);
  EXPECT_EQ(dialog.AccessList()->itemText(2), "Configure Brivak (Admin)");
  EXPECT_FALSE(dialog.OkButton()->isEnabled());
  dialog.UserBox()->setText("bob");
  dialog.PasswordBox()->setText("abc");
  dialog.ConfirmBox()->setText("abd");
  dialog.AccessList()->setCurrentIndex(1);
  ASSERT_TRUE(dialog.OkButton()->isEnabled());
  dialog.OkButton()->click();
  EXPECT_EQ(dialog.result(), 0);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].title, "Passwords do not match");
  EXPECT_TRUE(dialog.PasswordBox()->text().isEmpty());

  dialog.PasswordBox()->setText("abc");
  dialog.ConfirmBox()->setText("abc");
  dialog.OkButton()->click();
  ASSERT_EQ(dialog.result(), QDialog::Accepted);
  ApplyEditUser(users, request, dialog.Result());
  EXPECT_EQ(Authenticate(users, "bob", "abc", log, {}), 1);
}

TEST_F(PasswordDialogsAccountTest, EditUserKeepsTheHashUntilThePasswordIsChanged) {
  users.AddUser("bob", "bobpw", 1);
  const EditUserRequest request{false, "Edit User", "bob", 1};
  EditUserDialog dialog(nullptr, request, Messages());
  EXPECT_EQ(dialog.PasswordBox()->text(), "(click to change)");
  EXPECT_EQ(dialog.PasswordBox()->echoMode(), QLineEdit::Normal);
  EXPECT_FALSE(dialog.ConfirmBox()->isEnabled());
  EXPECT_FALSE(dialog.ConfirmLabel()->isEnabled());
  EXPECT_EQ(dialog.AccessList()->currentIndex(), 1);
  EXPECT_TRUE(dialog.OkButton()->isEnabled());

  dialog.UserBox()->setText("robert");
  dialog.AccessList()->setCurrentIndex(2);
  dialog.OkButton()->click();
  ASSERT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_FALSE(dialog.Result().password.has_value());
  ApplyEditUser(users, request, dialog.Result());
  EXPECT_EQ(Authenticate(users, "robert", "bobpw", log, {}), 2);
  EXPECT_EQ(Authenticate(users, "bob", "bobpw", log, {}), kLevelUserNotFound);
}

TEST_F(PasswordDialogsAccountTest, TypingIntoClickToChangeStartsANewPassword) {
  const EditUserRequest request{false, "Edit User", "bob", 1};
  EditUserDialog dialog(nullptr, request, Messages());
  Key(dialog.PasswordBox(), Qt::Key_X, "x");
  EXPECT_EQ(dialog.PasswordBox()->text(), "x");
  EXPECT_EQ(dialog.PasswordBox()->echoMode(), QLineEdit::Password);
  EXPECT_TRUE(dialog.ConfirmBox()->isEnabled());
  EXPECT_FALSE(dialog.OkButton()->isEnabled());  // an emptied or short password is not stored

  EditUserDialog clicked(nullptr, request, Messages());
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(clicked.PasswordBox(), &press);
  EXPECT_TRUE(clicked.PasswordBox()->text().isEmpty());
  clicked.PasswordBox()->setText("newpw");
  clicked.ConfirmBox()->setText("newpw");
  EXPECT_TRUE(clicked.OkButton()->isEnabled());
  EXPECT_EQ(clicked.Result().password, std::optional<std::string>("newpw"));
}

TEST_F(PasswordDialogsAccountTest, EnterMovesTheFocusAndIsSwallowed) {
  EditUserDialog dialog(nullptr, EditUserRequest{true, "Add User", "", 0}, Messages());
  dialog.UserBox()->setText("bob");
  dialog.PasswordBox()->setText("abc");
  dialog.ConfirmBox()->setText("abc");
  dialog.UserBox()->setFocus();
  Enter(dialog.UserBox());
  EXPECT_EQ(dialog.focusWidget(), dialog.ConfirmBox());
  Enter(dialog.ConfirmBox());
  EXPECT_EQ(dialog.focusWidget(), dialog.AccessList());
  EXPECT_EQ(dialog.result(), 0);
  Enter(dialog.AccessList());
  EXPECT_EQ(dialog.focusWidget(), dialog.OkButton());
  EXPECT_EQ(dialog.result(), 0);
}

}  // namespace
}  // namespace brivak::ui
