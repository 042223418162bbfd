// Standby and hibernation through the system's own service (not interactive: no prompt of the
// desktop). Asynchronous: the outcome reaches `done` once, on the thread that asked (the UI
// thread), within kAnswerWaitMs; never blocks the caller.
#pragma once

#include <functional>
#include <string>

namespace brivak::platform {

struct PowerOutcome {
  bool accepted = false;  // the service took the request
  std::string error;      // why not, when not
};

class PowerActions {
 public:
  static constexpr int kAnswerWaitMs = 5000;
  using Done = std::function<void(PowerOutcome)>;
  virtual ~PowerActions() = default;
  virtual void Suspend(Done done) = 0;
  virtual void Hibernate(Done done) = 0;
};

}  // namespace brivak::platform
