// Time as decision code sees it. Injected; never read from the system directly in core code.
#pragma once

#include <cstdint>

namespace brivak::platform {

// A wall-clock moment in local time.
struct LocalTime {
  int year = 1970;
  int month = 1;    // 1..12
  int day = 1;      // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
  int weekday = 4;  // 0 = Sunday
};

class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds since an arbitrary start that never goes backwards (the tick count).
  virtual std::int64_t MonotonicMs() const = 0;
  // The wall clock, in local time.
  virtual LocalTime Local() const = 0;
};

}  // namespace brivak::platform
