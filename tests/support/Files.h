// Whole-file reads and writes for tests (bytes as they are, no line-end translation).
#pragma once

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace brivak::test {

// The file's bytes; empty when it cannot be read.
inline std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void WriteAll(const std::string& path, const std::string& data) {
  std::ofstream out(path, std::ios::binary);
  out << data;
}

// The texts of a day log's lines, without their "[time] " stamps and line ends.
inline std::vector<std::string> DayLogTexts(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::string> texts;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const auto stamp = line.find("] ");
    texts.push_back(line.rfind('[', 0) == 0 && stamp != std::string::npos ? line.substr(stamp + 2) : line);
  }
  return texts;
}

}  // namespace brivak::test
