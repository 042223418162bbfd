#include "proj/core/RelockCountdown.h"

namespace brivak::core {

void RelockCountdown::Start() {
  running_ = true;
}

void RelockCountdown::Stop() {
  running_ = false;
  remaining_ = kRelockSeconds;
}

RelockCountdown::TickResult RelockCountdown::Tick() {
  if (!running_) return TickResult::Idle;
  --remaining_;
  if (remaining_ > 0) return TickResult::Counting;
  Stop();
  return TickResult::Relock;
}

std::string RelockCountdown::Label() const {
  return std::to_string(remaining_) + " seconds";
}

}  // namespace brivak::core
