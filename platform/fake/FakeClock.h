// A clock that tests set and advance by hand. Thread-safe.
#pragma once

#include <mutex>

#include "platform/Clock.h"

namespace brivak::platform {

class FakeClock : public Clock {
 public:
  FakeClock();  // 2026-12-09 10:00:00.000 local, tick 1000
  explicit FakeClock(const LocalTime& local, std::int64_t tick = 1000);

  std::int64_t MonotonicMs() const override;
  LocalTime Local() const override;

  void Set(const LocalTime& local);
  // Moves both the tick count and the wall clock forward (carrying into days, months, years).
  void Advance(std::int64_t ms);

 private:
  mutable std::mutex mutex_;
  std::int64_t tick_;
  std::int64_t wallMs_;  // milliseconds since 1970-01-01 00:00 of the local calendar
};

}  // namespace brivak::platform
