// The user editor dialog of the "Users" tab ("Add User" / "Edit User"): a name of at least two
// characters, a password of at least three typed twice, and the access level 0..2. In edit mode
// the password box shows "(click to change)" until it is clicked or typed into; then the stored
// hash is kept (NewPassword() is empty).
// Thread-safety: user-interface thread only.
#pragma once

#include <QDialog>

#include <optional>
#include <string>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace brivak::manager {

inline constexpr const char* kClickToChange = "(click to change)";

class TfrmEditUser : public QDialog {
  Q_OBJECT

 public:
  // Add mode: every box empty, level 0. Edit mode: the given name and level, password untouched.
  explicit TfrmEditUser(bool addMode, QWidget* parent = nullptr);
  void SetUser(const std::string& name, int level);

  bool AddMode() const { return addMode_; }
  std::string UserName() const;
  // The typed password; nothing while the box still shows "(click to change)".
  std::optional<std::string> NewPassword() const;
  int Level() const;

  QLineEdit* edtUsername() const { return edtUsername_; }
  QLineEdit* edtPassword() const { return edtPassword_; }
  QLineEdit* edtConfirm() const { return edtConfirm_; }
  QComboBox* cboAccess() const { return cboAccess_; }
  QPushButton* btnOK() const { return btnOK_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  bool Untouched() const;  // the password box still shows "(click to change)"
  bool PasswordLongEnough() const;
  void StartPasswordChange();
  void UpdateOk();
  void Ok();

  bool addMode_;
  QLineEdit* edtUsername_;
  QLineEdit* edtPassword_;
  QLineEdit* edtConfirm_;
  QLabel* lblConfirm_;
  QComboBox* cboAccess_;
  QPushButton* btnOK_;
  QPushButton* btnCancel_;
};

}  // namespace brivak::manager
