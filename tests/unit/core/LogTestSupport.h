// Helpers of the log tests: a fresh temporary folder per test and whole-file reads.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "support/TempDir.h"

namespace brivak::core::logtest {

using brivak::test::TempDir;

inline bool FileExists(const std::string& path) { return std::filesystem::exists(path); }

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

inline void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

// Splits on CR LF; every line must end with CR LF (a trailing fragment fails the test's
// comparison because it is returned as the last element with a "<unterminated>" prefix).
inline std::vector<std::string> CrLfLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back("<unterminated>" + text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

// A local time; `weekday` (0 = Sunday) matters only to formats that name the day.
inline platform::LocalTime At(int year, int month, int day, int hour, int minute, int second,
                              int weekday = platform::LocalTime{}.weekday) {
  platform::LocalTime t;
  t.weekday = weekday;
  t.year = year;
  t.month = month;
  t.day = day;
  t.hour = hour;
  t.minute = minute;
  t.second = second;
  return t;
}

}  // namespace brivak::core::logtest
