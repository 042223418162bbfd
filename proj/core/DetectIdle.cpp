#include "proj/core/DetectIdle.h"

namespace brivak::core {

TmcDetectIdle::TmcDetectIdle(const platform::IdleSource& system, const platform::Clock& clock)
    : system_(system), clock_(clock), dwAppLastInputTime_(clock.MonotonicMs()) {}

std::uint64_t TmcDetectIdle::AppIdleTime() const {
  const std::int64_t idle = clock_.MonotonicMs() - dwAppLastInputTime_.load();
  return idle > 0 ? static_cast<std::uint64_t>(idle) : 0;
}

void TmcDetectIdle::AppInput() { dwAppLastInputTime_.store(clock_.MonotonicMs()); }

}  // namespace brivak::core
