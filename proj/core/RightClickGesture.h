// `RegisterRightClick`: three right clicks within two seconds open the lock-screen menu. Each press
// and each release of the right button (and each context-menu request of a browser) is one event.
// Times come from the injected clock. Main thread.
#pragma once

#include <cstdint>

#include "platform/Clock.h"

namespace brivak::core {

class RightClickGesture {
 public:
  static constexpr std::int64_t kWindowMs = 2000;

  // `clock` must outlive the gesture.
  explicit RightClickGesture(const platform::Clock& clock) : clock_(clock) {}

  // Counts one event; true when the menu opens. After a pause the menu opens on the press of the
  // third click: the event that finds a gap of more than two seconds resets the count and is not
  // counted itself, and more than three counted events within two seconds of each other open it.
  bool RegisterRightClick();
  // The start of a lock: both values 0.
  void Reset();
  int Count() const { return rclickCount_; }

 private:
  const platform::Clock& clock_;
  std::int64_t rclick1_ = 0;  // time of the previous event; 0: none since the last reset
  int rclickCount_ = 0;
};

}  // namespace brivak::core
