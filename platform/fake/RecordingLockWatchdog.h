// Records what the program tells its watchdog; tests decide whether one answers.
#pragma once

#include <string>
#include <vector>

#include "platform/LockWatchdog.h"

namespace brivak::platform {

class RecordingLockWatchdog : public LockWatchdog {
 public:
  // "attach", "lock", "held", "unlock", "handover", in order.
  const std::vector<std::string>& Calls() const { return calls_; }
  void SetAnswers(bool answers) { answers_ = answers; }

  bool Attach() override { return Record("attach"); }
  bool LockBegins() override { return Record("lock"); }
  bool LockHolds() override { return Record("held"); }
  void LockEnds() override { Record("unlock"); }
  void HandOver() override { Record("handover"); }

 private:
  bool Record(const char* call) {
    calls_.emplace_back(call);
    return answers_;
  }
  std::vector<std::string> calls_;
  bool answers_ = true;
};

}  // namespace brivak::platform
