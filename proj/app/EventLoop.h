// The instance's main loop until the desktop shell exists: closures posted from any thread run in
// order on the thread that calls Run. It stands where the GUI toolkit's event loop will stand.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <utility>

namespace brivak::app {

class EventLoop {
 public:
  using Task = std::function<void()>;

  // Thread-safe. Tasks run in posting order; delayed tasks once their time has come (in deadline
  // order, ties in posting order).
  void Post(Task task);
  void PostAfter(std::chrono::milliseconds delay, Task task);
  // Thread-safe. Run returns after the task running now (if any); tasks not yet run are dropped.
  void Quit();

  // Runs tasks until Quit. Returns at once when Quit came before Run.
  void Run();
  // Runs the tasks that are due now without waiting; for callers that pump while busy.
  void ProcessPending();
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
