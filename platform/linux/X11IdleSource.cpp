#include "platform/linux/X11IdleSource.h"

#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

namespace brivak::platform {

std::unique_ptr<X11IdleSource> X11IdleSource::Open(const std::string& displayName) {
  X11DisplayPtr display = OpenX11Display(displayName);
  if (!display) return nullptr;
  int eventBase = 0;
  int errorBase = 0;
  const bool available = XScreenSaverQueryExtension(display.get(), &eventBase, &errorBase) != 0;
  return std::unique_ptr<X11IdleSource>(new X11IdleSource(std::move(display), available));
}

X11IdleSource::X11IdleSource(X11DisplayPtr display, bool available)
    : display_(std::move(display)), available_(available) {}

std::uint64_t X11IdleSource::IdleMs() const {
  if (!available_) return 0;
  std::lock_guard lock(mutex_);
  XScreenSaverInfo info{};
  if (XScreenSaverQueryInfo(display_.get(), DefaultRootWindow(display_.get()), &info) == 0) {
    return 0;
  }
  return info.idle;
}

}  // namespace brivak::platform
