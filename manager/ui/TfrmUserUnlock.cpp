#include "manager/ui/TfrmUserUnlock.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

#include "manager/ui/QtText.h"

namespace brivak::manager {

namespace {
constexpr int kMinWidth = 332;
constexpr int kLabelMargin = 25;
}  // namespace

TfrmUserUnlock::TfrmUserUnlock(ManagerLogin& login, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint),
      login_(login),
      label_(new QLabel(ToQ(kLoginPrompt), this)),
      edtUsername_(new QLineEdit(ToQ(kLoginDefaultUser), this)),
      edtPassword_(new QLineEdit(this)),
      btnOK_(new QPushButton(tr("&OK"), this)),
      btnCancel_(new QPushButton(tr("&Cancel"), this)) {
  setWindowTitle(ToQ(kLoginCaption));
  setModal(true);
  edtUsername_->setObjectName("edtUsername");
  edtPassword_->setObjectName("edtPassword");
  edtPassword_->setEchoMode(QLineEdit::Password);
  btnOK_->setObjectName("btnOK");
  // Enter is handled in keyPressEvent (not by a default button), so it never acts twice.
  btnOK_->setAutoDefault(false);
  btnCancel_->setAutoDefault(false);

  auto* form = new QFormLayout;
  form->addRow(tr("User name:"), edtUsername_);
  form->addRow(tr("Password:"), edtPassword_);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnOK_);
  buttons->addWidget(btnCancel_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label_);
  layout->addLayout(form);
  layout->addLayout(buttons);

  connect(edtUsername_, &QLineEdit::textChanged, this, [this] { UpdateOk(); });
  connect(edtPassword_, &QLineEdit::textChanged, this, [this] { UpdateOk(); });
  connect(btnOK_, &QPushButton::clicked, this, [this] { Submit(); });
  connect(btnCancel_, &QPushButton::clicked, this, [this] { reject(); });
  UpdateOk();
}

void TfrmUserUnlock::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  const int labelRight = label_->geometry().right();
  resize(std::max(kMinWidth, labelRight + kLabelMargin), height());
  edtPassword_->setFocus();
}

void TfrmUserUnlock::keyPressEvent(QKeyEvent* event) {
  if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) {
    QDialog::keyPressEvent(event);  // Esc rejects
    return;
  }
  if (edtUsername_->hasFocus()) {
    edtPassword_->setFocus();  // Enter in the user name box moves on to the password box
  } else {
    Submit();
  }
}

void TfrmUserUnlock::reject() {
  login_.Cancel();
  QDialog::reject();
}

void TfrmUserUnlock::UpdateOk() {
  btnOK_->setEnabled(LoginOkEnabled(FromQ(edtUsername_->text()), FromQ(edtPassword_->text())));
}

void TfrmUserUnlock::Submit() {
  if (!btnOK_->isEnabled()) return;
  const LoginOutcome outcome = login_.Submit(FromQ(edtUsername_->text()), FromQ(edtPassword_->text()));
  if (outcome == LoginOutcome::Accepted) {
    accept();
  } else {
    QDialog::reject();  // refused: the outcome tells the caller which
  }
}

}  // namespace brivak::manager
