#include "proj/ui/TfrmLogs.h"

#include <QCalendarWidget>
#include <QEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QVBoxLayout>

#include <filesystem>
#include <system_error>

#include "common/Stools.h"
#include "proj/core/LogFormat.h"
#include "proj/ui/LogSearch.h"

namespace brivak::ui {

namespace {

bool FileExists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

QString LongDate(const QDate& date) { return QLocale(QLocale::English).toString(date, QStringLiteral("MMMM dd, yyyy")); }

QPushButton* Button(const QString& text, QWidget* parent) {
  auto* button = new QPushButton(text, parent);
  button->setAutoDefault(false);  // Enter belongs to the search box
  return button;
}

}  // namespace

TfrmLogs::TfrmLogs(LogViewerPorts ports, QWidget* parent) : QDialog(parent), ports_(std::move(ports)) {
  setObjectName(QStringLiteral("frmLogs"));
  setWindowTitle(QStringLiteral("Log Viewer"));
  resize(900, 600);

  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->setSpacing(0);
  auto* bar = new QMenuBar(this);
  QMenu* file = bar->addMenu(QStringLiteral("File"));
  connect(file->addAction(QStringLiteral("Save As")), &QAction::triggered, this, [this] {
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save As"));
    if (!path.isEmpty()) SaveTo(path);
  });
  outer->setMenuBar(bar);

  auto* row = new QHBoxLayout;
  row->setSpacing(0);
  outer->addLayout(row, 1);

  left_ = new QWidget(this);
  auto* leftLayout = new QVBoxLayout(left_);
  leftLayout->setContentsMargins(6, 6, 6, 6);
  calendar_ = new QCalendarWidget(left_);
  calendar_->setObjectName(QStringLiteral("calendar"));
  calendar_->setGridVisible(false);
  calendar_->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
  calendar_->setStatusTip(QStringLiteral("Click a date to view the day's log"));
  calendar_->setToolTip(calendar_->statusTip());
  leftLayout->addWidget(calendar_);

  fileGroup_ = new QGroupBox(QStringLiteral("File Information"), left_);
  auto* fileLayout = new QVBoxLayout(fileGroup_);
  lblFile_ = new QLabel(fileGroup_);
  lblLines_ = new QLabel(fileGroup_);
  lblSize_ = new QLabel(fileGroup_);
  openButton_ = Button(QStringLiteral("Open file in default editor"), fileGroup_);
  folderButton_ = Button(QStringLiteral("Show in folder"), fileGroup_);
  for (QWidget* w : {static_cast<QWidget*>(lblFile_), static_cast<QWidget*>(lblLines_),
                     static_cast<QWidget*>(lblSize_), static_cast<QWidget*>(openButton_),
                     static_cast<QWidget*>(folderButton_)}) {
    fileLayout->addWidget(w);
  }
  leftLayout->addWidget(fileGroup_);

  searchGroup_ = new QGroupBox(QStringLiteral("&Search"), left_);
  auto* searchLayout = new QVBoxLayout(searchGroup_);
  search_ = new QLineEdit(searchGroup_);
  search_->setObjectName(QStringLiteral("edSearch"));
  search_->setPlaceholderText(QStringLiteral("Enter search query"));
  search_->setStatusTip(QStringLiteral("Enter search query"));
  auto* buttons = new QHBoxLayout;
  forward_ = Button(QStringLiteral("Look &Forward"), searchGroup_);
  back_ = Button(QStringLiteral("Look &Back"), searchGroup_);
  forward_->setEnabled(false);
  back_->setEnabled(false);
  buttons->addWidget(forward_);
  buttons->addWidget(back_);
  searchLayout->addWidget(search_);
  searchLayout->addLayout(buttons);
  leftLayout->addWidget(searchGroup_);
  leftLayout->addStretch(1);
  left_->setFixedWidth(calendar_->sizeHint().width() + 12 + 12);
  row->addWidget(left_);

  strip_ = new QFrame(this);
  strip_->setObjectName(QStringLiteral("strip"));
  strip_->setFixedWidth(8);
  strip_->setAutoFillBackground(true);
  strip_->setStatusTip(QStringLiteral("Click to hide or show the left panel."));
  strip_->setCursor(Qt::PointingHandCursor);
  strip_->installEventFilter(this);
  SetStripColour(false);
  row->addWidget(strip_);

  memo_ = new QPlainTextEdit(this);
  memo_->setObjectName(QStringLiteral("memo"));
  memo_->setReadOnly(true);
  memo_->setLineWrapMode(QPlainTextEdit::NoWrap);
  memo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memo_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memo_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  memo_->viewport()->installEventFilter(this);
  left_->installEventFilter(this);
  row->addWidget(memo_, 1);

  status_ = new QStatusBar(this);
  status_->setSizeGripEnabled(false);
  outer->addWidget(status_);

  connect(calendar_, &QCalendarWidget::clicked, this, &TfrmLogs::ShowDay);
  connect(calendar_, &QCalendarWidget::activated, this, &TfrmLogs::ShowDay);
  connect(calendar_, &QCalendarWidget::currentPageChanged, this, &TfrmLogs::BoldDays);
  connect(openButton_, &QPushButton::clicked, this, [this] {
    if (!ShownFile().isEmpty() && ports_.open) ports_.open(ShownFile().toStdString());
  });
  connect(folderButton_, &QPushButton::clicked, this, [this] {
    if (!ports_.open) return;
    ports_.open(ShownFile().isEmpty() ? ports_.logsFolder : QFileInfo(ShownFile()).absolutePath().toStdString());
  });
  connect(search_, &QLineEdit::textChanged, this, [this](const QString& text) {
    forward_->setEnabled(!text.isEmpty());
    back_->setEnabled(!text.isEmpty());
  });
  connect(search_, &QLineEdit::returnPressed, this, &TfrmLogs::LookForward);
  connect(forward_, &QPushButton::clicked, this, &TfrmLogs::LookForward);
  connect(back_, &QPushButton::clicked, this, &TfrmLogs::LookBack);

  // Opening: today's file.
  calendar_->setSelectedDate(ports_.today);
  BoldDays(ports_.today.year(), ports_.today.month());
  ShowDay(ports_.today);
}

std::string TfrmLogs::DayFile(const QDate& date) const {
  platform::LocalTime t;
  t.year = date.year();
  t.month = date.month();
  t.day = date.day();
  return ports_.logsFolder + core::DayFileName(t);
}

QString TfrmLogs::ShownFile() const { return memo_->toolTip(); }

void TfrmLogs::BoldDays(int year, int month) {
  calendar_->setDateTextFormat(QDate(), QTextCharFormat());  // the previous month's marks go
  QTextCharFormat bold;
  bold.setFontWeight(QFont::Bold);
  const QDate first(year, month, 1);
  for (int day = 1; day <= first.daysInMonth(); ++day) {
    const QDate date(year, month, day);
    if (FileExists(DayFile(date))) calendar_->setDateTextFormat(date, bold);
  }
}

void TfrmLogs::ShowDay(const QDate& date) {
  const std::string path = DayFile(date);
  if (!FileExists(path)) {
    memo_->setPlainText(QStringLiteral("No log file for ") + LongDate(date));
    memo_->setToolTip(QString());
    lblFile_->setText(QStringLiteral("(no file)"));
    lblLines_->clear();
    lblSize_->clear();
    openButton_->setEnabled(false);
    return;
  }
  setCursor(Qt::WaitCursor);
  QFile file(QString::fromStdString(path));
  QString loaded;
  if (file.open(QIODevice::ReadOnly)) loaded = QString::fromUtf8(file.readAll());
  // The text as the day file has it (CR LF ends), behind the title line.
  const QString text = QStringLiteral("Log file for ") + LongDate(date) + QStringLiteral("\r\n") + loaded;
  QString shown = text;
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  memo_->setPlainText(shown);
  lblFile_->setText(QFileInfo(file).fileName());
  lblLines_->setText(QString::fromStdString(FormatInt(memo_->document()->blockCount())) + QStringLiteral(" lines"));
  lblSize_->setText(QString::fromStdString(FormatInt(text.size())) + QStringLiteral(" bytes"));
  memo_->setToolTip(QString::fromStdString(path));
  unsetCursor();
  openButton_->setEnabled(true);
}

void TfrmLogs::LookForward() {
  const QString query = search_->text();
  const int start = memo_->textCursor().selectionStart() + static_cast<int>(previous_.size());
  previous_ = query;
  const int found = FindForward(memo_->toPlainText(), query, start);
  if (found < 0) {
    status_->showMessage(QStringLiteral("nothing found!"));
    search_->selectAll();
    search_->setFocus();
    return;
  }
  status_->showMessage(QStringLiteral("found at ") + QString::number(found));
  QTextCursor cursor = memo_->textCursor();
  cursor.setPosition(found);
  cursor.setPosition(found + static_cast<int>(query.size()), QTextCursor::KeepAnchor);
  memo_->setTextCursor(cursor);
  memo_->setFocus();
}

void TfrmLogs::LookBack() {
  const QString query = search_->text();
  previous_ = query;
  const int found = FindBackward(memo_->toPlainText(), query, memo_->textCursor().selectionStart());
  status_->showMessage(QStringLiteral("found at ") + QString::number(found + 1));
  if (found < 0) {
    status_->showMessage(QStringLiteral("nothing found!"));
    return;
  }
  QTextCursor cursor = memo_->textCursor();
  cursor.setPosition(found);
  cursor.setPosition(found + static_cast<int>(query.size()), QTextCursor::KeepAnchor);
  memo_->setTextCursor(cursor);
  memo_->setFocus();
}

bool TfrmLogs::SaveTo(const QString& path) const {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  QString text = memo_->toPlainText();
  text.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
  text += QStringLiteral("\r\n");
  return file.write(text.toUtf8()) >= 0;
}

void TfrmLogs::ToggleLeftPanel() {
  if (left_->isVisible()) {
    foldedWidth_ = left_->width();
    left_->hide();
  } else {
    left_->setFixedWidth(foldedWidth_ > 0 ? foldedWidth_ : left_->width());
    left_->show();
  }
}

void TfrmLogs::ScrollPages(int pages) {
  QScrollBar* bar = memo_->verticalScrollBar();
  bar->setValue(bar->value() + pages * bar->pageStep());
}

void TfrmLogs::SetStripColour(bool hover) {
  QPalette palette = strip_->palette();
  palette.setColor(QPalette::Window, hover ? QColor(192, 192, 192) : QColor(128, 128, 128));
  strip_->setPalette(palette);
}

bool TfrmLogs::eventFilter(QObject* watched, QEvent* event) {
  if (memo_ == nullptr || status_ == nullptr) return QDialog::eventFilter(watched, event);  // still building
  if (watched == strip_) {
    if (event->type() == QEvent::Enter) SetStripColour(true);
    if (event->type() == QEvent::MouseButtonPress) {
      ToggleLeftPanel();
      return true;
    }
  } else if (event->type() == QEvent::Enter) {
    SetStripColour(false);
  }
  if (watched == memo_->viewport() && event->type() == QEvent::MouseButtonPress) {
    status_->showMessage(QStringLiteral("Viewing ") + ShownFile());
  }
  return QDialog::eventFilter(watched, event);
}

void TfrmLogs::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F && (event->modifiers() & Qt::ControlModifier)) {
    search_->setFocus();
    search_->selectAll();
    return;
  }
  QDialog::keyPressEvent(event);  // Esc closes the viewer
}

bool TfrmLogs::event(QEvent* event) {
  // The status bar shows the hint of the control under the pointer.
  if (event->type() == QEvent::StatusTip && status_ != nullptr) {
    status_->showMessage(static_cast<QStatusTipEvent*>(event)->tip());
    return true;
  }
  return QDialog::event(event);
}

}  // namespace brivak::ui
