// Records Start and Stop; a test stands in for a foreign window with Intrude().
#pragma once

#include <string>
#include <vector>

#include "platform/FrontKeeper.h"

namespace brivak::platform {

class RecordingFrontKeeper : public FrontKeeper {
 public:
  const std::vector<std::string>& Calls() const { return calls_; }
  // Another program's window went above ours: the next Pump raises ours (when started).
  void Intrude() { intruded_ = true; }

  void Start() override {
    calls_.emplace_back("start");
    started_ = true;
  }
  void Stop() override {
    calls_.emplace_back("stop");
    started_ = false;
  }
  bool Started() const override { return started_; }
  int EventFd() const override { return -1; }
  int Pump() override {
    const bool raise = started_ && intruded_;
    intruded_ = false;
    if (raise) calls_.emplace_back("raise");
    return raise ? 1 : 0;
  }

 private:
  std::vector<std::string> calls_;
  bool started_ = false;
  bool intruded_ = false;
};

}  // namespace brivak::platform
