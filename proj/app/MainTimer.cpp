#include "proj/app/MainTimer.h"

namespace brivak::app {

MainTimer::MainTimer(MainLoop& loop, const core::TmcDetectIdle& di2, MainTimerHost host)
    : loop_(loop), di2_(di2), host_(std::move(host)) {}

void MainTimer::Enable() {
  if (enabled_) return;
  enabled_ = true;
  ++generation_;
  Schedule();
}

void MainTimer::Disable() {
  enabled_ = false;
  ++generation_;
}

void MainTimer::Schedule() {
  loop_.PostAfter(kMainTimerInterval, [this, generation = generation_] {
    if (!enabled_ || generation != generation_) return;
    Schedule();  // first, so that a tick that locks (and disables the timer) stops the next one
    MainTimerTimer();
  });
}

void MainTimer::MainTimerTimer() {
  host_.debug("Main Timer");
  const auto [idleLock, lockTime] = host_.settings();
  core::IdleLockInput in;
  in.idleLock = idleLock;
  in.lockTime = lockTime;
  in.sysIdleMs = di2_.SysIdleTime();
  in.balloonShowing = balloonShowing_;
  in.currentlyLocked = host_.currentlyLocked();
  const core::IdleLockStep step = core::MainTimerTick(in);
  if (step.showBalloon) {
    balloonShowing_ = true;
    host_.debug("showing balloon hint...");
    host_.showBalloon(core::kIdleBalloonTitle, core::kIdleBalloonText, core::kIdleBalloonSeconds);
  }
  if (step.lock) host_.debug("hiding balloon hint. lockdown.");
  if (step.hideBalloon) {
    balloonShowing_ = false;
    host_.hideBalloon();
  }
  if (step.lock) host_.lockNow();
}

}  // namespace brivak::app
