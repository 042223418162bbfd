// The manager's login dialog: a user name and password checked once against the manager's own
// user list (core ManagerLogin). Accepted leaves the pair in the ManagerLogin; a refusal or a
// cancel ends the program (the caller shows kLoginRefusedText after a refusal).
// Thread-safety: user-interface thread only.
#pragma once

#include <QDialog>

#include "manager/core/Login.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace brivak::manager {

class TfrmUserUnlock : public QDialog {
  Q_OBJECT

 public:
  // `login` must outlive the dialog.
  explicit TfrmUserUnlock(ManagerLogin& login, QWidget* parent = nullptr);

  QLineEdit* edtUsername() const { return edtUsername_; }
  QLineEdit* edtPassword() const { return edtPassword_; }
  QPushButton* btnOK() const { return btnOK_; }
  // The decision (Pending while the dialog has not been answered).
  LoginOutcome Outcome() const { return login_.Outcome(); }

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void reject() override;  // "&Cancel", Esc, closing the window

 private:
  void UpdateOk();
  void Submit();

  ManagerLogin& login_;
  QLabel* label_;
  QLineEdit* edtUsername_;
  QLineEdit* edtPassword_;
  QPushButton* btnOK_;
  QPushButton* btnCancel_;
};

}  // namespace brivak::manager
