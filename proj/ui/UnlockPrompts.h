// TfrmUnlock and TfrmUserUnlock, the prompts of Authorize.
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

// `TfrmUnlock`: the single-user prompt. Wrong passwords keep it open.
class UnlockPrompt : public QDialog {
  Q_OBJECT
 public:
  UnlockPrompt(QWidget* parent, PasswordContext& context, std::string activity,
               MessageFunction messages = StandardMessages(true));

  QLineEdit* PasswordBox() const { return password_; }
  QPushButton* OkButton() const { return ok_; }
  QPushButton* CancelButton() const { return cancel_; }
  QLabel* Instruction() const { return instruction_; }

 private:
  void OkClick();

  PasswordContext& context_;
  std::string activity_;
  MessageFunction messages_;
  QLabel* instruction_;
  QLineEdit* password_;
  QPushButton* ok_;
  QPushButton* cancel_;
};

// `TfrmUserUnlock`: the multi-user prompt. OK ends it with kModalOk and AccessLevelGranted 1 or 2;
// a failed login ends it with kModalNo (7); Cancel with kModalCancel.
class UserUnlockPrompt : public QDialog {
  Q_OBJECT
 public:
  UserUnlockPrompt(QWidget* parent, PasswordContext& context, std::string activity);

  int AccessLevelGranted() const { return accessLevelGranted_; }
  QLineEdit* UserBox() const { return user_; }
  QLineEdit* PasswordBox() const { return password_; }
  QLabel* UserLabel() const { return userLabel_; }
  QLabel* Instruction() const { return instruction_; }
  QPushButton* OkButton() const { return ok_; }
  QPushButton* CancelButton() const { return cancel_; }
  QTimer* ResetTimer() const { return timer_; }
  int numAs() const { return numAs_.numAs(); }
  // Fills in "administrator" and moves on to the password box (the three shortcuts).
  void UseAdministrator();

  void reject() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void OkClick();
  void UpdateOk();

  PasswordContext& context_;
  std::string activity_;
  int accessLevelGranted_ = 0;
  core::AdministratorShortcut numAs_;
  QLabel* instruction_;
  QLabel* userLabel_;
  QLineEdit* user_;
  QLineEdit* password_;
  QPushButton* ok_;
  QPushButton* cancel_;
  QTimer* timer_;
};

}  // namespace brivak::ui
