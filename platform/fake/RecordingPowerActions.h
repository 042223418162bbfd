// Records power requests and answers them at once with the outcome the test sets.
#pragma once

#include <string>
#include <vector>

#include "platform/PowerActions.h"

namespace brivak::platform {

class RecordingPowerActions : public PowerActions {
 public:
  // "suspend", "hibernate", in order.
  const std::vector<std::string>& Calls() const { return calls_; }
  void SetOutcome(PowerOutcome outcome) { outcome_ = std::move(outcome); }

  void Suspend(Done done) override {
    calls_.emplace_back("suspend");
    done(outcome_);
  }
  void Hibernate(Done done) override {
    calls_.emplace_back("hibernate");
    done(outcome_);
  }

 private:
  std::vector<std::string> calls_;
  PowerOutcome outcome_{true, {}};
};

}  // namespace brivak::platform
