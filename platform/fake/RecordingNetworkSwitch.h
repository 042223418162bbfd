// Records the requests and answers each at once with the outcome the test sets.
#pragma once

#include <string>
#include <vector>

#include "platform/NetworkSwitch.h"

namespace brivak::platform {

class RecordingNetworkSwitch : public NetworkSwitch {
 public:
  // "off", "on", in order.
  const std::vector<std::string>& Calls() const { return calls_; }
  void Refuse(std::string error) { error_ = std::move(error); }

  void Enable(bool on, Done done) override {
    calls_.emplace_back(on ? "on" : "off");
    done(error_.empty(), error_);
  }

 private:
  std::vector<std::string> calls_;
  std::string error_;
};

}  // namespace brivak::platform
