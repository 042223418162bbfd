// A main loop without a GUI toolkit: closures posted from any thread run in order on the thread
// that calls Run. Used by tests and by tools that need no window.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <utility>

#include "proj/app/MainLoop.h"

namespace brivak::app {

class EventLoop final : public MainLoop {
 public:

  // Thread-safe. Tasks run in posting order; delayed tasks once their time has come (in deadline
  // order, ties in posting order).
  void Post(Task task) override;
  void PostAfter(std::chrono::milliseconds delay, Task task) override;
  // Thread-safe. Run returns after the task running now (if any); tasks not yet run are dropped.
  void Quit() override;

  // Runs tasks until Quit. Returns at once when Quit came before Run.
  void Run();
  // Runs the tasks that are due now without waiting; for callers that pump while busy.
  void ProcessPending() override;
  // Runs tasks until `done()` holds (checked before each task and whenever the loop would wait) or
  // `timeout` has passed; returns whether `done()` held. For callers that must wait on the loop's
  // work, such as tests.
  bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

 private:
  using Clock = std::chrono::steady_clock;
  bool RunOne(std::unique_lock<std::mutex>& lock, bool wait);

  std::mutex mutex_;
  std::condition_variable wake_;
  std::multimap<std::pair<Clock::time_point, std::uint64_t>, Task> tasks_;
  std::uint64_t sequence_ = 0;
  bool quit_ = false;
};

}  // namespace brivak::app
