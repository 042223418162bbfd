// What the system says about power: suspend and resume, a low battery, a change of the power
// source (mains / battery).
#pragma once

#include <functional>
#include <string>

namespace brivak::platform {

enum class PowerEvent { Suspending, Resumed, BatteryLow, PowerSourceChanged };

class PowerEvents {
 public:
  // Called on the thread that called Start (the UI thread), one event at a time.
  using Callback = std::function<void(PowerEvent)>;
  // Where the watcher says once that a service is missing ("not reported" lines).
  using Note = std::function<void(const std::string&)>;
  virtual ~PowerEvents() = default;
  // Starts listening; once. A missing bus or service is said once through `note`, and the
  // events of what is there are still reported.
  virtual void Start(Callback callback, Note note) = 0;
};

}  // namespace brivak::platform
