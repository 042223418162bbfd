// Recording stand-ins for the instance lock and channel, for the entry's tests.
#pragma once

#include <chrono>
#include <vector>

#include "platform/Instance.h"

namespace brivak::core::test {

// Answers TryAcquire with a fixed result and counts the calls.
class ScriptedLock : public platform::InstanceLock {
 public:
  explicit ScriptedLock(bool acquired) : acquired_(acquired) {}
  bool TryAcquire() override {
    ++calls;
    return acquired_;
  }
  int calls = 0;

 private:
  bool acquired_;
};

// Records every message sent, with its timeout, and answers with a fixed result.
class RecordingChannel : public platform::InstanceChannel {
 public:
  explicit RecordingChannel(platform::SendResult result) : result_(result) {}
  bool Listen(Handler) override { return true; }
  void StopListening() override {}
  platform::SendResult Send(const platform::InstanceMessage& message,
                            std::chrono::milliseconds timeout) override {
    sent.push_back(message);
    timeouts.push_back(timeout);
    return result_;
  }
  std::vector<platform::InstanceMessage> sent;
  std::vector<std::chrono::milliseconds> timeouts;

 private:
  platform::SendResult result_;
};

}  // namespace brivak::core::test
