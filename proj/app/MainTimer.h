// `MainTimer`: the idle supervision of the tray controller. While enabled it ticks every second on
// the main loop and carries out the idle lock's decision (core/IdleLock.h) through its host.
// Enable and Disable may be called at any time on the main thread; a tick scheduled before a
// Disable does nothing, and Enable while enabled keeps the one running timer.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "proj/app/MainLoop.h"
#include "proj/core/DetectIdle.h"
#include "proj/core/IdleLock.h"

namespace brivak::app {

inline constexpr std::chrono::milliseconds kMainTimerInterval{1000};

// What a tick reads and does; main thread.
struct MainTimerHost {
  std::function<void(std::string_view)> debug;
  // The idleLock and lockTime settings, read afresh on every tick.
  std::function<std::pair<bool, std::int64_t>()> settings;
  std::function<bool()> currentlyLocked;
  std::function<void(const std::string& title, const std::string& text, int seconds)> showBalloon;
  std::function<void()> hideBalloon;
  // The lock launch, at once, on this tick; then "focus" to the new lock screen.
  std::function<void()> lockNow;
};

class MainTimer {
 public:
  // `loop` and `di2` must outlive the timer.
  MainTimer(MainLoop& loop, const core::TmcDetectIdle& di2, MainTimerHost host);

  void Enable();
  void Disable();
  bool Enabled() const { return enabled_; }
  bool BalloonShowing() const { return balloonShowing_; }
  // `MainTimerTimer`: one tick (the loop calls it; tests too).
  void MainTimerTimer();

 private:
  void Schedule();

  MainLoop& loop_;
  const core::TmcDetectIdle& di2_;
  MainTimerHost host_;
  bool enabled_ = false;
  bool balloonShowing_ = false;
  std::uint64_t generation_ = 0;  // bumped by Enable and Disable: older ticks are dropped
};

}  // namespace brivak::app
