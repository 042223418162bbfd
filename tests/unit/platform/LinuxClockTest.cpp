#include <gtest/gtest.h>

#include <chrono>
#include <ctime>

#include "platform/linux/LinuxClock.h"

namespace brivak::platform {
namespace {

TEST(LinuxClock, MonotonicNeverGoesBackAndAdvances) {
  const LinuxClock clock;
  const std::int64_t first = clock.MonotonicMs();
  std::int64_t last = first;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (last == first && std::chrono::steady_clock::now() < deadline) {
    const std::int64_t now = clock.MonotonicMs();
    ASSERT_GE(now, last);
    last = now;
  }
  EXPECT_GT(last, first);
}

bool SameSecond(const LocalTime& t, std::time_t when) {
  std::tm tm{};
  localtime_r(&when, &tm);
  return t.year == tm.tm_year + 1900 && t.month == tm.tm_mon + 1 && t.day == tm.tm_mday &&
         t.hour == tm.tm_hour && t.minute == tm.tm_min && t.second == tm.tm_sec && t.weekday == tm.tm_wday;
}

TEST(LinuxClock, LocalIsTheLocalWallClock) {
  const LinuxClock clock;
  const std::time_t before = std::time(nullptr);
  const LocalTime local = clock.Local();
  const std::time_t after = std::time(nullptr);
  bool matched = false;
  for (std::time_t t = before; t <= after; ++t) matched = matched || SameSecond(local, t);
  EXPECT_TRUE(matched) << local.year << "-" << local.month << "-" << local.day << " " << local.hour << ":"
                       << local.minute << ":" << local.second;
  EXPECT_GE(local.millisecond, 0);
  EXPECT_LE(local.millisecond, 999);
}

}  // namespace
}  // namespace brivak::platform
