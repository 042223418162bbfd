// The hotkey's stored companions: sHKid, sHKvirt and sHKmod are recomputed from the shortcut text
// sHotKey before every save. Only hkCtrl, hkAlt, hkShift, hkWin and hkHotKeyIndex decide what is
// registered; the companions are stored for other readers of the settings.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "proj/core/BrivakSettings.h"

namespace brivak::core {

// Parses sHotKey as shortcut text: any of the modifier words "Shift+", "Ctrl+", "Alt+" (in any
// order, letters in any case) followed by a key name. The accepted key names are the letters A-Z
// (either case) and the digits 0-9, whose key code is the ASCII code of the upper-case letter or
// digit; these are the only keys the options dialog produces. On success: sHKmod := Alt 1 + Ctrl 2 +
// Shift 4, sHKid := sHKvirt := the key code, and the result is true. Any other text leaves the
// three fields unchanged and returns false.
bool DecodeHotKey(GeneralSettings& General);

// Virtual-key codes of the keys the hotkey can use.
inline constexpr int kVkNone = 0;
inline constexpr int kVkEscape = 27;
inline constexpr int kVkA = 65;
inline constexpr int kVkZ = 90;

// Registration flags of a combination.
inline constexpr std::uint32_t kModAlt = 1, kModControl = 2, kModShift = 4, kModWin = 8;

// 0 .. 25 give the key codes of A .. Z; any other index gives kVkNone.
int KeyIndexToVK(int index);
// 0 .. 25 give "A" .. "Z"; any other index leaves `text` unchanged.
void KeyIndexToStr(int index, std::string& text);
// "Ctrl + ", "Alt + ", "Shift + ", "Win + " for the modifiers set, in that order, then the letter
// of hkHotKeyIndex (nothing for an index outside A-Z). The defaults give "Ctrl + Alt + S".
std::string GetHotKeyText(const GeneralSettings& General);

// One combination to register: its id (0 the lock hotkey, 1 the debug Alt+Esc), key code and flags.
struct HotKeyItem {
  int id = 0;
  int virtKey = kVkNone;
  std::uint32_t modifiers = 0;  // kModAlt | kModControl | kModShift | kModWin
  friend bool operator==(const HotKeyItem&, const HotKeyItem&) = default;
};

// The combinations of SetHotKey: id 0 from hkCtrl, hkAlt, hkShift, hkWin and hkHotKeyIndex, and
// with `showDebug` id 1, Alt+Esc (captured so it does nothing). An hkHotKeyIndex outside A-Z gives
// no id 0 item: a key code of 0 would make the platform grab every key.
std::vector<HotKeyItem> HotKeyItems(const GeneralSettings& General, bool showDebug);

// The X11 form of an item: the keysym (lower-case letter or Escape) and the modifier mask, grabbed
// also with CapsLock and NumLock held. Nullopt for a key code X11 grabbing does not support here.
struct X11HotKey {
  std::uint32_t keysym = 0;
  std::array<std::uint32_t, 4> masks{};  // mask, +Lock, +Mod2 (NumLock), +Lock+Mod2
  friend bool operator==(const X11HotKey&, const X11HotKey&) = default;
};
std::optional<X11HotKey> ToX11HotKey(const HotKeyItem& item);

}  // namespace brivak::core
