// An owned Xlib connection and a scoped error trap. The header stays free of Xlib so that code
// which also includes Qt (whose names clash with Xlib's macros) can use the X11 services.
#pragma once

#include <memory>
#include <mutex>
#include <string>

struct _XDisplay;  // Xlib's Display

namespace brivak::platform {

struct X11DisplayCloser {
  void operator()(_XDisplay* display) const;
};
using X11DisplayPtr = std::unique_ptr<_XDisplay, X11DisplayCloser>;

// Opens a connection to `displayName` (empty: the DISPLAY variable). Null when it cannot.
X11DisplayPtr OpenX11Display(const std::string& displayName = {});

// Catches the X errors of the requests one connection sends while the trap lives, instead of
// letting Xlib's default handler end the process. Errors of other connections are passed on to
// the handler that was installed before. XSetErrorHandler is process-wide: traps in the process
// take turns through a mutex (one at a time, never nested; another library that replaces the
// handler meanwhile is not covered). Earlier requests of the connection are synchronised first
// so that their errors are not blamed on this trap.
class X11ErrorTrap {
 public:
  explicit X11ErrorTrap(_XDisplay* display);
  ~X11ErrorTrap();
  X11ErrorTrap(const X11ErrorTrap&) = delete;
  X11ErrorTrap& operator=(const X11ErrorTrap&) = delete;

  // Waits until the server has handled every request sent so far; returns the error code of the
  // first error caught since the trap was made (0: none). Xlib's codes: BadAccess 10, BadWindow 3.
  int Sync();
  int FirstError() const { return firstError_; }

 private:
  friend struct X11ErrorTrapAccess;  // the error handler in X11Connection.cpp
  std::unique_lock<std::mutex> turn_;
  _XDisplay* display_;
  unsigned long firstSerial_ = 0;
  int firstError_ = 0;
};

}  // namespace brivak::platform
