// Keyboard and pointer grabs through Xlib.
#pragma once

#include <memory>
#include <string>

#include "platform/InputGuard.h"
#include "platform/linux/X11Connection.h"

namespace brivak::platform {

// X delivers grabbed input to the connection that holds the grab. The lock screen must keep
// receiving the keys typed into its password box, so in the program the guard borrows the
// toolkit's own connection (Borrow); a connection of its own (Open) suits a grab whose events
// nobody needs to read. The grabs use owner events: the program's own windows still get their
// input as usual. One thread, as InputGuard says.
class X11InputGuard : public InputGuard {
 public:
  // A connection of its own to `displayName` (empty: DISPLAY); null when it cannot connect.
  static std::unique_ptr<X11InputGuard> Open(const std::string& displayName = {});
  // Uses `display`, which must outlive the guard and be used on the guard's thread only.
  static std::unique_ptr<X11InputGuard> Borrow(_XDisplay* display);
  ~X11InputGuard() override;  // releases what it holds

  GrabReport Take(NativeWindow window) override;
  GrabReport Retry() override;
  void Release() override;
  GrabReport State() const override { return state_; }

 private:
  X11InputGuard(X11DisplayPtr owned, _XDisplay* display);
  GrabStatus GrabKeyboard();
  GrabStatus GrabPointer();

  X11DisplayPtr owned_;
  _XDisplay* display_;
  unsigned long window_ = 0;  // the X window of the last Take
  bool taken_ = false;
  GrabReport state_;
};

}  // namespace brivak::platform
