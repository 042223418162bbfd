// Monitor power through the X server's DPMS extension (force off), on a connection of its own.
#pragma once

#include <memory>
#include <string>

#include "platform/MonitorPower.h"
#include "platform/linux/X11Connection.h"

namespace brivak::platform {

class X11MonitorPower : public MonitorPower {
 public:
  // Null when it cannot connect to `displayName` (empty: DISPLAY).
  static std::unique_ptr<X11MonitorPower> Open(const std::string& displayName = {});
  // False when the display has no DPMS.
  bool Off() override;

 private:
  explicit X11MonitorPower(X11DisplayPtr display) : display_(std::move(display)) {}
  X11DisplayPtr display_;
};

}  // namespace brivak::platform
