// Keeping the lock in front: while started, a window of another program that is shown or raised
// above this program's windows (an override-redirect notification bubble as much as a normal
// window) is answered at once by raising this program's windows above it again, in their own
// order (dialogs of the lock stay above the lock screen).
#pragma once

namespace brivak::platform {

// One thread: the owner calls Pump when EventFd is readable.
class FrontKeeper {
 public:
  virtual ~FrontKeeper() = default;
  // Starts watching (and raises this program's windows once, if another's lies above them).
  virtual void Start() = 0;
  virtual void Stop() = 0;
  virtual bool Started() const = 0;
  // A descriptor that is readable when Pump has something to do; -1 when there is none.
  virtual int EventFd() const = 0;
  // Handles what waits; returns how many times this program's windows were raised again.
  virtual int Pump() = 0;
};

}  // namespace brivak::platform
