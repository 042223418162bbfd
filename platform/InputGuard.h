// Holding the keyboard and pointer while the lock screen is up: the grabs that keep every key and
// click away from other programs.
#pragma once

#include <cstdint>

namespace brivak::platform {

// A native window: on X11 the window's XID. kRootWindow stands for the screen's root window.
using NativeWindow = std::uint64_t;
inline constexpr NativeWindow kRootWindow = 0;

// The outcome of one grab attempt.
enum class GrabStatus {
  NotTried,        // no attempt since construction or the last Release
  Held,            // the grab is ours
  HeldElsewhere,   // another client holds it; retry later (X: AlreadyGrabbed)
  NotViewable,     // the window is not mapped (yet); retry once it shows
  Frozen,          // another client froze the device
  InvalidTime,     // the server refused the request time
  Failed,          // any other refusal (a bad window, a lost connection)
};

struct GrabReport {
  GrabStatus keyboard = GrabStatus::NotTried;
  GrabStatus pointer = GrabStatus::NotTried;
  bool KeyboardHeld() const { return keyboard == GrabStatus::Held; }
  bool PointerHeld() const { return pointer == GrabStatus::Held; }
  bool AllHeld() const { return KeyboardHeld() && PointerHeld(); }
  friend bool operator==(const GrabReport&, const GrabReport&) = default;
};

// The retry policy is the caller's: it calls Retry() from a timer while a grab is missing, and
// Take() again after a menu or dialog of its own closes (those grab on the same connection and
// drop the guard's grab when they end, without the guard noticing). Not thread-safe: one thread.
class InputGuard {
 public:
  virtual ~InputGuard() = default;
  // Requests both grabs on `window`, also those the guard believes it holds (see above).
  virtual GrabReport Take(NativeWindow window) = 0;
  // Requests again only the grabs not held, on the window of the last Take. Without a Take
  // before, nothing is tried.
  virtual GrabReport Retry() = 0;
  // Gives up both grabs; afterwards both read NotTried. Harmless when nothing is held.
  virtual void Release() = 0;
  // What the last Take or Retry achieved.
  virtual GrabReport State() const = 0;
};

}  // namespace brivak::platform
