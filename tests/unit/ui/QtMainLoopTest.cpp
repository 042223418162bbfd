#include "proj/ui/QtMainLoop.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace brivak::ui {
namespace {

// Pumps Qt's loop until `done` holds or the deadline passes.
bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
  QDeadlineTimer deadline(timeoutMs);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

TEST(QtMainLoopTest, PostsFromManyThreadsRunOnTheMainThreadInEachThreadsOrder) {
  QtMainLoop loop;
  const auto mainThread = std::this_thread::get_id();
  std::vector<std::pair<int, int>> seen;  // (thread, sequence)
  bool offMainThread = false;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 50; ++i) {
        loop.Post([&, t, i] {
          if (std::this_thread::get_id() != mainThread) offMainThread = true;
          seen.emplace_back(t, i);
        });
      }
    });
  }
  for (auto& thread : threads) thread.join();
  ASSERT_TRUE(PumpUntil([&] { return seen.size() == 200; }));
  EXPECT_FALSE(offMainThread);
  std::vector<int> next(4, 0);
  for (auto [t, i] : seen) {
    EXPECT_EQ(i, next[t]) << "thread " << t;
    next[t] = i + 1;
  }
}

TEST(QtMainLoopTest, DelayedTaskRunsAfterItsDelayAndAfterEarlierPosts) {
  QtMainLoop loop;
  std::vector<std::string> order;
  const qint64 t0 = QDeadlineTimer::current().deadline();
  qint64 ranAt = 0;
  loop.PostAfter(std::chrono::milliseconds(60), [&] {
    order.push_back("late");
    ranAt = QDeadlineTimer::current().deadline();
  });
  loop.Post([&] { order.push_back("now"); });
  ASSERT_TRUE(PumpUntil([&] { return order.size() == 2; }));
  EXPECT_EQ(order, (std::vector<std::string>{"now", "late"}));
  EXPECT_GE(ranAt - t0, 55);
}

TEST(QtMainLoopTest, ExceptionOfATaskGoesToTheHandlerAndLaterTasksStillRun) {
  QtMainLoop loop;
  std::string error;
  bool after = false;
  loop.SetErrorHandler([&](const std::string& message) { error = message; });
  loop.Post([] { throw std::runtime_error("boom"); });
  loop.Post([&] { after = true; });
  ASSERT_TRUE(PumpUntil([&] { return after; }));
  EXPECT_EQ(error, "boom");
}

TEST(QtMainLoopTest, ProcessPendingRunsWhatWasPostedBefore) {
  QtMainLoop loop;
  int runs = 0;
  loop.Post([&] { ++runs; });
  loop.Post([&] { ++runs; });
  loop.ProcessPending();
  EXPECT_EQ(runs, 2);
}

TEST(QtMainLoopTest, QuitDropsTasksNotYetRunAndEndsExec) {
  QtMainLoop loop;
  bool dropped = true;
  loop.Post([&] { loop.Quit(); });
  loop.Post([&] { dropped = false; });
  // exec returns once the queued quit arrives; the task after the quit never runs.
  QCoreApplication::exec();
  EXPECT_TRUE(loop.Quitting());
  QCoreApplication::processEvents();
  EXPECT_TRUE(dropped);
}

}  // namespace
}  // namespace brivak::ui
