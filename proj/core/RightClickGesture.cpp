#include "proj/core/RightClickGesture.h"

namespace brivak::core {

bool RightClickGesture::RegisterRightClick() {
  const std::int64_t now = clock_.MonotonicMs();
  ++rclickCount_;
  // No earlier event counts as an endless gap, whatever the clock's reading (a clock that starts
  // near 0 would otherwise make the first event look recent).
  const bool none = rclick1_ == 0;
  const std::int64_t gap = none ? kWindowMs + 1 : now - rclick1_;
  bool open = false;
  if (rclickCount_ > 3 && gap < kWindowMs) {
    open = true;
    rclickCount_ = 0;
  } else if (gap > kWindowMs) {
    rclickCount_ = 0;
    rclick1_ = 0;
  }
  rclick1_ = now == 0 ? 1 : now;  // 0 is kept for "none"
  return open;
}

void RightClickGesture::Reset() {
  rclick1_ = 0;
  rclickCount_ = 0;
}

}  // namespace brivak::core
