// The hotkey's stored companions: sHKid, sHKvirt and sHKmod are recomputed from the shortcut text
// sHotKey before every save. Only hkCtrl, hkAlt, hkShift, hkWin and hkHotKeyIndex decide what is
// registered; the companions are stored for other readers of the settings.
#pragma once

#include "proj/core/BrivakSettings.h"

namespace brivak::core {

// Parses sHotKey as shortcut text: any of the modifier words "Shift+", "Ctrl+", "Alt+" (in any
// order, letters in any case) followed by a key name. The accepted key names are the letters A-Z
// (either case) and the digits 0-9, whose key code is the ASCII code of the upper-case letter or
// digit; these are the only keys the options dialog produces. On success: sHKmod := Alt 1 + Ctrl 2 +
// Shift 4, sHKid := sHKvirt := the key code, and the result is true. Any other text leaves the
// three fields unchanged and returns false.
bool DecodeHotKey(GeneralSettings& General);

}  // namespace brivak::core
