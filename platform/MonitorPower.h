// The monitors' power: `MonitorOff` switches every monitor off until the next input.
#pragma once

namespace brivak::platform {

class MonitorPower {
 public:
  virtual ~MonitorPower() = default;
  // True when the display took the request.
  virtual bool Off() = 0;
};

}  // namespace brivak::platform
