// A LogSink that records every call, for the desktop-shell tests.
#pragma once

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

#include "common/LogSink.h"

namespace brivak::ui::testing {

class RecordingLog : public LogSink {
 public:
  void WriteLog(std::string_view text) override { Add(log, text); }
  void Mem(std::string_view text) override { Add(mem, text); }
  void LastMem(std::string_view text) override { Add(mem, text); }
  void Debug(std::string_view text) override { Add(debug, text); }

  static long Count(const std::vector<std::string>& lines, const std::string& text) {
    return std::count(lines.begin(), lines.end(), text);
  }

  std::vector<std::string> log, mem, debug;

 private:
  void Add(std::vector<std::string>& to, std::string_view text) {
    std::lock_guard lock(mutex_);
    to.emplace_back(text);
  }
  std::mutex mutex_;
};

}  // namespace brivak::ui::testing
