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

int KeyIndexToVK(int index) {
  return (index >= 0 && index <= 25) ? kVkA + index : kVkNone;
}

void KeyIndexToStr(int index, std::string& text) {
  if (index >= 0 && index <= 25) text = std::string(1, static_cast<char>('A' + index));
}

std::string GetHotKeyText(const GeneralSettings& General) {
  std::string text;
  if (General.hkCtrl) text += "Ctrl + ";
  if (General.hkAlt) text += "Alt + ";
  if (General.hkShift) text += "Shift + ";
  if (General.hkWin) text += "Win + ";
  std::string letter;
  KeyIndexToStr(General.hkHotKeyIndex, letter);
  return text + letter;
}

std::vector<HotKeyItem> HotKeyItems(const GeneralSettings& General, bool showDebug) {
  std::vector<HotKeyItem> items;
  const int key = KeyIndexToVK(General.hkHotKeyIndex);
  if (key != kVkNone) {
    const std::uint32_t modifiers = (General.hkCtrl ? kModControl : 0u) | (General.hkAlt ? kModAlt : 0u) |
                                    (General.hkShift ? kModShift : 0u) | (General.hkWin ? kModWin : 0u);
    items.push_back({0, key, modifiers});
  }
  if (showDebug) items.push_back({1, kVkEscape, kModAlt});
  return items;
}

std::optional<X11HotKey> ToX11HotKey(const HotKeyItem& item) {
  // X11 values: keysyms XK_a.. and XK_Escape; ShiftMask 1, LockMask 2, ControlMask 4, Mod1Mask (Alt)
  // 8, Mod2Mask (NumLock) 16, Mod4Mask (Super) 64.
  X11HotKey out;
  if (item.virtKey >= kVkA && item.virtKey <= kVkZ) {
    out.keysym = static_cast<std::uint32_t>('a' + (item.virtKey - kVkA));
  } else if (item.virtKey == kVkEscape) {
    out.keysym = 0xff1b;
  } else {
    return std::nullopt;
  }
  std::uint32_t mask = 0;
  if (item.modifiers & kModShift) mask |= 1u;
  if (item.modifiers & kModControl) mask |= 4u;
  if (item.modifiers & kModAlt) mask |= 8u;
  if (item.modifiers & kModWin) mask |= 64u;
  out.masks = {mask, mask | 2u, mask | 16u, mask | 2u | 16u};
  return out;
}

}  // namespace brivak::core
