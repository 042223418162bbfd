#include "manager/core/Ipv4Text.h"

namespace brivak::manager {

std::optional<std::uint32_t> ParseDottedIPv4(std::string_view text) {
  std::uint32_t result = 0;
  int group = 0;
  std::size_t pos = 0;
  while (true) {
    const std::size_t start = pos;
    unsigned value = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
      if (pos - start == 3) return std::nullopt;  // four or more digits
      value = value * 10 + static_cast<unsigned>(text[pos] - '0');
      ++pos;
    }
    const std::size_t digits = pos - start;
    if (digits == 0 || value > 255) return std::nullopt;
    if (text[start] == '0' && (group == 0 || value != 0)) return std::nullopt;
    result = (result << 8) | value;
    ++group;
    if (group == 4) return pos == text.size() ? std::optional<std::uint32_t>(result) : std::nullopt;
    if (pos >= text.size() || text[pos] != '.') return std::nullopt;
    ++pos;
  }
}

std::string FormatIPv4(std::uint32_t address) {
  return std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 0xFF) + "." +
         std::to_string((address >> 8) & 0xFF) + "." + std::to_string(address & 0xFF);
}

bool IsLoopbackIPv4(std::string_view text) {
  const std::optional<std::uint32_t> address = ParseDottedIPv4(text);
  return address && (*address >> 24) == 127;
}

}  // namespace brivak::manager
