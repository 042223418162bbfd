// The global hotkey: key combinations that reach this program from whichever window has the focus.
#pragma once

#include <cstdint>
#include <functional>

namespace brivak::platform {

// Combinations are given in X11 terms (the locker's settings are converted before): a keysym (for
// a letter its lower-case keysym, for example 0x73 for "s") and a modifier mask of ShiftMask 1,
// ControlMask 4, Mod1Mask 8 (Alt) and Mod4Mask 64 (Win). The combination fires also while CapsLock
// or NumLock is on: those variants are registered with it.
//
// Threading: not thread-safe. Register, Unregister, Pump and the callback all run on the one
// thread that owns the registrar (the user-interface thread); the callback is called from Pump.
class HotkeyRegistrar {
 public:
  using Callback = std::function<void(int id)>;

  virtual ~HotkeyRegistrar() = default;
  // Called with the id of a registered combination each time it is pressed.
  virtual void SetCallback(Callback callback) = 0;
  // Registers the combination under `id`, first unregistering what `id` held before. False, with
  // nothing of it registered, when the keysym has no key on the keyboard or another client holds
  // the combination (or one of its CapsLock/NumLock variants).
  virtual bool Register(int id, std::uint32_t keysym, std::uint32_t modifiers) = 0;
  // Harmless for an id that is not registered.
  virtual void Unregister(int id) = 0;
  virtual void UnregisterAll() = 0;
  virtual bool IsRegistered(int id) const = 0;
  // A descriptor that becomes readable when events may be waiting (-1 when there is none); the
  // caller watches it in its own loop and calls Pump() when it is readable. Call Pump() also
  // after Register and Unregister: their round trips may have queued events without the
  // descriptor staying readable.
  virtual int EventFd() const = 0;
  // Handles every event already waiting, without blocking; returns how many hotkey presses it
  // delivered to the callback.
  virtual int Pump() = 0;
};

}  // namespace brivak::platform
