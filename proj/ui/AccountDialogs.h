// TfrmFirstTime, TfrmChangePassword and TfrmEditUser.
#pragma once

#include <QDialog>

#include <string>

#include "proj/ui/PasswordDialogBase.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace brivak::ui {

// `TfrmFirstTime`: asks for the master password. Esc does nothing (there is no Cancel).
class FirstTimeDialog : public QDialog {
  Q_OBJECT
 public:
  FirstTimeDialog(QWidget* parent, PasswordContext& context,
                  MessageFunction messages = StandardMessages(true));

  QLineEdit* PasswordBox() const { return password_; }
  QLineEdit* ConfirmBox() const { return confirm_; }
  QPushButton* OkButton() const { return ok_; }
  QPushButton* ExitButton() const { return exit_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void OkClick();
  void UpdateOk();

  PasswordContext& context_;
  MessageFunction messages_;
  QLineEdit* password_;
  QLineEdit* confirm_;
  QPushButton* ok_;
  QPushButton* exit_;
};

// `TfrmChangePassword`: submitted by Enter in the three boxes; OK stays disabled.
class ChangePasswordDialog : public QDialog {
  Q_OBJECT
 public:
  ChangePasswordDialog(QWidget* parent, PasswordContext& context,
                       MessageFunction messages = StandardMessages());

  QLineEdit* OldBox() const { return old_; }
  QLineEdit* NewBox() const { return new_; }
  QLineEdit* ConfirmBox() const { return confirm_; }
  QPushButton* OkButton() const { return ok_; }
  QPushButton* CancelButton() const { return cancel_; }
  // The OK action (Enter in "&Confirm:" with text).
  void OkAction();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  PasswordContext& context_;
  MessageFunction messages_;
  QLineEdit* old_;
  QLineEdit* new_;
  QLineEdit* confirm_;
  QPushButton* ok_;
  QPushButton* cancel_;
};

// `TfrmEditUser`: one entry of the user list; the result is read after OK.
class EditUserDialog : public QDialog {
  Q_OBJECT
 public:
  EditUserDialog(QWidget* parent, const EditUserRequest& request,
                 MessageFunction messages = StandardMessages());

  EditUserResult Result() const;
  core::EditUserFields Fields() const;
  QLineEdit* UserBox() const { return user_; }
  QLineEdit* PasswordBox() const { return password_; }
  QLineEdit* ConfirmBox() const { return confirm_; }
  QLabel* ConfirmLabel() const { return confirmLabel_; }
  QComboBox* AccessList() const { return access_; }
  QPushButton* OkButton() const { return ok_; }
  QPushButton* CancelButton() const { return cancel_; }
  // Enter anywhere in the dialog: the focus steps (swallowed).
  void HandleEnter();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void OkClick();
  void UpdateOk();
  void LeaveClickToChange();
  bool ShowsClickToChange() const;

  bool addMode_;
  MessageFunction messages_;
  bool clickToChange_ = false;
  QLineEdit* user_;
  QLineEdit* password_;
  QLineEdit* confirm_;
  QLabel* confirmLabel_;
  QComboBox* access_;
  QPushButton* ok_;
  QPushButton* cancel_;
};

}  // namespace brivak::ui
