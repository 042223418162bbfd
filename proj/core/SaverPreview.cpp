#include "proj/core/SaverPreview.h"

namespace brivak::core {

std::uint64_t PreviewWindowId(const std::vector<std::string>& args) {
  if (args.size() < 2) return 0;
  const std::string& text = args[1];
  std::uint64_t value = 0;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    for (std::size_t i = 2; i < text.size(); ++i) {
      const char c = text[i];
      int digit = -1;
      if (c >= '0' && c <= '9') digit = c - '0';
      if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
      if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
      if (digit < 0) return 0;
      value = value * 16 + static_cast<std::uint64_t>(digit);
    }
    return value;
  }
  // Digit value times the power of ten of its position; other characters are not checked.
  for (const char c : text) value = value * 10 + static_cast<std::uint64_t>(static_cast<unsigned char>(c) - '0');
  return value;
}

}  // namespace brivak::core
