// Whole-file reads and writes for tests (bytes as they are, no line-end translation).
#pragma once

#include <fstream>
#include <sstream>
#include <string>

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

}  // namespace brivak::test
