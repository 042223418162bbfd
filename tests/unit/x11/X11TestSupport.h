// Helpers of the X11 tests: connections to the private Xvfb the test runs under, synthetic input
// through XTest, and waits on conditions with a deadline.
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <poll.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <thread>

#include "platform/linux/X11Connection.h"

namespace brivak::platform::x11test {

using namespace std::chrono_literals;
inline constexpr auto kDeadline = 5s;

// Calls `done` until it holds or the deadline passes; between calls it waits for `fd` to become
// readable (when given) or a few milliseconds.
inline bool WaitFor(const std::function<bool()>& done, int fd = -1,
                    std::chrono::milliseconds deadline = kDeadline) {
  const auto end = std::chrono::steady_clock::now() + deadline;
  while (!done()) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        end - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    if (fd >= 0) {
      pollfd watched{fd, POLLIN, 0};
      ::poll(&watched, 1, static_cast<int>(std::min<long long>(left.count(), 50)));
    } else {
      std::this_thread::sleep_for(std::min<std::chrono::milliseconds>(left, 5ms));
    }
  }
  return true;
}

// A client of the test display (DISPLAY, set by run-with-xvfb.sh).
inline X11DisplayPtr Connect() { return OpenX11Display(); }

inline KeyCode Code(Display* display, KeySym sym) { return XKeysymToKeycode(display, sym); }

// Presses the modifiers in order, taps `key`, releases the modifiers; waits until the server has
// taken it all.
inline void PressCombo(Display* driver, std::initializer_list<KeySym> modifiers, KeySym key) {
  for (KeySym modifier : modifiers) XTestFakeKeyEvent(driver, Code(driver, modifier), True, 0);
  XTestFakeKeyEvent(driver, Code(driver, key), True, 0);
  XTestFakeKeyEvent(driver, Code(driver, key), False, 0);
  for (auto it = std::rbegin(modifiers); it != std::rend(modifiers); ++it) {
    XTestFakeKeyEvent(driver, Code(driver, *it), False, 0);
  }
  XSync(driver, False);
}

// The current modifier state of the keyboard, as key events report it.
inline unsigned int ModifierState(Display* display) {
  Window root = 0, child = 0;
  int rootX = 0, rootY = 0, x = 0, y = 0;
  unsigned int mask = 0;
  XQueryPointer(display, DefaultRootWindow(display), &root, &child, &rootX, &rootY, &x, &y,
                &mask);
  return mask;
}

// The modifier bit that holds Num_Lock (0 when none does).
inline unsigned int NumLockMask(Display* display) {
  unsigned int result = 0;
  const KeyCode numLock = Code(display, XK_Num_Lock);
  XModifierKeymap* map = XGetModifierMapping(display);
  for (int modifier = 0; modifier < 8; ++modifier) {
    for (int k = 0; k < map->max_keypermod; ++k) {
      if (numLock != 0 && map->modifiermap[modifier * map->max_keypermod + k] == numLock) {
        result = 1u << modifier;
      }
    }
  }
  XFreeModifiermap(map);
  return result;
}

// Toggles CapsLock and NumLock until the keyboard reports the wanted states.
inline bool SetLocks(Display* driver, bool capsLock, bool numLock) {
  const unsigned int numMask = NumLockMask(driver);
  auto toggleTo = [&](KeySym key, unsigned int mask, bool on) {
    if (((ModifierState(driver) & mask) != 0) != on) PressCombo(driver, {}, key);
    return WaitFor([&] { return ((ModifierState(driver) & mask) != 0) == on; });
  };
  return toggleTo(XK_Caps_Lock, LockMask, capsLock) && toggleTo(XK_Num_Lock, numMask, numLock);
}

// An override-redirect window of `display`, mapped and viewable when `map` is true.
inline Window MakeWindow(Display* display, bool map, long eventMask = StructureNotifyMask) {
  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;
  attributes.event_mask = eventMask | StructureNotifyMask;
  const Window window = XCreateWindow(
      display, DefaultRootWindow(display), 0, 0, 200, 200, 0, CopyFromParent, InputOutput,
      nullptr, CWOverrideRedirect | CWEventMask, &attributes);
  if (map) {
    XMapWindow(display, window);
    XEvent event;
    WaitFor([&] {
      return XCheckTypedWindowEvent(display, window, MapNotify, &event) == True;
    }, ConnectionNumber(display));
  }
  XSync(display, False);
  return window;
}

}  // namespace brivak::platform::x11test
