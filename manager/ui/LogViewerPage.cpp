#include "manager/ui/LogViewerPage.h"

#include <QCalendarWidget>
#include <QDate>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTextCharFormat>
#include <QVBoxLayout>

#include "manager/ui/QtText.h"

namespace brivak::manager {

namespace {
CalendarDate FromQDate(const QDate& date) { return {date.year(), date.month(), date.day()}; }
}  // namespace

LogViewerPage::LogViewerPage(FetchLogList listLogs, FetchLog getLog, QWidget* parent)
    : QWidget(parent),
      listLogs_(std::move(listLogs)),
      getLog_(std::move(getLog)),
      calendar_(new QCalendarWidget(this)),
      memLog_(new QPlainTextEdit(this)),
      lblLines_(new QLabel(this)),
      lblFileSize_(new QLabel(this)),
      lblStatus_(new QLabel(this)),
      tbLoadRemoteLogs_(new QPushButton(tr("Load Logs From Computer"), this)) {
  calendar_->setObjectName("calendar");
  calendar_->setToolTip(tr("Click a date to view the day's log"));
  calendar_->setSelectedDate(QDate::currentDate());
  memLog_->setObjectName("memLog");
  memLog_->setReadOnly(true);
  memLog_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  memLog_->setLineWrapMode(QPlainTextEdit::NoWrap);
  lblStatus_->setWordWrap(true);

  auto* info = new QGroupBox(tr("File Information"), this);
  auto* infoLayout = new QVBoxLayout(info);
  infoLayout->addWidget(lblLines_);
  infoLayout->addWidget(lblFileSize_);
  auto* left = new QVBoxLayout;
  left->addWidget(tbLoadRemoteLogs_);
  left->addWidget(calendar_);
  left->addWidget(info);
  left->addWidget(lblStatus_);
  left->addStretch();
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(left);
  layout->addWidget(memLog_, 1);

  connect(tbLoadRemoteLogs_, &QPushButton::clicked, this, [this] { LoadMonth(); });
  connect(calendar_, &QCalendarWidget::clicked, this, [this](const QDate& date) { LoadDay(FromQDate(date)); });
  connect(calendar_, &QCalendarWidget::currentPageChanged, this, [this](int, int) { LoadMonth(); });
}

void LogViewerPage::SetHost(const std::string& host) {
  if (host == host_) return;
  host_ = host;
  ++dayGeneration_;  // a day log still coming belongs to the previous computer
  calendar_->setEnabled(true);
  memLog_->clear();
  lblLines_->clear();
  lblFileSize_->clear();
  ShowBold(0, 0, {});
  if (!host_.empty()) LoadMonth();
}

void LogViewerPage::LoadMonth() {
  if (host_.empty() || !listLogs_) return;
  const int year = calendar_->yearShown();
  const int month = calendar_->monthShown();
  const CalendarDate date = MonthSummaryDate(year, calendar_->selectedDate().day(), month);
  emit logLine(ToQ("ListRemoteLogs(" + ShortDateText(date) + ")"));
  const std::uint64_t generation = ++generation_;
  const std::string host = host_;
  QPointer<LogViewerPage> self(this);
  listLogs_(host, date, [self, generation, year, month](FetchResult<std::vector<int>> days) {
    if (!self || generation != self->generation_) return;
    if (!days) {
      self->ShowStatus(ToQ(days.error()), true);  // the bold days stay as they were
      return;
    }
    self->ShowBold(year, month, BoldDays(days.value(), year, month));
    self->ShowStatus({}, false);
  });
}

void LogViewerPage::LoadDay(const CalendarDate& date) {
  emit logLine(QStringLiteral("Calendar click"));
  if (host_.empty() || !getLog_) return;
  calendar_->setEnabled(false);  // enabled again when the reply (or failure) comes
  const std::uint64_t generation = ++dayGeneration_;
  QPointer<LogViewerPage> self(this);
  getLog_(host_, date, [self, generation](FetchResult<std::string> log) {
    if (!self || generation != self->dayGeneration_) return;
    self->calendar_->setEnabled(true);
    if (!log) {
      self->ShowStatus(ToQ(log.error()), true);  // the previous log stays
      return;
    }
    self->memLog_->setPlainText(ToQ(log.value()));
    self->lblFileSize_->setText(ToQ(LogSizeText(log.value())));
    self->lblLines_->setText(ToQ(LogLinesText(log.value())));
    self->ShowStatus({}, false);
  });
}

void LogViewerPage::ShowBold(int year, int month, const std::vector<int>& days) {
  QTextCharFormat plain;
  plain.setFontWeight(QFont::Normal);
  if (boldYear_ > 0) {
    for (int day : boldDays_) calendar_->setDateTextFormat(QDate(boldYear_, boldMonth_, day), plain);
  }
  QTextCharFormat bold;
  bold.setFontWeight(QFont::Bold);
  for (int day : days) calendar_->setDateTextFormat(QDate(year, month, day), bold);
  boldYear_ = year;
  boldMonth_ = month;
  boldDays_ = days;
}

void LogViewerPage::ShowStatus(const QString& text, bool error) {
  lblStatus_->setText(text);
  lblStatus_->setStyleSheet(error ? QStringLiteral("color: #b00000;") : QString());
}

}  // namespace brivak::manager
