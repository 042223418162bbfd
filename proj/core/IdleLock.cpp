#include "proj/core/IdleLock.h"

namespace brivak::core {

IdleLockStep MainTimerTick(const IdleLockInput& in) {
  IdleLockStep step;
  if (!in.idleLock) return step;
  const std::int64_t limit = in.lockTime * 1000;
  // Idle times beyond the signed range are capped; they are reached for every limit anyway.
  const std::int64_t idle = in.sysIdleMs > static_cast<std::uint64_t>(INT64_MAX / 2)
                                ? INT64_MAX / 2
                                : static_cast<std::int64_t>(in.sysIdleMs);
  const std::int64_t remaining = limit - idle;
  // A lockTime below a minute never warns, even right after input.
  if (limit >= 60000 && remaining > 58900 && remaining <= 60000) {
    step.showBalloon = true;
  } else if (in.balloonShowing && remaining >= 60000) {
    step.hideBalloon = true;
  }
  const bool reached = limit < 0 || idle >= limit;
  if (!reached || in.currentlyLocked) return step;
  step.showBalloon = false;
  step.hideBalloon = in.balloonShowing || step.hideBalloon;
  step.lock = true;
  return step;
}

}  // namespace brivak::core
