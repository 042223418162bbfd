#include "platform/linux/X11InputGuard.h"

#include <X11/Xlib.h>

namespace brivak::platform {

namespace {

// A grab request that raised an X error (a bad window) counts as Failed whatever it returned.
GrabStatus FromX(int status, int error) {
  if (error != 0) return GrabStatus::Failed;
  switch (status) {
    case GrabSuccess: return GrabStatus::Held;
    case AlreadyGrabbed: return GrabStatus::HeldElsewhere;
    case GrabNotViewable: return GrabStatus::NotViewable;
    case GrabFrozen: return GrabStatus::Frozen;
    case GrabInvalidTime: return GrabStatus::InvalidTime;
    default: return GrabStatus::Failed;
  }
}

}  // namespace

std::unique_ptr<X11InputGuard> X11InputGuard::Open(const std::string& displayName) {
  X11DisplayPtr display = OpenX11Display(displayName);
  if (!display) return nullptr;
  _XDisplay* raw = display.get();
  return std::unique_ptr<X11InputGuard>(new X11InputGuard(std::move(display), raw));
}

std::unique_ptr<X11InputGuard> X11InputGuard::Borrow(_XDisplay* display) {
  if (display == nullptr) return nullptr;
  return std::unique_ptr<X11InputGuard>(new X11InputGuard(nullptr, display));
}

X11InputGuard::X11InputGuard(X11DisplayPtr owned, _XDisplay* display)
    : owned_(std::move(owned)), display_(display) {}

X11InputGuard::~X11InputGuard() { Release(); }

GrabStatus X11InputGuard::GrabKeyboard() {
  X11ErrorTrap trap(display_);
  const int status = XGrabKeyboard(display_, window_, True, GrabModeAsync, GrabModeAsync,
                                   CurrentTime);
  return FromX(status, trap.Sync());
}

GrabStatus X11InputGuard::GrabPointer() {
  X11ErrorTrap trap(display_);
  const unsigned int mask = ButtonPressMask | ButtonReleaseMask | PointerMotionMask;
  const int status = XGrabPointer(display_, window_, True, mask, GrabModeAsync, GrabModeAsync,
                                  None, None, CurrentTime);
  return FromX(status, trap.Sync());
}

GrabReport X11InputGuard::Take(NativeWindow window) {
  const unsigned long target =
      window == kRootWindow ? DefaultRootWindow(display_) : static_cast<unsigned long>(window);
  if (taken_ && target != window_) Release();  // a grab stays on its window: let go of the old one
  window_ = target;
  taken_ = true;
  state_.keyboard = GrabKeyboard();
  state_.pointer = GrabPointer();
  return state_;
}

GrabReport X11InputGuard::Retry() {
  if (!taken_) return state_;
  if (!state_.KeyboardHeld()) state_.keyboard = GrabKeyboard();
  if (!state_.PointerHeld()) state_.pointer = GrabPointer();
  return state_;
}

void X11InputGuard::Release() {
  if (taken_) {
    X11ErrorTrap trap(display_);
    if (state_.KeyboardHeld()) XUngrabKeyboard(display_, CurrentTime);
    if (state_.PointerHeld()) XUngrabPointer(display_, CurrentTime);
    trap.Sync();
  }
  taken_ = false;
  state_ = GrabReport{};
}

}  // namespace brivak::platform
