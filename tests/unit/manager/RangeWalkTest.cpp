#include "manager/core/RangeWalk.h"

#include <gtest/gtest.h>

#include "platform/fake/FakeClock.h"
#include "unit/common/RecordingLogSink.h"
#include "unit/manager/LookupFakes.h"

namespace brivak::manager {
namespace {

using test::Deliver;
using test::FakeHttpLookup;

class RangeWalkTest : public ::testing::Test {
 protected:
  RangeWalkSettings Range(std::string start, std::string end) {
    RangeWalkSettings s;
    s.startAddress = std::move(start);
    s.endAddress = std::move(end);
    s.pace = std::chrono::milliseconds(0);
    return s;
  }
  // Completes one running lookup (the oldest), then lets the walk go on.
  void CompleteOne() {
    const std::uint64_t id = http.Running().begin()->first;
    Deliver(http, lookups, id, test::FailedReply(HttpLookupResult::Outcome::ConnectTimeout));
    walk.Tick();
  }
  std::vector<std::string> Hosts() const {
    std::vector<std::string> hosts;
    for (const auto& entry : http.Started()) hosts.push_back(entry.second.host);
    return hosts;
  }

  platform::FakeClock clock;
  FakeHttpLookup http;
  test::RecordingSink sink;
  brivak::test::RecordingLogSink log;
  int finished = 0;
  StatusLookups lookups{http, clock, sink, log};
  RangeWalk walk{lookups, clock, log, [this] { ++finished; }};
};

TEST_F(RangeWalkTest, InvalidBoundsStopBeforeAnythingIsSent) {
  struct Case {
    const char* start;
    const char* end;
    const char* error;
  };
  for (const Case& c : {Case{"127.0.0.300", "127.0.0.1", "Starting IP is not valid."},
                        Case{"127.0.01.1", "127.0.0.1", "Starting IP is not valid."},
                        Case{"127.0.0.1", "1.2.3", "Ending IP is not valid."},
                        Case{"127.0.0.1", "1.2.3.4.", "Ending IP is not valid."},
                        Case{"127.0.0.1", "1234.1.1.1", "Ending IP is not valid."}}) {
    const RangeWalk::StartResult r = walk.Start(Range(c.start, c.end));
    EXPECT_FALSE(r.started);
    EXPECT_EQ(r.error, c.error);
  }
  EXPECT_TRUE(http.Started().empty());
}

TEST_F(RangeWalkTest, PlanListsNumbersAndEveryAddress) {
  const RangeWalk::StartResult r = walk.Start(Range("127.0.0.254", "127.0.1.1"));
  ASSERT_TRUE(r.started);
  EXPECT_EQ(r.planLines, (std::vector<std::string>{"2130706686", "2130706689", "Will Scan:", "127.0.0.254",
                                                    "127.0.0.255", "127.0.1.0", "127.0.1.1"}));
  while (http.InFlight() > 0) CompleteOne();
  EXPECT_EQ(Hosts(), (std::vector<std::string>{"127.0.0.254", "127.0.0.255", "127.0.1.0", "127.0.1.1"}));
  EXPECT_EQ(finished, 1);
}

TEST_F(RangeWalkTest, EndBelowStartScansNothing) {
  const RangeWalk::StartResult r = walk.Start(Range("127.0.0.10", "127.0.0.5"));
  EXPECT_TRUE(r.started);
  EXPECT_EQ(r.planLines.back(), "Will Scan:");
  EXPECT_TRUE(http.Started().empty());
  EXPECT_FALSE(walk.Running());
}

TEST_F(RangeWalkTest, NeverMoreThanTwentyAtOnce) {
  ASSERT_TRUE(walk.Start(Range("127.0.0.1", "127.0.0.25")).started);
  EXPECT_EQ(http.InFlight(), 20u);
  while (http.InFlight() > 0) {
    EXPECT_LE(http.InFlight(), 20u);
    CompleteOne();
  }
  EXPECT_EQ(http.MaxInFlight(), 20u);
  EXPECT_EQ(http.Started().size(), 25u);
  EXPECT_EQ(finished, 1);
  EXPECT_FALSE(walk.Running());
}

// The limit is shared: a discovery's queries count against the walk's.
TEST_F(RangeWalkTest, TheLimitHoldsTogetherWithOtherQueries) {
  for (int i = 0; i < 15; ++i) lookups.Enqueue("127.0.9." + std::to_string(i), nullptr, {});
  ASSERT_TRUE(walk.Start(Range("127.0.0.1", "127.0.0.25")).started);
  EXPECT_EQ(http.InFlight(), 20u);
  while (http.InFlight() > 0) CompleteOne();
  EXPECT_EQ(http.MaxInFlight(), 20u);
  EXPECT_EQ(http.Started().size(), 40u);
}

TEST_F(RangeWalkTest, ARangeEndingAtTheLastAddressTerminates) {
  ASSERT_TRUE(walk.Start(Range("255.255.255.250", "255.255.255.255")).started);
  while (http.InFlight() > 0) CompleteOne();
  EXPECT_EQ(http.Started().size(), 6u);
  EXPECT_EQ(Hosts().back(), "255.255.255.255");
  EXPECT_FALSE(walk.Running());
  EXPECT_EQ(finished, 1);
}

TEST_F(RangeWalkTest, TooLargeARangeIsRefused) {
  const RangeWalk::StartResult r = walk.Start(Range("127.0.0.0", "127.1.0.0"));  // 65537 addresses
  EXPECT_FALSE(r.started);
  EXPECT_FALSE(r.error.empty());
  EXPECT_TRUE(r.planLines.empty());
  EXPECT_TRUE(http.Started().empty());
  const RangeWalk::StartResult largest = walk.Start(Range("127.0.0.1", "127.1.0.0"));
  EXPECT_TRUE(largest.started);
  EXPECT_EQ(largest.planLines.size(), 3u + 65536u);
  walk.Stop();
}

TEST_F(RangeWalkTest, PaceSpacesNewQueries) {
  RangeWalkSettings s = Range("127.0.0.1", "127.0.0.3");
  s.pace = std::chrono::milliseconds(10);
  ASSERT_TRUE(walk.Start(s).started);
  EXPECT_EQ(http.Started().size(), 1u);
  EXPECT_EQ(walk.NextDeadlineMs(), clock.MonotonicMs() + 10);
  clock.Advance(9);
  walk.Tick();
  EXPECT_EQ(http.Started().size(), 1u);
  clock.Advance(1);
  walk.Tick();
  EXPECT_EQ(http.Started().size(), 2u);
  const std::vector<std::string> mem = log.Channel("mem");
  EXPECT_NE(std::find(mem.begin(), mem.end(), "IP Loc Lookup: 127.0.0.2"), mem.end());
}

TEST_F(RangeWalkTest, OneWalkAtATimeAndStopEndsIt) {
  ASSERT_TRUE(walk.Start(Range("127.0.0.1", "127.0.0.30")).started);
  const RangeWalk::StartResult second = walk.Start(Range("127.0.0.1", "127.0.0.2"));
  EXPECT_FALSE(second.started);
  EXPECT_EQ(second.error, "A scan is already running.");
  walk.Stop();
  EXPECT_FALSE(walk.Running());
  EXPECT_EQ(lookups.InFlight(), 0u);
  EXPECT_EQ(http.Cancelled().size(), 20u);
  EXPECT_EQ(finished, 0);
}

// A /16 at the 10 ms pace: the progress counts what ended, the time left never undercuts the
// pacing, and Stop ends the walk at once with at most 20 queries out.
TEST_F(RangeWalkTest, ProgressAndTimeLeftOfASlashSixteenAndStopAtOnce) {
  RangeWalkSettings s = Range("127.5.0.0", "127.5.255.255");
  s.pace = std::chrono::milliseconds(10);
  ASSERT_TRUE(walk.Start(s).started);
  WalkProgress p = walk.Progress();
  EXPECT_TRUE(p.running);
  EXPECT_EQ(p.total, 65536u);
  EXPECT_EQ(p.started, 1u);
  EXPECT_GE(p.msLeft, 655340);  // 65535 more starts, 10 ms apart: 10 min 55 sec
  for (int i = 0; i < 100; ++i) {
    clock.Advance(10);
    walk.Tick();
    if (http.Running().size() == 20) CompleteOne();
    EXPECT_LE(http.Running().size(), 20u);
  }
  p = walk.Progress();
  EXPECT_EQ(p.started, 101u);
  EXPECT_EQ(p.handled + p.inFlight, p.started);
  EXPECT_LE(p.inFlight, 20u);
  EXPECT_GE(p.msLeft, (65536 - 101) * 10);
  EXPECT_EQ(WalkProgressText(p).rfind("Scanned " + std::to_string(p.handled) + " of 65536 addresses, ", 0), 0u)
      << WalkProgressText(p);
  EXPECT_NE(WalkProgressText(p).find(" min "), std::string::npos) << WalkProgressText(p);
  walk.Stop();
  EXPECT_FALSE(walk.Running());
  EXPECT_EQ(lookups.InFlight(), 0u);
  clock.Advance(1000);
  walk.Tick();
  EXPECT_EQ(walk.Progress().started, 101u);  // nothing more starts
  EXPECT_EQ(finished, 0);
}

}  // namespace
}  // namespace brivak::manager
