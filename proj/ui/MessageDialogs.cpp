#include "proj/ui/MessageDialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QVBoxLayout>

#include "proj/core/LogFormat.h"

namespace brivak::ui {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }
std::string S(const QString& text) { return text.toStdString(); }

bool IsEnterPress(QEvent* event) {
  if (event->type() != QEvent::KeyPress) return false;
  const int key = static_cast<QKeyEvent*>(event)->key();
  return key == Qt::Key_Return || key == Qt::Key_Enter;
}

// A caption and an edit side by side; the panel is shown or hidden as a whole.
QWidget* Row(QWidget* parent, const QString& caption, QWidget* field) {
  auto* panel = new QWidget(parent);
  auto* row = new QHBoxLayout(panel);
  row->setContentsMargins(0, 0, 0, 0);
  auto* label = new QLabel(caption, panel);
  label->setMinimumWidth(60);
  row->addWidget(label);
  row->addWidget(field, 1);
  return panel;
}

void DefaultWarning(QWidget* over, const std::string& text) {
  QMessageBox box(QMessageBox::Critical, QStringLiteral("Leave a message"), Q(text), QMessageBox::Ok, over);
  box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
  box.exec();
}

}  // namespace

// --- The note form ---

TfrmLeaveMessage::TfrmLeaveMessage(QWidget* parent, const core::MessageSettings& settings, NoteWarning warning)
    : QDialog(parent), settings_(settings), warning_(warning ? std::move(warning) : NoteWarning(DefaultWarning)) {
  setObjectName(QStringLiteral("frmLeaveMessage"));
  setWindowTitle(QStringLiteral("Leave a Secure Note"));
  setModal(true);
  setWindowFlag(Qt::WindowStaysOnTopHint, true);
  from_ = new QLineEdit(this);
  from_->setObjectName(QStringLiteral("edtFrom"));
  subject_ = new QLineEdit(this);
  subject_->setObjectName(QStringLiteral("edtSubject"));
  email_ = new QLineEdit(this);
  email_->setObjectName(QStringLiteral("edtEmail"));
  message_ = new QPlainTextEdit(this);
  message_->setObjectName(QStringLiteral("memMessage"));
  fromPanel_ = Row(this, QStringLiteral("From:"), from_);
  subjectPanel_ = Row(this, QStringLiteral("Subject:"), subject_);
  auto* emailBox = new QWidget(this);
  auto* emailRow = new QVBoxLayout(emailBox);
  emailRow->setContentsMargins(0, 0, 0, 0);
  emailRow->addWidget(Row(emailBox, QStringLiteral("Email:"), email_));
  auto* copy = new QCheckBox(QStringLiteral("Email me a copy of this note"), emailBox);
  copy->setEnabled(false);
  emailRow->addWidget(copy);
  emailPanel_ = emailBox;

  auto* leave = new QPushButton(QStringLiteral("&Leave Note"), this);
  leave->setObjectName(QStringLiteral("tbLeaveMessage"));
  leave->setAutoDefault(false);
  auto* cancel = new QPushButton(QStringLiteral("&Cancel"), this);
  cancel->setAutoDefault(false);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(fromPanel_);
  layout->addWidget(subjectPanel_);
  layout->addWidget(emailPanel_);
  layout->addWidget(message_, 1);
  layout->addWidget(new QLabel(QStringLiteral("This message will be visible only to the user of this computer."), this));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(leave);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);
  resize(420, 320);

  fromPanel_->setVisible(settings_.askName);
  subjectPanel_->setVisible(settings_.askSubject);
  emailPanel_->setVisible(settings_.askEmail);
  from_->installEventFilter(this);
  subject_->installEventFilter(this);
  connect(leave, &QPushButton::clicked, this, &TfrmLeaveMessage::LeaveNote);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  if (settings_.askName) {
    from_->setFocus();
  } else if (settings_.askSubject) {
    subject_->setFocus();
  } else {
    message_->setFocus();
  }
}

bool TfrmLeaveMessage::eventFilter(QObject* watched, QEvent* event) {
  if (IsEnterPress(event)) {
    if (watched == from_) {
      if (!subjectPanel_->isHidden() && !from_->text().isEmpty()) subject_->setFocus();
      return true;
    }
    if (watched == subject_) {
      message_->setFocus();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TfrmLeaveMessage::LeaveNote() {
  // A hidden panel contributes nothing, whatever its edit holds.
  core::NoteEntry entry{fromPanel_->isHidden() ? std::string() : S(from_->text()),
                        subjectPanel_->isHidden() ? std::string() : S(subject_->text()),
                        emailPanel_->isHidden() ? std::string() : S(email_->text()),
                        S(message_->toPlainText())};
  if (const auto problem = core::CheckNote(settings_, entry)) {
    warning_(this, problem->text);
    if (problem->focus == core::NoteField::From) from_->setFocus();
    if (problem->focus == core::NoteField::Subject) subject_->setFocus();
    if (problem->focus == core::NoteField::Email) email_->setFocus();
    return;
  }
  entry_ = std::move(entry);
  accept();
}

// --- The reader ---

TfrmMessages::TfrmMessages(QWidget* parent, const core::TMessageList& messages)
    : QDialog(parent), messages_(messages), reader_(messages.Count()) {
  setObjectName(QStringLiteral("frmMessages"));
  setWindowTitle(QStringLiteral("Messages"));
  setModal(true);
  setWindowFlag(Qt::WindowStaysOnTopHint, true);
  list_ = new QListWidget(this);
  list_->setObjectName(QStringLiteral("lvMessages"));
  for (std::size_t i = 0; i < messages.Count(); ++i) {
    list_->addItem(Q(core::MessageEntryCaption(i)));
  }
  text_ = new QPlainTextEdit(this);
  text_->setObjectName(QStringLiteral("memMessage"));
  text_->setReadOnly(true);
  auto* tools = new QHBoxLayout;
  const auto button = [&](const char* caption, void (TfrmMessages::*slot)()) {
    auto* b = new QPushButton(QString::fromUtf8(caption), this);
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, this, slot);
    tools->addWidget(b);
    return b;
  };
  button("&First", &TfrmMessages::First);
  button("&Previous", &TfrmMessages::Previous);
  button("&Next", &TfrmMessages::Next);
  button("&Last", &TfrmMessages::Last);
  auto* close = new QPushButton(QStringLiteral("&Close"), this);
  close->setObjectName(QStringLiteral("tbClose"));
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  tools->addStretch();
  tools->addWidget(close);
  auto* right = new QVBoxLayout;
  right->addLayout(tools);
  right->addWidget(text_, 1);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(list_);
  layout->addLayout(right, 1);
  resize(640, 360);
  connect(list_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
    reader_.Select(static_cast<std::size_t>(list_->row(item)));
    Show();
  });
  Show();
}

void TfrmMessages::First() {
  reader_.First();
  Show();
}
void TfrmMessages::Previous() {
  reader_.Previous();
  Show();
}
void TfrmMessages::Next() {
  reader_.Next();
  Show();
}
void TfrmMessages::Last() {
  reader_.Last();
  Show();
}

void TfrmMessages::Show() {
  const auto current = reader_.Current();
  if (!current) return;
  list_->setCurrentRow(static_cast<int>(*current));
  const core::TMessageData& shown = messages_.At(*current).Data();
  const std::string when = core::FormatShortDate(shown.TimeStamp) + " " + core::FormatLongTime(shown.TimeStamp);
  text_->setPlainText(Q(core::MessageReaderText(shown, when)).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

QString TfrmMessages::ShownText() const { return text_->toPlainText(); }

// --- The away-message picker ---

TfrmPickAwayMsg::TfrmPickAwayMsg(QWidget* parent, const core::AwayPickerRequest& request)
    : QDialog(parent), request_(request), countdown_(request.seconds, request.countdown) {
  setObjectName(QStringLiteral("frmPickAwayMsg"));
  setWindowTitle(QStringLiteral("Away Message"));
  setModal(true);
  setWindowFlag(Qt::WindowStaysOnTopHint, true);
  auto* heading = new QLabel(QStringLiteral("Choose default, preset, or enter your own away message"), this);
  presets_ = new QComboBox(this);
  presets_->setObjectName(QStringLiteral("cbPresets"));
  for (const core::AwayPreset& preset : request_.presets) presets_->addItem(Q(preset.name));
  presets_->setCurrentIndex(-1);
  memAwayMessage_ = new QPlainTextEdit(this);
  memAwayMessage_->setObjectName(QStringLiteral("memAwayMessage"));
  memAwayMessage_->setPlainText(Q(request_.current));
  memAwayMessage_->moveCursor(QTextCursor::End);
  ok_ = new QPushButton(QStringLiteral("&OK"), this);
  ok_->setDefault(true);
  useDefault_ = new QPushButton(QStringLiteral("Use My Default &Message"), this);
  useDefault_->setObjectName(QStringLiteral("btnUseDefault"));
  useDefault_->setAutoDefault(false);
  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("StatusBar1"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(heading);
  layout->addWidget(presets_);
  layout->addWidget(memAwayMessage_, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(useDefault_);
  buttons->addStretch();
  buttons->addWidget(ok_);
  layout->addLayout(buttons);
  layout->addWidget(status_);
  resize(420, 260);

  connect(ok_, &QPushButton::clicked, this, &TfrmPickAwayMsg::Ok);
  connect(useDefault_, &QPushButton::clicked, this, &TfrmPickAwayMsg::UseDefault);
  connect(presets_, QOverload<int>::of(&QComboBox::activated), this, &TfrmPickAwayMsg::ChoosePreset);
  connect(memAwayMessage_, &QPlainTextEdit::textChanged, this, &TfrmPickAwayMsg::StopTimer);
  presets_->installEventFilter(this);
  memAwayMessage_->viewport()->installEventFilter(this);

  timer_.setInterval(1000);
  connect(&timer_, &QTimer::timeout, this, [this] { Step(countdown_.Tick()); });
  chosen_ = request_.defaultMessage;
  const auto first = countdown_.Start();
  status_->setText(Q(first.status));
  if (first.expired) {
    // Closes as soon as the dialog runs (a 0 count): the default message.
    QMetaObject::invokeMethod(this, [this] { UseDefault(); }, Qt::QueuedConnection);
  } else if (countdown_.Running()) {
    timer_.start();
  }
}

void TfrmPickAwayMsg::Step(const core::AwayCountdown::Step& step) {
  status_->setText(Q(step.status));
  if (step.expired) UseDefault();  // both the label and the away message become the default
}

void TfrmPickAwayMsg::StopTimer() {
  timer_.stop();
  countdown_.Stop();
  status_->clear();
}

void TfrmPickAwayMsg::ChoosePreset(int index) {
  StopTimer();
  if (index < 0) return;
  memAwayMessage_->setPlainText(Q(core::PresetText(request_.presets, S(presets_->itemText(index)))));
}

void TfrmPickAwayMsg::UseDefault() {
  timer_.stop();
  chosen_ = request_.defaultMessage;
  accept();
}

void TfrmPickAwayMsg::Ok() {
  timer_.stop();
  chosen_ = S(memAwayMessage_->toPlainText());  // may be empty: no default is put in its place
  accept();
}

void TfrmPickAwayMsg::reject() { UseDefault(); }

QString TfrmPickAwayMsg::StatusText() const { return status_->text(); }

bool TfrmPickAwayMsg::eventFilter(QObject* watched, QEvent* event) {
  const auto type = event->type();
  if ((watched == presets_ || watched == memAwayMessage_->viewport()) &&
      (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick)) {
    StopTimer();
  }
  return QDialog::eventFilter(watched, event);
}

void TfrmPickAwayMsg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (pointerMoved_) return;
  pointerMoved_ = true;
  // The pointer goes onto "Use My Default Message", so a click there is the quick way out.
  QMetaObject::invokeMethod(
      this, [this] { QCursor::setPos(useDefault_->mapToGlobal(QPoint(10, 14))); }, Qt::QueuedConnection);
}

}  // namespace brivak::ui
