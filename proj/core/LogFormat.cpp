#include "proj/core/LogFormat.h"

#include <array>
#include <cstdio>
#include <stdexcept>

namespace brivak::core {
namespace {

constexpr std::array<std::string_view, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

std::string TwoDigits(int value) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d", value);
  return buf;
}

}  // namespace

std::string MonthAbbrev(int month) {
  if (month < 1 || month > 12) throw std::out_of_range("month out of range: " + std::to_string(month));
  return std::string(kMonths[static_cast<std::size_t>(month - 1)]);
}

std::string DayFileName(const platform::LocalTime& t) {
  return MonthAbbrev(t.month) + "-" + TwoDigits(t.day) + "-" + TwoDigits(t.year % 100) + ".txt";
}

std::string FormatShortDate(const platform::LocalTime& t) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%d/%d/%04d", t.month, t.day, t.year);
  return buf;
}

std::string FormatLongTime(const platform::LocalTime& t) {
  const int hour12 = t.hour % 12 == 0 ? 12 : t.hour % 12;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%d:%02d:%02d %s", hour12, t.minute, t.second, t.hour < 12 ? "AM" : "PM");
  return buf;
}

std::string StampedLine(const platform::LocalTime& t, std::string_view text) {
  return "[" + FormatLongTime(t) + "] " + SanitizeLogText(text);
}

std::string DayFileHeader(const platform::LocalTime& t) {
  return "-- Brivak3 log file -- created " + FormatShortDate(t) + " " + FormatLongTime(t);
}

std::string SanitizeLogText(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) c = ' ';
  }
  return out;
}

}  // namespace brivak::core
