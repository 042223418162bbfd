#include "proj/core/HotKey.h"

#include <string_view>

namespace brivak::core {
namespace {

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Consumes `word` (compared without regard to ASCII case) from the front of `text`.
bool ConsumeWord(std::string_view& text, std::string_view word) {
  if (text.size() < word.size()) return false;
  for (size_t i = 0; i < word.size(); ++i) {
    if (AsciiUpper(text[i]) != AsciiUpper(word[i])) return false;
  }
  text.remove_prefix(word.size());
  return true;
}

}  // namespace

bool DecodeHotKey(GeneralSettings& General) {
  std::string_view text = General.sHotKey;
  bool shift = false, ctrl = false, alt = false;
  for (;;) {
    if (ConsumeWord(text, "Shift+")) {
      shift = true;
    } else if (ConsumeWord(text, "Ctrl+")) {
      ctrl = true;
    } else if (ConsumeWord(text, "Alt+")) {
      alt = true;
    } else {
      break;
    }
  }
  if (text.size() != 1) return false;
  const char key = AsciiUpper(text.front());
  if (!((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9'))) return false;

  General.sHKmod = (alt ? 1u : 0u) + (ctrl ? 2u : 0u) + (shift ? 4u : 0u);
  General.SHKid = key;
  General.sHKvirt = key;
  return true;
}

}  // namespace brivak::core
