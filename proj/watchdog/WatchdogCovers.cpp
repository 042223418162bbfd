#include "proj/watchdog/WatchdogCovers.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdlib>
#include <iostream>

namespace brivak::watchdog {

namespace {

// A failed request (a grab on a window going away) is not a reason to end: the watchdog goes on.
int IgnoreError(Display*, XErrorEvent*) { return 0; }

// Without its display there is nothing left to cover.
int ConnectionLost(Display*) {
  std::cout << "brivak3-watchdog: the X display went away, ending" << std::endl;
  std::_Exit(1);
}

}  // namespace

std::unique_ptr<WatchdogCovers> WatchdogCovers::Open(const std::string& displayName) {
  Display* display = XOpenDisplay(displayName.empty() ? nullptr : displayName.c_str());
  if (display == nullptr) return nullptr;
  XSetErrorHandler(IgnoreError);
  XSetIOErrorHandler(ConnectionLost);
  return std::unique_ptr<WatchdogCovers>(new WatchdogCovers(display));
}

WatchdogCovers::WatchdogCovers(_XDisplay* display) : display_(display) {
  Display* d = display_;
  const int screen = DefaultScreen(d);
  root_ = RootWindow(d, screen);
  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;
  attributes.background_pixel = BlackPixel(d, screen);
  attributes.border_pixel = BlackPixel(d, screen);
  attributes.event_mask = 0;
  // An invisible pointer over the cover.
  const char empty[1] = {0};
  Pixmap blank = XCreateBitmapFromData(d, root_, empty, 1, 1);
  XColor black{};
  attributes.cursor = XCreatePixmapCursor(d, blank, blank, &black, &black, 0, 0);
  XFreePixmap(d, blank);
  window_ = XCreateWindow(d, root_, 0, 0, static_cast<unsigned>(DisplayWidth(d, screen)),
                          static_cast<unsigned>(DisplayHeight(d, screen)), 0, CopyFromParent, InputOutput,
                          CopyFromParent, CWOverrideRedirect | CWBackPixel | CWBorderPixel | CWEventMask | CWCursor,
                          &attributes);
  XStoreName(d, window_, "Brivak watchdog cover");
  XClassHint hint{const_cast<char*>("brivak3-watchdog"), const_cast<char*>("Brivak3-watchdog")};
  XSetClassHint(d, window_, &hint);
  // Monitor changes resize the root window: the cover follows.
  XSelectInput(d, root_, StructureNotifyMask);
  FitToRoot();
  XSync(d, False);
}

WatchdogCovers::~WatchdogCovers() {
  ReleaseGrabs();
  XDestroyWindow(display_, window_);
  XCloseDisplay(display_);
}

void WatchdogCovers::FitToRoot() {
  XWindowAttributes root{};
  if (XGetWindowAttributes(display_, root_, &root) == 0) return;
  XMoveResizeWindow(display_, window_, 0, 0, static_cast<unsigned>(root.width), static_cast<unsigned>(root.height));
}

void WatchdogCovers::Map() {
  FitToRoot();
  XMapRaised(display_, window_);
  mapped_ = true;
  XSync(display_, False);
}

void WatchdogCovers::Raise() {
  if (!mapped_) {
    Map();
    return;
  }
  XRaiseWindow(display_, window_);
  XSync(display_, False);
}

void WatchdogCovers::Unmap() {
  ReleaseGrabs();
  XUnmapWindow(display_, window_);
  mapped_ = false;
  XSync(display_, False);
}

bool WatchdogCovers::TakeGrabs() {
  wantGrabs_ = true;
  keyboardHeld_ = pointerHeld_ = false;
  return Retry();
}

bool WatchdogCovers::Retry() {
  if (!wantGrabs_) return false;
  if (!keyboardHeld_) {
    keyboardHeld_ = XGrabKeyboard(display_, window_, False, GrabModeAsync, GrabModeAsync, CurrentTime) == GrabSuccess;
  }
  if (!pointerHeld_) {
    const unsigned mask = ButtonPressMask | ButtonReleaseMask | PointerMotionMask;
    pointerHeld_ = XGrabPointer(display_, window_, False, mask, GrabModeAsync, GrabModeAsync, window_, None,
                                CurrentTime) == GrabSuccess;
  }
  XFlush(display_);
  return GrabsHeld();
}

void WatchdogCovers::ReleaseGrabs() {
  if (!wantGrabs_) return;
  wantGrabs_ = false;
  if (keyboardHeld_) XUngrabKeyboard(display_, CurrentTime);
  if (pointerHeld_) XUngrabPointer(display_, CurrentTime);
  keyboardHeld_ = pointerHeld_ = false;
  XSync(display_, False);
}

int WatchdogCovers::Fd() const { return ConnectionNumber(display_); }

void WatchdogCovers::HandleEvents() {
  while (XPending(display_) > 0) {
    XEvent event;
    XNextEvent(display_, &event);
    if (event.type == ConfigureNotify && event.xconfigure.window == root_) FitToRoot();
  }
  XFlush(display_);
}

}  // namespace brivak::watchdog
