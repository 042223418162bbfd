// The instance's main loop as the controller sees it: closures posted from any thread run in order
// on the main thread. The desktop build runs them in the toolkit's event loop; tests and tools use
// EventLoop, a plain queue.
#pragma once

#include <chrono>
#include <functional>

namespace brivak::app {

class MainLoop {
 public:
  using Task = std::function<void()>;
  virtual ~MainLoop() = default;

  // Thread-safe. Tasks run in posting order; delayed tasks once their time has come.
  virtual void Post(Task task) = 0;
  virtual void PostAfter(std::chrono::milliseconds delay, Task task) = 0;
  // Thread-safe. The loop ends after the task running now; tasks not yet run are dropped.
  virtual void Quit() = 0;
  // Main thread: runs what is due now without waiting, for callers that pump while busy.
  virtual void ProcessPending() = 0;
};

}  // namespace brivak::app
