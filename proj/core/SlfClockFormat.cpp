#include "proj/core/SlfClockFormat.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace brivak::core {
namespace {

constexpr std::array<std::string_view, 12> kShortMonths{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr std::array<std::string_view, 12> kLongMonths{"January",   "February", "March",    "April",
                                                       "May",       "June",     "July",     "August",
                                                       "September", "October",  "November", "December"};
constexpr std::array<std::string_view, 7> kShortDays{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr std::array<std::string_view, 7> kLongDays{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                    "Thursday", "Friday", "Saturday"};

char Lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool StartsWithNoCase(std::string_view text, std::string_view word) {
  if (text.size() < word.size()) return false;
  for (size_t i = 0; i < word.size(); ++i) {
    if (Lower(text[i]) != Lower(word[i])) return false;
  }
  return true;
}

std::string Number(int value, int width) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%0*d", width, value);
  return buffer;
}

// Text of a table entry, or "" when the index is out of range (a clock that reports nonsense).
template <size_t N>
std::string_view Pick(const std::array<std::string_view, N>& table, int index) {
  return (index >= 0 && static_cast<size_t>(index) < N) ? table[static_cast<size_t>(index)] : "";
}

// Length of the run of `c` (either case) at the front of `text`.
size_t RunLength(std::string_view text, char c) {
  size_t n = 0;
  while (n < text.size() && Lower(text[n]) == c) ++n;
  return n;
}

bool HasMarker(std::string_view pattern) {
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '"' || pattern[i] == '\'') {
      const size_t close = pattern.find(pattern[i], i + 1);
      if (close == std::string_view::npos) return false;
      i = close;
      continue;
    }
    if (StartsWithNoCase(pattern.substr(i), "am/pm") || StartsWithNoCase(pattern.substr(i), "a/p")) {
      return true;
    }
  }
  return false;
}

// The marker in the letter case of the pattern's letters ("AM/PM" gives "PM", "Am/Pm" gives "Pm").
std::string Marker(std::string_view source, bool pm) {
  std::string text(source);
  for (char& c : text) {
    const bool upper = c >= 'A' && c <= 'Z';
    char base = Lower(c);
    if (pm && base == 'a') base = 'p';
    c = upper ? static_cast<char>(base - 'a' + 'A') : base;
  }
  return text;
}

}  // namespace

std::string FormatSlfClock(std::string_view pattern, const platform::LocalTime& time) {
  const bool twelveHour = HasMarker(pattern);
  const bool pm = time.hour >= 12;
  std::string out;
  bool afterHour = false;  // the last token was an hour, so "m" means minutes
  size_t i = 0;
  while (i < pattern.size()) {
    const std::string_view rest = pattern.substr(i);
    const char c = Lower(rest.front());
    if (rest.front() == '"' || rest.front() == '\'') {
      const size_t close = rest.find(rest.front(), 1);
      const size_t end = close == std::string_view::npos ? rest.size() : close;
      out.append(rest.substr(1, end - 1));
      i += close == std::string_view::npos ? rest.size() : close + 1;
      continue;
    }
    if (StartsWithNoCase(rest, "am/pm")) {
      out += Marker(rest.substr(0, 2), pm);
      i += 5;
      continue;
    }
    if (StartsWithNoCase(rest, "a/p")) {
      out += Marker(rest.substr(0, 1), pm);
      i += 3;
      continue;
    }
    const size_t run = RunLength(rest, c);
    switch (c) {
      case 'h': {
        int hour = time.hour;
        if (twelveHour) hour = hour % 12 == 0 ? 12 : hour % 12;
        out += Number(hour, run >= 2 ? 2 : 1);
        i += std::min<size_t>(run, 2);
        afterHour = true;
        continue;
      }
      case 'n':
        out += Number(time.minute, run >= 2 ? 2 : 1);
        i += std::min<size_t>(run, 2);
        afterHour = false;
        continue;
      case 's':
        out += Number(time.second, run >= 2 ? 2 : 1);
        i += std::min<size_t>(run, 2);
        afterHour = false;
        continue;
      case 'd': {
        const size_t n = std::min<size_t>(run, 4);
        if (n <= 2)
          out += Number(time.day, static_cast<int>(n));
        else
          out += n == 3 ? Pick(kShortDays, time.weekday) : Pick(kLongDays, time.weekday);
        i += n;
        afterHour = false;
        continue;
      }
      case 'm': {
        const size_t n = std::min<size_t>(run, 4);
        if (afterHour && n <= 2) {
          out += Number(time.minute, static_cast<int>(n));
        } else if (n <= 2) {
          out += Number(time.month, static_cast<int>(n));
        } else {
          out += n == 3 ? Pick(kShortMonths, time.month - 1) : Pick(kLongMonths, time.month - 1);
        }
        i += n;
        afterHour = false;
        continue;
      }
      case 'y': {
        const size_t n = std::min<size_t>(run, 4);
        out += n <= 2 ? Number(time.year % 100, 2) : Number(time.year, 4);
        i += n;
        afterHour = false;
        continue;
      }
      default:
        out += rest.front();
        ++i;
    }
  }
  return out;
}

}  // namespace brivak::core
