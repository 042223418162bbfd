#include "proj/core/RelockCountdown.h"

#include <gtest/gtest.h>

namespace brivak::core {
namespace {

using Tick = RelockCountdown::TickResult;

TEST(RelockCountdown, CountsFrom300AndRelocksAtZero) {
  RelockCountdown c;
  EXPECT_EQ(c.Tick(), Tick::Idle);
  EXPECT_EQ(c.Remaining(), 300);
  c.Start();
  EXPECT_EQ(c.Tick(), Tick::Counting);
  EXPECT_EQ(c.Label(), "299 seconds");
  for (int i = 0; i < 298; ++i) ASSERT_EQ(c.Tick(), Tick::Counting) << i;
  EXPECT_EQ(c.Label(), "1 seconds");
  EXPECT_EQ(c.Tick(), Tick::Relock);
  EXPECT_FALSE(c.Running());
  EXPECT_EQ(c.Remaining(), 300);
  EXPECT_EQ(c.Tick(), Tick::Idle);
}

TEST(RelockCountdown, SecondStartLeavesTheCountWhereItStands) {
  RelockCountdown c;
  c.Start();
  for (int i = 0; i < 10; ++i) c.Tick();
  c.Start();
  EXPECT_EQ(c.Remaining(), 290);
  EXPECT_TRUE(c.Running());
}

TEST(RelockCountdown, StopResetsWithoutRelocking) {
  RelockCountdown c;
  c.Start();
  c.Tick();
  c.Stop();
  EXPECT_EQ(c.Remaining(), 300);
  EXPECT_EQ(c.Tick(), Tick::Idle);
  c.Start();
  EXPECT_EQ(c.Tick(), Tick::Counting);
  EXPECT_EQ(c.Remaining(), 299);
}

}  // namespace
}  // namespace brivak::core
