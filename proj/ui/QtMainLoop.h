// The program's main loop on Qt's event loop: closures posted from any thread run in order on the
// thread that owns this object (create it on the main thread, after the QApplication).
#pragma once

#include <QObject>

#include <atomic>
#include <functional>
#include <string>

#include "proj/app/MainLoop.h"

namespace brivak::ui {

class QtMainLoop final : public QObject, public app::MainLoop {
  Q_OBJECT

 public:
  // Called on the main thread with the message of an exception that escaped a task; Qt's loop
  // must never see an exception. Without a handler the exception is swallowed.
  using ErrorHandler = std::function<void(const std::string& message)>;

  explicit QtMainLoop(QObject* parent = nullptr);
  void SetErrorHandler(ErrorHandler handler) { onError_ = std::move(handler); }

  // Thread-safe. A queued call to this object: tasks run in posting order.
  void Post(Task task) override;
  // Thread-safe. The delay starts once the main thread has taken the request.
  void PostAfter(std::chrono::milliseconds delay, Task task) override;
  // Thread-safe. Ends QCoreApplication::exec after the task running now; later tasks are dropped.
  void Quit() override;
  // Main thread: handles the events waiting now (posted tasks included) without waiting.
  void ProcessPending() override;

  bool Quitting() const { return quitting_.load(); }

 private:
  void RunTask(const Task& task);

  std::atomic<bool> quitting_{false};
  ErrorHandler onError_;
};

}  // namespace brivak::ui
