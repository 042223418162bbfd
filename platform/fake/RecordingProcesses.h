// Records what would be started; answers with a settable result.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "platform/Processes.h"

namespace brivak::platform {

class RecordingProcesses : public Processes {
 public:
  struct Call {
    std::vector<std::string> argv;
    std::string workingDir;
  };
  bool Start(const std::vector<std::string>& argv, const std::string& workingDir) override {
    std::lock_guard lock(mutex_);
    calls_.push_back({argv, workingDir});
    return result_;
  }
  void SetResult(bool result) {
    std::lock_guard lock(mutex_);
    result_ = result;
  }
  std::vector<Call> Calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<Call> calls_;
  bool result_ = true;
};

}  // namespace brivak::platform
