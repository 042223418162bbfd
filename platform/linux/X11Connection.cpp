#include "platform/linux/X11Connection.h"

#include <X11/Xlib.h>

#include <atomic>

namespace brivak::platform {

namespace {

std::mutex gTrapTurn;                        // one trap at a time in the process
std::atomic<X11ErrorTrap*> gActiveTrap{nullptr};
std::atomic<XErrorHandler> gPreviousHandler{nullptr};

}  // namespace

struct X11ErrorTrapAccess {
  static int Handle(Display* display, XErrorEvent* event) {
    X11ErrorTrap* trap = gActiveTrap.load(std::memory_order_acquire);
    if (trap != nullptr && display == trap->display_ && event->serial >= trap->firstSerial_) {
      if (trap->firstError_ == 0) trap->firstError_ = event->error_code;
      return 0;
    }
    // Another connection's error (or one older than the trap): whoever handled it before decides.
    XErrorHandler previous = gPreviousHandler.load(std::memory_order_acquire);
    if (previous != nullptr && previous != &X11ErrorTrapAccess::Handle) {
      return previous(display, event);
    }
    return 0;
  }
};

void X11DisplayCloser::operator()(_XDisplay* display) const {
  if (display != nullptr) XCloseDisplay(display);
}

X11DisplayPtr OpenX11Display(const std::string& displayName) {
  return X11DisplayPtr(XOpenDisplay(displayName.empty() ? nullptr : displayName.c_str()));
}

X11ErrorTrap::X11ErrorTrap(_XDisplay* display) : turn_(gTrapTurn), display_(display) {
  XSync(display_, False);  // errors of earlier requests still reach the handler they expect
  firstSerial_ = NextRequest(display_);
  gPreviousHandler.store(XSetErrorHandler(&X11ErrorTrapAccess::Handle), std::memory_order_release);
  gActiveTrap.store(this, std::memory_order_release);
}

X11ErrorTrap::~X11ErrorTrap() {
  XSync(display_, False);
  gActiveTrap.store(nullptr, std::memory_order_release);
  XSetErrorHandler(gPreviousHandler.exchange(nullptr, std::memory_order_acq_rel));
}

int X11ErrorTrap::Sync() {
  XSync(display_, False);
  return firstError_;
}

}  // namespace brivak::platform
