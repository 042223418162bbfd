// The re-lock countdown of a lock that was unlocked in place: one tick a second from 300; at 0 the
// lock screen locks again. A pure state machine driven by the lock screen's one-second timer.
#pragma once

#include <string>

namespace brivak::core {

inline constexpr int kRelockSeconds = 300;

class RelockCountdown {
 public:
  enum class TickResult { Idle, Counting, Relock };

  // Starts counting from 300. A start while counting leaves the count where it stands.
  void Start();
  // Stops without re-locking (the lock was taken again by other means) and resets to 300.
  void Stop();
  // One second passed: Idle when not running; Counting after a decrement above 0; Relock when the
  // count reached 0 (the countdown then stops and resets to 300).
  TickResult Tick();

  bool Running() const { return running_; }
  int Remaining() const { return remaining_; }
  // The countdown label: the count followed by " seconds".
  std::string Label() const;

 private:
  bool running_ = false;
  int remaining_ = kRelockSeconds;
};

}  // namespace brivak::core
