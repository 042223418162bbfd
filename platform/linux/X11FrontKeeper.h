// Keeping the lock in front on X11, as the proven X lockers do: SubstructureNotify on the root
// window reports every top-level window mapped, raised or restacked; when the topmost viewable
// window is not this program's, this program's viewable top-level windows are raised again,
// lowest first, so that their own order stays. "This program's" windows are those created on the
// toolkit's connection (X gives each connection its own range of window ids). The keeper reads
// its events on a connection of its own (see FrontKeeper for threading).
#pragma once

#include <memory>

#include "platform/FrontKeeper.h"
#include "platform/linux/X11Connection.h"

struct xcb_connection_t;

namespace brivak::platform {

class X11FrontKeeper : public FrontKeeper {
 public:
  // Watches the display of `owner` (the toolkit's connection, whose windows are ours; `ownerXcb`
  // is the same connection's xcb side, which tells its window id range); null when it cannot.
  static std::unique_ptr<X11FrontKeeper> Open(_XDisplay* owner, xcb_connection_t* ownerXcb);
  ~X11FrontKeeper() override;

  void Start() override;
  void Stop() override;
  bool Started() const override { return started_; }
  int EventFd() const override;
  int Pump() override;

 private:
  X11FrontKeeper(X11DisplayPtr display, unsigned long base, unsigned long mask);
  bool Ours(unsigned long window) const { return (window & ~mask_) == base_; }
  // Raises ours when another's window is on top; true when it did.
  bool Check();

  X11DisplayPtr display_;
  unsigned long root_ = 0;
  unsigned long base_ = 0;
  unsigned long mask_ = 0;
  bool started_ = false;
};

}  // namespace brivak::platform
