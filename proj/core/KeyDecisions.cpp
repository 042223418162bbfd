#include "proj/core/KeyDecisions.h"

namespace brivak::core {

KeyDecision DecideLockKey(const KeyEvent& event, bool hideBrivakBar) {
  KeyDecision d;
  if (!event.down) return d;
  const bool win = event.key == LockKey::LeftWin || event.key == LockKey::RightWin;

  if (event.key == LockKey::Escape && hideBrivakBar) d.hideBar = true;

  // The emergency exit asks for a password like every other way out; the key itself is consumed.
  if (event.altHeld && (event.f1Held || event.key == LockKey::F1)) {
    d.unlockAndExit = true;
    d.drop = true;
    return d;
  }

  if (event.key == LockKey::F4) d.drop = true;
  if (event.altHeld || (event.key == LockKey::Escape && event.ctrlHeld) || win) {
    d.drop = !(event.altHeld && event.key != LockKey::Escape && event.key != LockKey::Tab);
  }
  // Alt+F4 is the window's close request, which the lock screen answers with "Unlock & Exit".
  if (event.altHeld && event.key == LockKey::F4) {
    d.unlockAndExit = true;
    d.drop = true;
  }
  if (win && !event.altHeld && !event.ctrlHeld) d.openMenu = true;
  return d;
}

}  // namespace brivak::core
