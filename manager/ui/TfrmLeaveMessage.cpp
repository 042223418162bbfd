#include "manager/ui/TfrmLeaveMessage.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "manager/ui/QtText.h"

namespace brivak::manager {

TfrmLeaveMessage::TfrmLeaveMessage(QWidget* parent)
    : QDialog(parent),
      edtFrom_(new QLineEdit(this)),
      edtSubject_(new QLineEdit(this)),
      memMessage_(new QPlainTextEdit(this)) {
  setWindowTitle(tr("Leave a Secure Note"));
  auto* form = new QFormLayout;
  form->addRow(tr("&From:"), edtFrom_);
  form->addRow(tr("&Subject:"), edtSubject_);
  form->addRow(tr("&Message:"), memMessage_);
  auto* leave = new QPushButton(tr("&Leave Note"), this);
  auto* cancel = new QPushButton(tr("&Cancel"), this);
  leave->setAutoDefault(false);
  cancel->setAutoDefault(false);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(leave);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addLayout(buttons);

  // Enter in the from box moves on once it holds text; Enter in the subject box moves on.
  connect(edtFrom_, &QLineEdit::returnPressed, this, [this] {
    if (!edtFrom_->text().isEmpty()) edtSubject_->setFocus();
  });
  connect(edtSubject_, &QLineEdit::returnPressed, this, [this] { memMessage_->setFocus(); });
  connect(leave, &QPushButton::clicked, this, [this] { LeaveNote(); });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

std::optional<CommandCall> TfrmLeaveMessage::Command() const {
  return RemoteMessageCommand(FromQ(edtFrom_->text()), FromQ(edtSubject_->text()),
                              FromQ(memMessage_->toPlainText()));
}

void TfrmLeaveMessage::LeaveNote() {
  if (!Command()) {
    QMessageBox::critical(this, tr("Leave a message"), tr("You must enter a message!"));
    return;
  }
  accept();
}

}  // namespace brivak::manager
