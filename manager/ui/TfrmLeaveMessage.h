// The message dialog (caption "Leave a Secure Note"): from, subject and message for the locker's
// "remotemessage" command. An empty message is refused with "You must enter a message!" and the
// dialog stays open.
// Thread-safety: user-interface thread only.
#pragma once

#include <QDialog>

#include <optional>

#include "manager/core/CommandUrls.h"

class QLineEdit;
class QPlainTextEdit;

namespace brivak::manager {

class TfrmLeaveMessage : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmLeaveMessage(QWidget* parent = nullptr);

  // The command for the texts typed; nothing while the message is empty.
  std::optional<CommandCall> Command() const;

  QLineEdit* edtFrom() const { return edtFrom_; }
  QLineEdit* edtSubject() const { return edtSubject_; }
  QPlainTextEdit* memMessage() const { return memMessage_; }

 private:
  void LeaveNote();

  QLineEdit* edtFrom_;
  QLineEdit* edtSubject_;
  QPlainTextEdit* memMessage_;
};

}  // namespace brivak::manager
