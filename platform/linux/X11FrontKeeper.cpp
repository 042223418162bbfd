#include "platform/linux/X11FrontKeeper.h"

#include <X11/Xlib.h>
#include <xcb/xcb.h>

#include <vector>

namespace brivak::platform {

std::unique_ptr<X11FrontKeeper> X11FrontKeeper::Open(_XDisplay* owner, xcb_connection_t* ownerXcb) {
  if (owner == nullptr || ownerXcb == nullptr) return nullptr;
  const xcb_setup_t* setup = xcb_get_setup(ownerXcb);
  if (setup == nullptr) return nullptr;
  X11DisplayPtr display = OpenX11Display(DisplayString(owner));
  if (!display) return nullptr;
  // The id range of the owner's connection: every window it creates has these high bits.
  return std::unique_ptr<X11FrontKeeper>(
      new X11FrontKeeper(std::move(display), setup->resource_id_base, setup->resource_id_mask));
}

X11FrontKeeper::X11FrontKeeper(X11DisplayPtr display, unsigned long base, unsigned long mask)
    : display_(std::move(display)), base_(base), mask_(mask) {
  root_ = DefaultRootWindow(display_.get());
}

X11FrontKeeper::~X11FrontKeeper() { Stop(); }

int X11FrontKeeper::EventFd() const { return ConnectionNumber(display_.get()); }

void X11FrontKeeper::Start() {
  if (started_) return;
  started_ = true;
  XSelectInput(display_.get(), root_, SubstructureNotifyMask);
  XSync(display_.get(), False);
  Check();
}

void X11FrontKeeper::Stop() {
  if (!started_) return;
  started_ = false;
  XSelectInput(display_.get(), root_, NoEventMask);
  XSync(display_.get(), False);
  while (XPending(display_.get()) > 0) {
    XEvent event;
    XNextEvent(display_.get(), &event);
  }
}

int X11FrontKeeper::Pump() {
  Display* d = display_.get();
  bool look = false;
  while (XPending(d) > 0) {
    XEvent event;
    XNextEvent(d, &event);
    unsigned long window = 0;
    switch (event.type) {
      case MapNotify: window = event.xmap.window; break;
      case ConfigureNotify: window = event.xconfigure.window; break;
      case CirculateNotify: window = event.xcirculate.window; break;
      default: continue;
    }
    // Our own restacking reports our windows: nothing to answer.
    if (!Ours(window)) look = true;
  }
  return started_ && look && Check() ? 1 : 0;
}

bool X11FrontKeeper::Check() {
  Display* d = display_.get();
  X11ErrorTrap trap(d);  // a window may go away between the query and the look at it
  Window rootReturn = 0, parent = 0;
  Window* children = nullptr;
  unsigned int count = 0;
  if (XQueryTree(d, root_, &rootReturn, &parent, &children, &count) == 0) return false;
  std::vector<Window> ours;  // viewable, lowest first
  bool foreignOnTop = false;
  for (unsigned int i = 0; i < count; ++i) {
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(d, children[i], &attributes) == 0 || attributes.map_state != IsViewable) continue;
    if (Ours(children[i])) {
      ours.push_back(children[i]);
      foreignOnTop = false;
    } else {
      foreignOnTop = true;
    }
  }
  if (children != nullptr) XFree(children);
  if (!foreignOnTop || ours.empty()) return false;
  for (Window window : ours) XRaiseWindow(d, window);
  trap.Sync();
  return true;
}

}  // namespace brivak::platform
