#include "proj/core/IdleLock.h"

#include <gtest/gtest.h>

#include <limits>

#include "platform/fake/FakeClock.h"
#include "platform/fake/SettableIdleSource.h"
#include "proj/core/DetectIdle.h"

namespace brivak::core {
namespace {

struct TickCase {
  const char* name;
  IdleLockInput in;
  bool show, hide, lock;
};

IdleLockInput In(std::int64_t lockTime, std::uint64_t idleMs, bool balloon = false, bool locked = false,
                 bool idleLock = true) {
  return IdleLockInput{idleLock, lockTime, idleMs, balloon, locked};
}

class MainTimerTickTest : public ::testing::TestWithParam<TickCase> {};

TEST_P(MainTimerTickTest, DecidesBalloonAndLock) {
  const TickCase& c = GetParam();
  const IdleLockStep step = MainTimerTick(c.in);
  EXPECT_EQ(step.showBalloon, c.show);
  EXPECT_EQ(step.hideBalloon, c.hide);
  EXPECT_EQ(step.lock, c.lock);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MainTimerTickTest,
    ::testing::Values(
        TickCase{"Off", In(300, 400000, false, false, false), false, false, false},
        TickCase{"Fresh", In(300, 0), false, false, false},
        TickCase{"JustBeforeWarning", In(300, 239999), false, false, false},
        TickCase{"WarningStarts", In(300, 240000), true, false, false},
        TickCase{"WarningWindowEnd", In(300, 241099), true, false, false},
        TickCase{"PastWarningWindow", In(300, 241100), false, false, false},
        TickCase{"BalloonStaysWhileIdle", In(300, 250000, true), false, false, false},
        TickCase{"InputWithdrawsBalloon", In(300, 100, true), false, true, false},
        TickCase{"BalloonAtExactlyAMinuteIsNotWithdrawn", In(300, 240000, true), true, false, false},
        TickCase{"LockAtLockTime", In(300, 300000), false, false, true},
        TickCase{"LockHidesBalloon", In(300, 300500, true), false, true, true},
        TickCase{"NoSecondLock", In(300, 400000, false, true), false, false, false},
        TickCase{"ZeroLocksAtOnce", In(0, 0), false, false, true},
        TickCase{"BelowAMinuteNeverWarns", In(59, 50), false, false, false},
        TickCase{"BelowAMinuteLocks", In(3, 3000), false, false, true},
        TickCase{"BelowAMinuteWaits", In(3, 2999), false, false, false},
        TickCase{"NegativeAlwaysReached", In(-5, 0), false, false, true},
        // 3,000,000 s x 1000 does not fit 32 bits; it must neither wrap to a reached limit nor warn.
        TickCase{"LargeLockTimeNoOverflow", In(3000000, 1000), false, false, false},
        TickCase{"LargeLockTimeWarns", In(3000000, 3000000000ULL - 60000), true, false, false},
        TickCase{"LargeLockTimeLocks", In(3000000, 3000000000ULL), false, false, true},
        TickCase{"HugeIdle", In(300, std::numeric_limits<std::uint64_t>::max()), false, false, true}),
    [](const ::testing::TestParamInfo<TickCase>& info) { return std::string(info.param.name); });

TEST(TmcDetectIdle, AppIdleTimeCountsFromTheLastInputOnTheInjectedClock) {
  platform::FakeClock clock;
  platform::SettableIdleSource system;
  TmcDetectIdle detector(system, clock);
  EXPECT_EQ(detector.AppIdleTime(), 0u);
  clock.Advance(2500);
  EXPECT_EQ(detector.AppIdleTime(), 2500u);
  detector.AppInput();
  EXPECT_EQ(detector.AppIdleTime(), 0u);
  clock.Advance(700);
  EXPECT_EQ(detector.AppIdleTime(), 700u);
  // The session's figure is the system's, independent of the program's own input.
  system.Set(12345);
  EXPECT_EQ(detector.SysIdleTime(), 12345u);
  detector.AppInput();
  EXPECT_EQ(detector.SysIdleTime(), 12345u);
}

}  // namespace
}  // namespace brivak::core
