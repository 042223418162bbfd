// A LogSink that records every call, for tests. Thread-safe.
#pragma once

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "common/LogSink.h"

namespace brivak::test {

class RecordingLogSink : public LogSink {
 public:
  // Every call in order as "<channel>:<text>", channel one of log, mem, lastmem, debug.
  std::vector<std::string> Calls() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return calls_;
  }
  // The texts of one channel, in order.
  std::vector<std::string> Channel(std::string_view channel) const {
    std::lock_guard<std::mutex> guard(mutex_);
    std::vector<std::string> texts;
    const std::string prefix = std::string(channel) + ":";
    for (const std::string& c : calls_) {
      if (c.starts_with(prefix)) texts.push_back(c.substr(prefix.size()));
    }
    return texts;
  }
  void Clear() {
    std::lock_guard<std::mutex> guard(mutex_);
    calls_.clear();
  }

  void WriteLog(std::string_view text) override { Record("log", text); }
  void Mem(std::string_view text) override { Record("mem", text); }
  void LastMem(std::string_view text) override { Record("lastmem", text); }
  void Debug(std::string_view text) override { Record("debug", text); }

 private:
  void Record(std::string_view channel, std::string_view text) {
    std::lock_guard<std::mutex> guard(mutex_);
    calls_.push_back(std::string(channel) + ":" + std::string(text));
  }

  mutable std::mutex mutex_;
  std::vector<std::string> calls_;
};

}  // namespace brivak::test
