#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/fake/FakeClock.h"
#include "proj/core/GuessThrottle.h"

namespace brivak::core {
namespace {

using std::chrono::milliseconds;

class RemoteGuessThrottleTest : public ::testing::Test {
 protected:
  platform::FakeClock clock_;
  GuessThrottle throttle_{clock_};
};

TEST_F(RemoteGuessThrottleTest, DelayGrowsAfterThreeFreeFailuresUpToTheCap) {
  std::vector<long long> delays;
  for (int i = 0; i < 14; ++i) delays.push_back(throttle_.RecordFailure("203.0.113.7").count());
  EXPECT_EQ(delays, (std::vector<long long>{0, 0, 0, 250, 500, 1000, 2000, 4000, 8000, 16000, 30000, 30000,
                                            30000, 30000}));
}

TEST_F(RemoteGuessThrottleTest, AddressesAreCountedApart) {
  for (int i = 0; i < 5; ++i) throttle_.RecordFailure("203.0.113.7");
  EXPECT_EQ(throttle_.RecordFailure("203.0.113.8"), milliseconds(0));
  EXPECT_EQ(throttle_.RecordFailure("203.0.113.7"), milliseconds(1000));
}

TEST_F(RemoteGuessThrottleTest, SuccessResets) {
  for (int i = 0; i < 6; ++i) throttle_.RecordFailure("203.0.113.7");
  throttle_.RecordSuccess("203.0.113.7");
  EXPECT_EQ(throttle_.RecordFailure("203.0.113.7"), milliseconds(0));
  EXPECT_EQ(throttle_.Size(), 1u);
}

TEST_F(RemoteGuessThrottleTest, QuietAddressExpires) {
  for (int i = 0; i < 8; ++i) throttle_.RecordFailure("203.0.113.7");
  clock_.Advance(14 * 60 * 1000);
  EXPECT_EQ(throttle_.RecordFailure("203.0.113.7"), milliseconds(8000));  // the 9th: still remembered
  clock_.Advance(15 * 60 * 1000);
  EXPECT_EQ(throttle_.RecordFailure("203.0.113.7"), milliseconds(0));
}

TEST_F(RemoteGuessThrottleTest, LoopbackIsNeverHeldBackLongerThanThreeSeconds) {
  for (const char* loopback : {"127.0.0.1", "127.0.0.2", "0:0:0:0:0:0:0:1"}) {
    milliseconds last{0};
    for (int i = 0; i < 20; ++i) last = throttle_.RecordFailure(loopback);
    EXPECT_EQ(last, milliseconds(3000)) << loopback;
  }
}

TEST_F(RemoteGuessThrottleTest, TableIsBoundedAndEvictsTheStalest) {
  GuessThrottle small(clock_, GuessThrottle::Options{.maxEntries = 3});
  for (int i = 0; i < 5; ++i) small.RecordFailure("203.0.113.1");
  clock_.Advance(10);
  small.RecordFailure("203.0.113.2");
  clock_.Advance(10);
  small.RecordFailure("203.0.113.3");
  clock_.Advance(10);
  small.RecordFailure("203.0.113.4");  // evicts 203.0.113.1, the stalest
  EXPECT_EQ(small.Size(), 3u);
  EXPECT_EQ(small.RecordFailure("203.0.113.1"), milliseconds(0));  // starts afresh
  EXPECT_EQ(small.Size(), 3u);
}

TEST_F(RemoteGuessThrottleTest, ConcurrentFailuresAreAllCounted) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([this] {
      for (int i = 0; i < 50; ++i) throttle_.RecordFailure("203.0.113.9");
    });
  }
  for (auto& t : threads) t.join();
  throttle_.RecordSuccess("203.0.113.1");
  // 200 failures so far: the next is the 201st, far beyond the cap.
  EXPECT_EQ(throttle_.RecordFailure("203.0.113.9"), milliseconds(30000));
  EXPECT_EQ(throttle_.Size(), 1u);
}

}  // namespace
}  // namespace brivak::core
