// How long the user has left keyboard and pointer alone, anywhere in the desktop session.
#pragma once

#include <cstdint>

namespace brivak::platform {

// Thread-safe: the status record of the remote interface reads it from network threads.
class IdleSource {
 public:
  virtual ~IdleSource() = default;
  // Milliseconds since the last keyboard or pointer input in the session; 0 when the system
  // cannot tell (the idle lock then never fires, as without the measurement).
  virtual std::uint64_t IdleMs() const = 0;
};

}  // namespace brivak::platform
