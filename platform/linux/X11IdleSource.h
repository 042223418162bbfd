// Session idle time from the X server's MIT-SCREEN-SAVER extension.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "platform/IdleSource.h"
#include "platform/linux/X11Connection.h"

namespace brivak::platform {

// Owns a connection of its own; IdleMs() takes a mutex around it, so any thread may ask.
class X11IdleSource : public IdleSource {
 public:
  // Null when it cannot connect to `displayName` (empty: DISPLAY). A server without the
  // extension still gives a source; it answers 0 (Available() false).
  static std::unique_ptr<X11IdleSource> Open(const std::string& displayName = {});

  std::uint64_t IdleMs() const override;
  bool Available() const { return available_; }

 private:
  X11IdleSource(X11DisplayPtr display, bool available);

  mutable std::mutex mutex_;
  X11DisplayPtr display_;
  const bool available_;
};

}  // namespace brivak::platform
