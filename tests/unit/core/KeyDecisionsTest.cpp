#include "proj/core/KeyDecisions.h"

#include <gtest/gtest.h>

#include <string>

namespace brivak::core {
namespace {

KeyEvent Down(LockKey key, bool alt = false, bool ctrl = false, bool f1 = false) {
  return KeyEvent{key, true, alt, ctrl, f1};
}

TEST(KeyDecisions, TableOfKeyEvents) {
  struct Case {
    std::string what;
    KeyEvent event;
    bool hideBar;
    KeyDecision decision;  // drop, unlockAndExit, openMenu, hideBar
  };
  const Case cases[] = {
      {"plain letter", Down(LockKey::Other), false, {}},
      {"Alt+letter passes", Down(LockKey::Other, true), false, {}},
      {"Alt+Tab", Down(LockKey::Tab, true), false, {true, false, false, false}},
      {"Alt+Esc", Down(LockKey::Escape, true), false, {true, false, false, false}},
      {"Ctrl+Esc", Down(LockKey::Escape, false, true), false, {true, false, false, false}},
      {"Esc alone passes", Down(LockKey::Escape), false, {}},
      {"Esc hides the bar", Down(LockKey::Escape), true, {false, false, false, true}},
      {"Ctrl+Esc hides the bar too", Down(LockKey::Escape, false, true), true, {true, false, false, true}},
      {"Tab alone passes", Down(LockKey::Tab), false, {}},
      {"F4 alone", Down(LockKey::F4), false, {true, false, false, false}},
      {"Ctrl+F4", Down(LockKey::F4, false, true), false, {true, false, false, false}},
      {"Alt+F4 asks Unlock & Exit", Down(LockKey::F4, true), false, {true, true, false, false}},
      {"left Windows key opens the menu", Down(LockKey::LeftWin), false, {true, false, true, false}},
      {"right Windows key opens the menu", Down(LockKey::RightWin), false, {true, false, true, false}},
      {"Ctrl+Win dropped, no menu", Down(LockKey::LeftWin, false, true), false, {true, false, false, false}},
      {"Alt+Win passes", Down(LockKey::LeftWin, true), false, {}},
      {"Alt+F1 asks Unlock & Exit", Down(LockKey::F1, true, false, true), false, {true, true, false, false}},
      {"F1 held, Alt repeats", Down(LockKey::Other, true, false, true), false, {true, true, false, false}},
      {"F1 alone passes", Down(LockKey::F1, false, false, true), false, {}},
      {"Ctrl+F1 passes", Down(LockKey::F1, false, true, true), false, {}},
      {"release of Alt+Tab", KeyEvent{LockKey::Tab, false, true, false, false}, false, {}},
      {"release of Alt+F1", KeyEvent{LockKey::F1, false, true, false, true}, false, {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DecideLockKey(c.event, c.hideBar), c.decision) << c.what;
  }
}

TEST(KeyDecisions, EmergencyExitNeverEndsTheLockUnasked) {
  // Whatever else is held, Alt+F1 yields the authorisation request and nothing that ends the lock.
  for (const bool ctrl : {false, true}) {
    for (const LockKey key : {LockKey::F1, LockKey::Other, LockKey::Tab, LockKey::Escape, LockKey::F4}) {
      const KeyDecision d = DecideLockKey(Down(key, true, ctrl, true), false);
      EXPECT_TRUE(d.unlockAndExit);
      EXPECT_TRUE(d.drop);
      EXPECT_FALSE(d.openMenu);
    }
  }
}

}  // namespace
}  // namespace brivak::core
