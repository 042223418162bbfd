#include "manager/ui/TfrmEditUser.h"

#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "manager/core/RemoteUserList.h"
#include "manager/ui/QtText.h"

namespace brivak::manager {

TfrmEditUser::TfrmEditUser(bool addMode, QWidget* parent)
    : QDialog(parent),
      addMode_(addMode),
      edtUsername_(new QLineEdit(this)),
      edtPassword_(new QLineEdit(this)),
      edtConfirm_(new QLineEdit(this)),
      lblConfirm_(new QLabel(tr("&Confirm:"), this)),
      cboAccess_(new QComboBox(this)),
      btnOK_(new QPushButton(tr("OK"), this)),
      btnCancel_(new QPushButton(tr("Cancel"), this)) {
  setWindowTitle(addMode ? tr("Add User") : tr("Edit User"));
  edtUsername_->setObjectName("edtUsername");
  edtPassword_->setObjectName("edtPassword");
  edtConfirm_->setObjectName("edtConfirm");
  cboAccess_->addItems({tr("Account Disabled"), tr("Unlock Brivak"), tr("Configure Brivak (Admin)")});
  btnOK_->setAutoDefault(false);
  btnCancel_->setAutoDefault(false);

  auto* header = new QLabel(tr("Enter Username, Password, and confirm password.\r\n"
                               "Then choose what access level to give the user."),
                            this);
  auto* form = new QFormLayout;
  form->addRow(tr("&Username"), edtUsername_);
  form->addRow(tr("&Password:"), edtPassword_);
  form->addRow(lblConfirm_, edtConfirm_);
  form->addRow(tr("&Access:"), cboAccess_);
  lblConfirm_->setBuddy(edtConfirm_);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnOK_);
  buttons->addWidget(btnCancel_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(header);
  layout->addLayout(form);
  layout->addLayout(buttons);

  if (addMode_) {
    edtPassword_->setEchoMode(QLineEdit::Password);
    edtConfirm_->setEchoMode(QLineEdit::Password);
  } else {
    edtPassword_->setText(kClickToChange);  // shown plain until it is clicked or typed into
    edtConfirm_->setEnabled(false);
    lblConfirm_->setEnabled(false);
    edtPassword_->installEventFilter(this);
  }

  connect(edtUsername_, &QLineEdit::textChanged, this, [this] { UpdateOk(); });
  connect(edtPassword_, &QLineEdit::textChanged, this, [this] { UpdateOk(); });
  connect(edtConfirm_, &QLineEdit::textChanged, this, [this] { UpdateOk(); });
  connect(btnOK_, &QPushButton::clicked, this, [this] { Ok(); });
  connect(btnCancel_, &QPushButton::clicked, this, &QDialog::reject);
  UpdateOk();
}

void TfrmEditUser::SetUser(const std::string& name, int level) {
  edtUsername_->setText(ToQ(name));
  cboAccess_->setCurrentIndex(level >= 0 && level <= 2 ? level : 0);
}

std::string TfrmEditUser::UserName() const { return FromQ(edtUsername_->text()); }

std::optional<std::string> TfrmEditUser::NewPassword() const {
  if (Untouched()) return std::nullopt;
  return FromQ(edtPassword_->text());
}

int TfrmEditUser::Level() const { return cboAccess_->currentIndex() < 0 ? 0 : cboAccess_->currentIndex(); }

bool TfrmEditUser::Untouched() const {
  return !addMode_ && edtPassword_->echoMode() == QLineEdit::Normal && edtPassword_->text() == kClickToChange;
}

bool TfrmEditUser::PasswordLongEnough() const {
  return !Untouched() && static_cast<std::size_t>(edtPassword_->text().size()) >= kMinPasswordLength;
}

void TfrmEditUser::StartPasswordChange() {
  if (!Untouched()) return;
  edtPassword_->clear();
  edtConfirm_->clear();
  edtPassword_->setEchoMode(QLineEdit::Password);
  edtConfirm_->setEchoMode(QLineEdit::Password);
  edtConfirm_->setEnabled(true);
  lblConfirm_->setEnabled(true);
  UpdateOk();
}

bool TfrmEditUser::eventFilter(QObject* watched, QEvent* event) {
  if (watched == edtPassword_ && Untouched()) {
    // A click or a typed key clears the placeholder; the key then goes into the emptied box.
    if (event->type() == QEvent::MouseButtonPress) StartPasswordChange();
    if (event->type() == QEvent::KeyPress) {
      const auto* key = static_cast<QKeyEvent*>(event);
      if (!key->text().isEmpty() && key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter &&
          key->key() != Qt::Key_Escape && key->key() != Qt::Key_Tab) {
        StartPasswordChange();
      }
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TfrmEditUser::keyPressEvent(QKeyEvent* event) {
  if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) {
    QDialog::keyPressEvent(event);  // Esc cancels
    return;
  }
  // Enter moves the focus on, possibly more than one step, as each check sees the new focus.
  if (cboAccess_->hasFocus() && PasswordLongEnough()) btnOK_->setFocus();
  if (edtConfirm_->hasFocus() && PasswordLongEnough()) cboAccess_->setFocus();
  if (edtUsername_->hasFocus() && static_cast<std::size_t>(edtUsername_->text().size()) >= kMinUserNameLength &&
      edtPassword_->isEnabled()) {
    edtPassword_->setFocus();
  }
  if (edtPassword_->hasFocus() && PasswordLongEnough() && edtConfirm_->isEnabled()) edtConfirm_->setFocus();
  event->accept();
}

void TfrmEditUser::UpdateOk() {
  const bool nameOk = static_cast<std::size_t>(edtUsername_->text().size()) >= kMinUserNameLength;
  bool passwordOk = false;
  if (addMode_) {
    passwordOk = static_cast<std::size_t>(edtPassword_->text().size()) >= kMinPasswordLength &&
                 static_cast<std::size_t>(edtConfirm_->text().size()) >= kMinPasswordLength;
  } else {
    passwordOk = Untouched() || edtPassword_->text() == edtConfirm_->text();
  }
  btnOK_->setEnabled(nameOk && passwordOk);
}

void TfrmEditUser::Ok() {
  if (!btnOK_->isEnabled()) return;
  if (!Untouched() && edtPassword_->text() != edtConfirm_->text()) {
    QMessageBox::critical(this, tr("Passwords do not match"), tr("Password and Confirm Password must match."));
    edtPassword_->clear();
    edtConfirm_->clear();
    edtPassword_->setFocus();
    return;
  }
  accept();
}

}  // namespace brivak::manager
