// The dialogs of visitor notes and away messages, opened from the lock screen (modal, above it):
// the note form "Leave a Secure Note" (`frmLeaveMessage`), the reader "Messages" (`frmMessages`)
// and the away-message picker "Away Message" (`frmPickAwayMsg`). The decisions (checks, reader
// selection, countdown) are core's; these are the windows. GUI thread only.
#pragma once

#include <QDialog>
#include <QTimer>

#include <optional>
#include <string>
#include <vector>

#include "proj/core/AwayMessages.h"
#include "proj/core/LockShell.h"
#include "proj/core/VisitorMessages.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;
class QTextEdit;

namespace brivak::ui {

// Shows a warning of the note form ("Leave a message", stop icon). Tests replace it.
using NoteWarning = std::function<void(QWidget* over, const std::string& text)>;

class TfrmLeaveMessage : public QDialog {
  Q_OBJECT

 public:
  TfrmLeaveMessage(QWidget* parent, const core::MessageSettings& settings, NoteWarning warning = {});
  // The entry when a note was left (the dialog accepted), else nullopt.
  std::optional<core::NoteEntry> Entry() const { return entry_; }
  // "&Leave Note": the checks in order; the first failure warns and keeps the form open.
  void LeaveNote();

  QLineEdit* From() const { return from_; }
  QLineEdit* Subject() const { return subject_; }
  QLineEdit* Email() const { return email_; }
  QPlainTextEdit* Message() const { return message_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  core::MessageSettings settings_;
  NoteWarning warning_;
  QWidget* fromPanel_;
  QWidget* subjectPanel_;
  QWidget* emailPanel_;
  QLineEdit* from_;
  QLineEdit* subject_;
  QLineEdit* email_;
  QPlainTextEdit* message_;
  std::optional<core::NoteEntry> entry_;
};

class TfrmMessages : public QDialog {
  Q_OBJECT

 public:
  TfrmMessages(QWidget* parent, const core::TMessageList& messages);
  void First();
  void Previous();
  void Next();
  void Last();
  std::optional<std::size_t> Current() const { return reader_.Current(); }
  QString ShownText() const;
  QListWidget* List() const { return list_; }

 private:
  void Show();

  const core::TMessageList& messages_;
  core::MessageReader reader_;
  QListWidget* list_;
  QPlainTextEdit* text_;
};

class TfrmPickAwayMsg : public QDialog {
  Q_OBJECT

 public:
  TfrmPickAwayMsg(QWidget* parent, const core::AwayPickerRequest& request);
  // The away message chosen, once closed.
  std::string Chosen() const { return chosen_; }
  // `StopTimer`: the countdown stops for good and its text is cleared.
  void StopTimer();
  void ChoosePreset(int index);
  void UseDefault();
  void Ok();
  // Esc: the default message.
  void reject() override;
  QString StatusText() const;
  QComboBox* Presets() const { return presets_; }
  QPlainTextEdit* Text() const { return memAwayMessage_; }
  QPushButton* DefaultButton() const { return useDefault_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void Step(const core::AwayCountdown::Step& step);

  core::AwayPickerRequest request_;
  core::AwayCountdown countdown_;
  QTimer timer_;
  QComboBox* presets_;
  QPlainTextEdit* memAwayMessage_;
  QPushButton* ok_;
  QPushButton* useDefault_;
  QLabel* status_;
  std::string chosen_;
  bool pointerMoved_ = false;
};

}  // namespace brivak::ui
