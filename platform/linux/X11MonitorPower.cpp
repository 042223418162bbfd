#include "platform/linux/X11MonitorPower.h"

#include <X11/Xlib.h>
#include <X11/extensions/dpms.h>

namespace brivak::platform {

std::unique_ptr<X11MonitorPower> X11MonitorPower::Open(const std::string& displayName) {
  X11DisplayPtr display = OpenX11Display(displayName);
  if (!display) return nullptr;
  return std::unique_ptr<X11MonitorPower>(new X11MonitorPower(std::move(display)));
}

bool X11MonitorPower::Off() {
  Display* d = display_.get();
  if (!DPMSCapable(d)) return false;
  X11ErrorTrap trap(d);
  DPMSEnable(d);  // force levels need DPMS on
  DPMSForceLevel(d, DPMSModeOff);
  return trap.Sync() == 0;
}

}  // namespace brivak::platform
