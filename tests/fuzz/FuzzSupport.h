// Helpers shared by the fuzz targets: a check that aborts (so libFuzzer reports the input), and
// the input as text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace brivak::fuzz {

inline void Check(bool condition) {
  if (!condition) std::abort();
}

inline std::string_view AsText(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// True when `text` holds no byte below 0x20 and no DEL (one line of a log or list).
inline bool OneLine(std::string_view text) {
  for (const char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7f) return false;
  }
  return true;
}

}  // namespace brivak::fuzz
