// Date, time and line formats of the day log and the console. They follow an English (United
// States) locale whatever the process locale, because the log viewer, the remote log list and the
// manager parse the same forms.
#pragma once

#include <string>
#include <string_view>

#include "platform/Clock.h"

namespace brivak::core {

// Line end of the day log and the debug files (the files are read by Windows peers as well).
inline constexpr std::string_view kLogLineEnd = "\r\n";

// "Jan" .. "Dec" for 1 .. 12; throws std::out_of_range for any other month.
std::string MonthAbbrev(int month);
// Day-file name: month abbreviation, two-digit day, two-digit year, e.g. "Dec-09-26.txt".
std::string DayFileName(const platform::LocalTime& t);
// Short date "M/d/yyyy", e.g. "12/9/2026".
std::string FormatShortDate(const platform::LocalTime& t);
// Long time "h:mm:ss AM/PM", e.g. "11:05:01 PM"; midnight is "12:00:00 AM", noon "12:00:00 PM".
std::string FormatLongTime(const platform::LocalTime& t);

// "[" + long time + "] " + text, without line end; the text is sanitised (SanitizeLogText).
std::string StampedLine(const platform::LocalTime& t, std::string_view text);
// The first line of a day file: "-- Brivak3 log file -- created " + short date + " " + long time.
std::string DayFileHeader(const platform::LocalTime& t);

// Replaces every control character (below 0x20, and 0x7F) with a space, so text from outside
// (user names, addresses, request data) can never break or forge a log line.
std::string SanitizeLogText(std::string_view text);

}  // namespace brivak::core
