// The lock's watchdog as brivak3 sees it: a process of its own that keeps black covers beneath
// the lock screen for as long as a lock lasts, so that a crash, abort or kill -9 of brivak3 while
// locked never shows the desktop; it then holds the input and starts brivak3 again, which locks
// again from its persisted "locked" state (proj/core/WatchdogState.h has the watchdog's side).
//
// Every call is bounded in time and never throws; a watchdog that is gone is started again at the
// next Attach or LockBegins. One thread (the main thread).
#pragma once

namespace brivak::platform {

class LockWatchdog {
 public:
  virtual ~LockWatchdog() = default;
  // Connects to the session's watchdog, starting one when none runs. False when none can be had.
  virtual bool Attach() = 0;
  // A lock begins: returns once the watchdog's covers are mapped (true), or false when no
  // watchdog answered in time. Windows mapped afterwards lie above the covers.
  virtual bool LockBegins() = 0;
  // The lock screen covers every monitor: a watchdog that holds the input after a crash or a
  // hand-over gives it up. True when it held the input and has let it go (the caller then takes
  // the grabs itself); false when it held none or did not answer.
  virtual bool LockHolds() = 0;
  // The lock ended normally.
  virtual void LockEnds() = 0;
  // The program stops while locked and a later start takes over: the watchdog keeps the screens
  // covered and the input held until a new lock holds, and starts brivak3 itself after a while.
  virtual void HandOver() = 0;
};

}  // namespace brivak::platform
