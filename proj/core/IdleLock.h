// The idle lock's decision for one tick of `MainTimer` (every second while no lock screen exists):
// the one-minute warning balloon, its withdrawal on activity, and the lock at `lockTime`.
// Plain function of its inputs; the tray controller carries out the step.
#pragma once

#include <cstdint>

namespace brivak::core {

inline constexpr const char* kIdleBalloonTitle = "One minute to lockdown";
inline constexpr const char* kIdleBalloonText =
    "The computer is idle. Brivak will automatically activate in 60 seconds unless the keyboard or "
    "mouse is moved.";
inline constexpr int kIdleBalloonSeconds = 10;

struct IdleLockInput {
  bool idleLock = true;        // the idleLock setting
  std::int64_t lockTime = 300;  // the lockTime setting, whole seconds (any value the store holds)
  std::uint64_t sysIdleMs = 0;  // SysIdleTime now
  bool balloonShowing = false;
  bool currentlyLocked = false;  // a lock session is active
};

struct IdleLockStep {
  bool showBalloon = false;  // debug "showing balloon hint...", the balloon, balloonShowing set
  bool hideBalloon = false;  // the balloon withdrawn, balloonShowing cleared
  bool lock = false;         // debug "hiding balloon hint. lockdown.", the lock launch, then "focus"
};

// `MainTimerTimer` after its debug line. The limit lockTime x 1000 is computed in 64 bits, so no
// setting overflows it: 0 locks on every tick, a negative value counts as always reached, and a
// value below 60 never shows the balloon (the remaining time starts below the warning window).
// The warning shows while 58.9 s < remaining <= 60 s; a balloon up since an earlier tick is
// withdrawn once remaining is back at 60 s or more (input happened).
IdleLockStep MainTimerTick(const IdleLockInput& in);

}  // namespace brivak::core
