#include "proj/core/RightClickGesture.h"

#include <gtest/gtest.h>

#include "platform/fake/FakeClock.h"

namespace brivak::core {
namespace {

// Each click is a press and a release; `gaps` are the milliseconds before each event.
std::vector<bool> Events(platform::FakeClock& clock, RightClickGesture& gesture, const std::vector<int>& gaps) {
  std::vector<bool> opened;
  for (int gap : gaps) {
    clock.Advance(gap);
    opened.push_back(gesture.RegisterRightClick());
  }
  return opened;
}

TEST(RightClickGestureTest, ThreeQuickClicksOpenTheMenuOnTheThirdPress) {
  for (const std::int64_t start : {0LL, 5LL, 1000000LL}) {
    platform::FakeClock clock(platform::LocalTime{}, start);  // a tick count that starts near 0, too
    RightClickGesture gesture(clock);
    // press, release, press, release, press
    const auto opened = Events(clock, gesture, {10, 100, 200, 100, 200});
    EXPECT_EQ(opened, (std::vector<bool>{false, false, false, false, true})) << "clock at " << start;
    EXPECT_EQ(gesture.Count(), 0);
  }
}

TEST(RightClickGestureTest, AGapOfMoreThanTwoSecondsStartsAgain) {
  platform::FakeClock clock;
  RightClickGesture gesture(clock);
  // Two clicks, a pause, then three quick ones: the event after the pause is not counted.
  auto opened = Events(clock, gesture, {10, 100, 200, 100, 2001, 100, 200, 100, 200});
  EXPECT_EQ(opened, (std::vector<bool>{false, false, false, false, false, false, false, false, true}));
}

TEST(RightClickGestureTest, SlowClicksNeverOpen) {
  platform::FakeClock clock;
  RightClickGesture gesture(clock);
  for (bool open : Events(clock, gesture, {2500, 2500, 2500, 2500, 2500, 2500})) EXPECT_FALSE(open);
}

TEST(RightClickGestureTest, ExactlyTwoSecondsBetweenEventsNeitherCountsNorResets) {
  platform::FakeClock clock;
  RightClickGesture gesture(clock);
  // At exactly 2000 ms the count goes on but the menu does not open on that event.
  const auto opened = Events(clock, gesture, {10, 100, 100, 100, 2000, 100});
  EXPECT_EQ(opened, (std::vector<bool>{false, false, false, false, false, true}));
}

}  // namespace
}  // namespace brivak::core
