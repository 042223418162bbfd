#include "manager/core/RemoteLogs.h"

#include <algorithm>

namespace brivak::manager {

namespace {
constexpr std::string_view kPageOpen = "<HTML><BODY><B>200";
constexpr std::string_view kPageClose = "</B></BODY></HTML>";

std::string RemoveAll(std::string text, std::string_view marker) {
  for (std::size_t at = text.find(marker); at != std::string::npos; at = text.find(marker, at)) {
    text.erase(at, marker.size());
  }
  return text;
}
}  // namespace

std::string ShortDateText(const CalendarDate& date) {
  std::string year = std::to_string(date.year);
  if (year.size() < 4) year.insert(0, 4 - year.size(), '0');
  return std::to_string(date.month) + "/" + std::to_string(date.day) + "/" + year;
}

int DaysInMonthOf(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

CalendarDate MonthSummaryDate(int selectedYear, int selectedDay, int month) {
  const int last = DaysInMonthOf(selectedYear, month);
  return CalendarDate{selectedYear, month, std::clamp(selectedDay, 1, last < 1 ? 1 : last)};
}

CommandCall ListLogsCommand(const CalendarDate& date) {
  CommandCall call;
  call.command = "listlogs";
  call.leading.emplace_back("date", ShortDateText(date));
  call.params.reset();
  return call;
}

CommandCall GetLogCommand(const CalendarDate& date) {
  CommandCall call;
  call.command = "getlog";
  call.trailing.emplace_back("date", ShortDateText(date));
  return call;
}

FetchResult<std::vector<int>> ParseLogListReply(const HttpLookupResult& result) {
  using Result = FetchResult<std::vector<int>>;
  if (result.outcome == HttpLookupResult::Outcome::ConnectTimeout) return Result::Fail("Connection timed out.");
  if (result.outcome != HttpLookupResult::Outcome::Ok) {
    return Result::Fail(result.error.empty() ? "Request failed." : result.error);
  }
  if (result.status != 200) return Result::Fail("HTTP error " + std::to_string(result.status) + ": " + result.body);
  const std::size_t open = result.body.find("<loglist>");
  const std::size_t close = open == std::string::npos ? open : result.body.find("</loglist>", open);
  if (close == std::string::npos) return Result::Fail("No day list in the reply: " + result.body);
  const std::string_view list = std::string_view(result.body).substr(open + 9, close - open - 9);
  std::vector<int> days;
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t end = list.find(',', start);
    if (end == std::string_view::npos) end = list.size();
    std::string_view piece = list.substr(start, end - start);
    while (!piece.empty() && piece.front() == ' ') piece.remove_prefix(1);
    while (!piece.empty() && piece.back() == ' ') piece.remove_suffix(1);
    if (!piece.empty() && piece.size() <= 2 &&
        std::all_of(piece.begin(), piece.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      const int day = std::stoi(std::string(piece));
      if (day >= 1 && day <= 31) days.push_back(day);
    }
    start = end + 1;
  }
  return Result::Ok(std::move(days));
}

std::vector<int> BoldDays(const std::vector<int>& listedDays, int year, int month) {
  const int last = DaysInMonthOf(year, month);
  std::vector<int> days;
  for (int day : listedDays) {
    if (day >= 1 && day <= last) days.push_back(day);
  }
  std::sort(days.begin(), days.end());
  days.erase(std::unique(days.begin(), days.end()), days.end());
  return days;
}

std::string ExtractLogText(std::string_view reply) {
  std::string text(reply);
  // The page is "<HTML><BODY><B>200 " + log + "</B></BODY></HTML>\r\n".
  if (text.starts_with(std::string(kPageOpen) + " ")) text.erase(kPageOpen.size(), 1);
  const std::string closing = std::string(kPageClose) + "\r\n";
  if (text.ends_with(closing)) text.erase(text.size() - 2);
  text = RemoveAll(std::move(text), kPageOpen);
  return RemoveAll(std::move(text), kPageClose);
}

std::size_t CountLines(std::string_view text) {
  std::size_t lines = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    ++lines;
    const std::size_t end = text.find_first_of("\r\n", i);
    if (end == std::string_view::npos) break;
    i = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
  }
  return lines;
}

std::string LogSizeText(std::string_view text) { return std::to_string(text.size()) + " bytes"; }
std::string LogLinesText(std::string_view text) { return std::to_string(CountLines(text)) + " lines"; }

}  // namespace brivak::manager
