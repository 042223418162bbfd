// What the lock screen does with a key event while locked. Pure: the platform's keyboard grab turns
// each event into a KeyEvent and carries out the decision.
//
// Alt+Tab, Alt+Esc, Ctrl+Esc, both Windows keys and F4 are dropped; other Alt combinations pass.
// Alt+F4 asks for "Unlock & Exit" (the lock screen's close request). Alt+F1, the emergency exit,
// also asks for the "Unlock & Exit" authorisation: it never ends the lock without a password.
#pragma once

#include <string_view>

namespace brivak::core {

enum class LockKey { Other, Escape, Tab, F1, F4, LeftWin, RightWin };

struct KeyEvent {
  LockKey key = LockKey::Other;
  bool down = true;      // key press (including auto-repeat); releases are let through untouched
  bool altHeld = false;  // Alt is held with this event
  bool ctrlHeld = false;
  bool f1Held = false;  // F1 is held down (the key of this event or an earlier one)
};

struct KeyDecision {
  bool drop = false;           // discard the key; the caller writes kSystemKeysInterceptedLine
  bool unlockAndExit = false;  // open the "Unlock & Exit" authorisation (once while it is open)
  bool openMenu = false;       // a Windows key alone: open the lock-screen menu
  bool hideBar = false;        // Escape with HideBrivakBar on: hide the bottom bar
  friend bool operator==(const KeyDecision&, const KeyDecision&) = default;
};

// The console line for a dropped key.
inline constexpr std::string_view kSystemKeysInterceptedLine = "System Keys Intercepted";

KeyDecision DecideLockKey(const KeyEvent& event, bool hideBrivakBar);

}  // namespace brivak::core
