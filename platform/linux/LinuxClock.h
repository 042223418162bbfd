// The system clocks: steady_clock for the tick count, the local time zone for the wall clock.
#pragma once

#include "platform/Clock.h"

namespace brivak::platform {

// Stateless and thread-safe.
class LinuxClock : public Clock {
 public:
  std::int64_t MonotonicMs() const override;
  LocalTime Local() const override;
};

}  // namespace brivak::platform
