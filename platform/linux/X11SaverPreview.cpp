#include "platform/linux/X11SaverPreview.h"

#include <X11/Xlib.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "platform/linux/X11Connection.h"

namespace brivak::platform {

namespace {

// The numbers of the preview (the same as core/SaverPreview.h; platform code does not include core).
constexpr int kBandTop = 43;
constexpr int kBandHeight = 65 - 43;
constexpr int kBandExtra = 32;
constexpr int kTextLeft = 45;
constexpr auto kInterval = std::chrono::milliseconds(100);
constexpr const char* kText = "Brivak 3.0";

}  // namespace

bool PaintSaverPreview(std::uint64_t window, const std::string& displayName) {
  if (window == 0) return false;
  X11DisplayPtr display = OpenX11Display(displayName);
  if (!display) return false;
  Display* dpy = display.get();
  const Window target = static_cast<Window>(window);
  GC gc = XCreateGC(dpy, DefaultRootWindow(dpy), 0, nullptr);
  XFontStruct* font = XLoadQueryFont(dpy, "fixed");
  if (font != nullptr) XSetFont(dpy, gc, font->fid);
  const int ascent = font != nullptr ? font->ascent : 10;
  const unsigned long green = 0x00FF00;  // TrueColor visuals: 0xRRGGBB
  for (;;) {
    XWindowAttributes attributes{};
    {
      // A window that is gone (BadWindow) ends the preview.
      X11ErrorTrap trap(dpy);
      const Status ok = XGetWindowAttributes(dpy, target, &attributes);
      if (trap.Sync() != 0 || ok == 0) break;
      XSetForeground(dpy, gc, BlackPixel(dpy, DefaultScreen(dpy)));
      XFillRectangle(dpy, target, gc, 0, kBandTop, static_cast<unsigned>(attributes.width + kBandExtra),
                     static_cast<unsigned>(kBandHeight));
      XSetForeground(dpy, gc, green);
      XDrawString(dpy, target, gc, kTextLeft, kBandTop + ascent, kText, static_cast<int>(std::strlen(kText)));
      if (trap.Sync() != 0) break;
    }
    std::this_thread::sleep_for(kInterval);
  }
  if (font != nullptr) XFreeFont(dpy, font);
  XFreeGC(dpy, gc);
  return true;
}

}  // namespace brivak::platform
