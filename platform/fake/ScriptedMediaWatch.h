// Mount changes that a test injects by hand; the callback runs on the caller's thread.
#pragma once

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

#include "platform/MediaWatch.h"

namespace brivak::platform {

class ScriptedMediaWatch : public MediaWatch {
 public:
  explicit ScriptedMediaWatch(std::vector<std::string> mounted = {}) : mounted_(std::move(mounted)) {}
  void Start(Callback callback) override { callback_ = std::move(callback); }
  void Stop() override { callback_ = {}; }
  std::vector<std::string> MountPoints() const override {
    std::lock_guard lock(mutex_);
    return mounted_;
  }
  bool Started() const { return static_cast<bool>(callback_); }
  void Mount(const std::string& point) {
    {
      std::lock_guard lock(mutex_);
      mounted_.push_back(point);
    }
    if (callback_) callback_(MediaChange{true, point});
  }
  void Unmount(const std::string& point) {
    {
      std::lock_guard lock(mutex_);
      mounted_.erase(std::remove(mounted_.begin(), mounted_.end(), point), mounted_.end());
    }
    if (callback_) callback_(MediaChange{false, point});
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> mounted_;
  Callback callback_;
};

}  // namespace brivak::platform
