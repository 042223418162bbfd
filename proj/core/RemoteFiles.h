// File-backed answers of the remote command protocol: whole texts, the log month summary, the
// layout list, and the checks that keep request data from choosing arbitrary paths.
// Plain functions on std::filesystem; safe on any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/Clock.h"

namespace brivak::core {

// The file's text as lines each ended by CR LF (lines end at CR LF, LF or a lone CR; a final line
// break adds no empty line; an empty file gives ""). nullopt when no file exists at `path`.
// Throws std::runtime_error when it exists but cannot be read.
std::optional<std::string> ReadLinesCrLf(const std::string& path);

// `FileToString`: ReadLinesCrLf, or "file not found" when the file does not exist.
std::string FileToString(const std::string& path);

// Days of a month (1-12) in the Gregorian calendar, leap years included.
int DaysInMonth(int year, int month);

// The short date "M/d/yyyy" read strictly: one or two digits for a month 1-12, "/", one or two
// digits for a day that exists in that month, "/", four digits for a year 1-9999; nothing else.
std::optional<platform::LocalTime> ParseShortDate(std::string_view text);

// `LogsGetMonthInfo`: "<loglist>" + "d," for every day of the date's month whose day log exists in
// `logsFolder` (appData + "Logs/") + "</loglist>". Throws std::runtime_error("'" + date + "' is not a
// valid date") when the date does not parse.
std::string LogsGetMonthInfo(std::string_view date, const std::string& logsFolder);

// The layout list: "*.slf" files of appData + "layouts/slf/", then "*.htm", "*.html", then "*.php",
// "*.phpX" files of appData + "layouts/html/" (extension case ignored, names sorted within each
// group), each as folder + name + CR LF. Missing folders contribute nothing.
std::string LayoutList(const std::string& appData);

// A requested layout path accepted only inside appData + "layouts/slf/" or appData +
// "layouts/html/": absolute, no ".." part, and after resolving links (weakly_canonical) a regular
// file inside one of the two folders. Returns the resolved path, or nullopt.
std::optional<std::string> ConfineLayoutPath(std::string_view requested, const std::string& appData);

}  // namespace brivak::core
