// The "Log Viewer" tab: a month calendar whose bold days are the selected locker's day logs
// ("listlogs"), and the log of a clicked day ("getlog") in a read-only fixed-pitch view. A failed
// request is shown in the tab's status line; the shown log and bold days stay as they were.
// Replies for a computer or month no longer shown are ignored.
// Thread-safety: user-interface thread only; the fetch callbacks must run on this thread.
#pragma once

#include <QWidget>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "manager/core/FetchResult.h"
#include "manager/core/RemoteLogs.h"

class QCalendarWidget;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace brivak::manager {

class LogViewerPage : public QWidget {
  Q_OBJECT

 public:
  using FetchLogList = std::function<void(const std::string& host, const CalendarDate& date,
                                          std::function<void(FetchResult<std::vector<int>>)> done)>;
  using FetchLog = std::function<void(const std::string& host, const CalendarDate& date,
                                      std::function<void(FetchResult<std::string>)> done)>;

  LogViewerPage(FetchLogList listLogs, FetchLog getLog, QWidget* parent = nullptr);

  // The selected computer's address ("" without a selection). A new host loads its month summary.
  void SetHost(const std::string& host);
  // "Load Logs From Computer": the month summary of the month shown.
  void LoadMonth();
  // A click on a day: that day's log.
  void LoadDay(const CalendarDate& date);

  QCalendarWidget* calendar() const { return calendar_; }
  QPlainTextEdit* memLog() const { return memLog_; }
  QLabel* lblLines() const { return lblLines_; }
  QLabel* lblFileSize() const { return lblFileSize_; }
  QLabel* lblLogStatus() const { return lblStatus_; }
  // The days shown in bold for the month on the calendar's page.
  const std::vector<int>& BoldDaysShown() const { return boldDays_; }

 signals:
  void logLine(const QString& text);

 private:
  void ShowBold(int year, int month, const std::vector<int>& days);
  void ShowStatus(const QString& text, bool error);

  FetchLogList listLogs_;
  FetchLog getLog_;
  std::string host_;
  std::uint64_t generation_ = 0;  // bumped by every new request of its kind; older replies are stale
  std::uint64_t dayGeneration_ = 0;
  int boldYear_ = 0;
  int boldMonth_ = 0;
  std::vector<int> boldDays_;
  QCalendarWidget* calendar_;
  QPlainTextEdit* memLog_;
  QLabel* lblLines_;
  QLabel* lblFileSize_;
  QLabel* lblStatus_;
  QPushButton* tbLoadRemoteLogs_;
};

}  // namespace brivak::manager
