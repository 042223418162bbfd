// The watchdog's black cover over the whole X screen (every monitor lies inside the root window)
// and its keyboard and pointer grabs. Plain Xlib on a connection of its own; one thread.
#pragma once

#include <memory>
#include <string>

struct _XDisplay;

namespace brivak::watchdog {

class WatchdogCovers {
 public:
  // Connects to `displayName` (empty: DISPLAY); null when it cannot.
  static std::unique_ptr<WatchdogCovers> Open(const std::string& displayName = {});
  ~WatchdogCovers();
  WatchdogCovers(const WatchdogCovers&) = delete;
  WatchdogCovers& operator=(const WatchdogCovers&) = delete;

  // Maps the cover where a new window goes (on top of what is mapped now) and waits until the
  // server has done it; windows mapped later lie above it.
  void Map();
  // Raises the cover above every window (mapping it when it is not).
  void Raise();
  void Unmap();
  // Starts holding both grabs on the cover; true when both are held now. Retry() while not.
  bool TakeGrabs();
  bool Retry();
  void ReleaseGrabs();
  bool WantsGrabs() const { return wantGrabs_; }
  bool GrabsHeld() const { return keyboardHeld_ && pointerHeld_; }

  // The connection's file descriptor, readable when events wait; HandleEvents reads them all
  // (root size changes resize the cover).
  int Fd() const;
  void HandleEvents();

 private:
  explicit WatchdogCovers(_XDisplay* display);
  void FitToRoot();

  _XDisplay* display_;
  unsigned long root_ = 0;
  unsigned long window_ = 0;
  bool mapped_ = false;
  bool wantGrabs_ = false;
  bool keyboardHeld_ = false;
  bool pointerHeld_ = false;
};

}  // namespace brivak::watchdog
