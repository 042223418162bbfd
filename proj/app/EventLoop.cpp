#include "proj/app/EventLoop.h"

#include <algorithm>

namespace brivak::app {

void EventLoop::Post(Task task) { PostAfter(std::chrono::milliseconds(0), std::move(task)); }

void EventLoop::PostAfter(std::chrono::milliseconds delay, Task task) {
  {
    std::lock_guard lock(mutex_);
    tasks_.emplace(std::make_pair(Clock::now() + delay, sequence_++), std::move(task));
  }
  wake_.notify_one();
}

void EventLoop::Quit() {
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
  }
  wake_.notify_all();
}

// Takes the next due task and runs it outside the lock. Returns false when the loop should stop
// (quit, or nothing due and `wait` is false).
bool EventLoop::RunOne(std::unique_lock<std::mutex>& lock, bool wait) {
  for (;;) {
    if (quit_) return false;
    if (!tasks_.empty()) {
      auto first = tasks_.begin();
      if (first->first.first <= Clock::now()) {
        Task task = std::move(first->second);
        tasks_.erase(first);
        lock.unlock();
        task();
        lock.lock();
        return true;
      }
      if (!wait) return false;
      wake_.wait_until(lock, first->first.first);
    } else {
      if (!wait) return false;
      wake_.wait(lock);
    }
  }
}

void EventLoop::Run() {
  std::unique_lock lock(mutex_);
  while (RunOne(lock, true)) {
  }
}

void EventLoop::ProcessPending() {
  std::unique_lock lock(mutex_);
  while (RunOne(lock, false)) {
  }
}

bool EventLoop::RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  std::unique_lock lock(mutex_);
  for (;;) {
    lock.unlock();
    const bool finished = done();
    lock.lock();
    if (finished) return true;
    if (quit_ || Clock::now() >= deadline) return false;
    if (!tasks_.empty() && tasks_.begin()->first.first <= Clock::now()) {
      RunOne(lock, false);
      continue;
    }
    auto wakeAt = deadline;
    if (!tasks_.empty()) wakeAt = std::min(wakeAt, tasks_.begin()->first.first);
    // Wakes for a new post too; the condition is checked again either way.
    wake_.wait_until(lock, std::min(wakeAt, Clock::now() + std::chrono::milliseconds(20)));
  }
}

}  // namespace brivak::app
