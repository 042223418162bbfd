#include "proj/app/EventLoop.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace brivak::app {
namespace {

using namespace std::chrono_literals;

TEST(EventLoop, RunsPostsInOrderFromManyThreadsUntilQuit) {
  EventLoop loop;
  constexpr int kThreads = 4, kEach = 200;
  std::vector<std::vector<int>> seen(kThreads);
  int total = 0;
  std::vector<std::thread> producers;
  for (int t = 0; t < kThreads; ++t) {
    producers.emplace_back([&, t] {
      for (int i = 0; i < kEach; ++i) {
        loop.Post([&, t, i] {
          seen[t].push_back(i);
          if (++total == kThreads * kEach) loop.Quit();
        });
      }
    });
  }
  loop.Run();
  for (auto& p : producers) p.join();
  for (int t = 0; t < kThreads; ++t) {
    ASSERT_EQ(seen[t].size(), static_cast<size_t>(kEach));
    for (int i = 0; i < kEach; ++i) EXPECT_EQ(seen[t][i], i);
  }
}

TEST(EventLoop, DelayedTasksRunByDeadlineAndQuitDropsTheRest) {
  EventLoop loop;
  std::vector<int> order;
  loop.PostAfter(30ms, [&] { order.push_back(2); });
  loop.PostAfter(0ms, [&] { order.push_back(1); });
  loop.PostAfter(60ms, [&] {
    order.push_back(3);
    loop.Quit();
  });
  loop.PostAfter(10min, [&] { order.push_back(99); });
  loop.Run();
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

TEST(EventLoop, ProcessPendingRunsOnlyWhatIsDue) {
  EventLoop loop;
  int ran = 0;
  loop.Post([&] { ++ran; });
  loop.PostAfter(10min, [&] { ran += 100; });
  loop.ProcessPending();
  EXPECT_EQ(ran, 1);
}

}  // namespace
}  // namespace brivak::app
