// The "Log Viewer" tab's requests and replies: the month summary ("listlogs") whose "<loglist>"
// names the days that have a day log, and one day's log ("getlog"). Dates travel as "M/d/yyyy",
// the form the locker reads strictly. Pure functions; safe on any thread.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "manager/core/CommandUrls.h"
#include "manager/core/FetchResult.h"
#include "manager/core/HttpLookup.h"

namespace brivak::manager {

struct CalendarDate {
  int year = 2000;
  int month = 1;  // 1..12
  int day = 1;    // 1..31
};

// "M/d/yyyy" without leading zeros in month and day, e.g. "12/9/2026".
std::string ShortDateText(const CalendarDate& date);
// Days of a month (1-12) in the Gregorian calendar.
int DaysInMonthOf(int year, int month);
// The date to ask about for `month` of the calendar: the selected year and day, the day clamped to
// the month's last day (the 31st asks about the 30th of a 30-day month).
CalendarDate MonthSummaryDate(int selectedYear, int selectedDay, int month);

// "listlogs" with "date" before the credentials and no "params" field.
CommandCall ListLogsCommand(const CalendarDate& date);
// "getlog" with an empty "params" and "date" after it.
CommandCall GetLogCommand(const CalendarDate& date);

// The day numbers of a month summary, in the order given: the comma-separated numbers between
// "<loglist>" and "</loglist>"; pieces that are not numbers from 1 to 31 are skipped. A failed
// request, an error status or a reply without the tag pair (a refusal) is an error.
FetchResult<std::vector<int>> ParseLogListReply(const HttpLookupResult& result);
// The days to show in bold for a month: the listed days that exist in it, ascending, each once.
std::vector<int> BoldDays(const std::vector<int>& listedDays, int year, int month);

// A day's log from the reply page: every "<HTML><BODY><B>200" and "</B></BODY></HTML>" removed
// (case-sensitive), and the blank after the opening marker and the line end after the closing one
// that belong to the page, not to the log.
std::string ExtractLogText(std::string_view reply);
// The fetched log as the tab shows it: `lblFileSize` (length + " bytes") and `lblLines` (the number
// of lines + " lines"; a final line break adds no line, an empty text has 0 lines).
std::string LogSizeText(std::string_view text);
std::string LogLinesText(std::string_view text);
std::size_t CountLines(std::string_view text);

}  // namespace brivak::manager
