#include "proj/app/MainTimer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/fake/FakeClock.h"
#include "platform/fake/SettableIdleSource.h"

namespace brivak::app {
namespace {

// A loop that keeps posted timers for the test to fire by hand, in order.
class ManualLoop : public MainLoop {
 public:
  void Post(Task task) override { due.push_back(std::move(task)); }
  void PostAfter(std::chrono::milliseconds delay, Task task) override {
    delays.push_back(delay);
    due.push_back(std::move(task));
  }
  void Quit() override {}
  void ProcessPending() override {}
  // Runs what is queued now (not what those tasks post).
  void RunQueued() {
    auto tasks = std::move(due);
    due.clear();
    for (auto& task : tasks) task();
  }
  std::vector<Task> due;
  std::vector<std::chrono::milliseconds> delays;
};

class MainTimerTest : public ::testing::Test {
 protected:
  MainTimerHost Host() {
    return MainTimerHost{
        .debug = [this](std::string_view text) { journal.emplace_back("debug:" + std::string(text)); },
        .settings = [this] { return std::pair<bool, std::int64_t>(idleLock, lockTime); },
        .currentlyLocked = [this] { return locked; },
        .showBalloon = [this](const std::string& title, const std::string&,
                              int seconds) { journal.push_back("balloon:" + title + ":" + std::to_string(seconds)); },
        .hideBalloon = [this] { journal.emplace_back("hide"); },
        .lockNow =
            [this] {
              journal.emplace_back("lock");
              locked = true;
              timer.Disable();  // as the lock launch does
            },
    };
  }
  // One second passes without input, then the timer fires.
  void Second(bool input = false) {
    clock.Advance(1000);
    if (input) idle.Input();
    else idle.Advance(1000);
    loop.RunQueued();
  }
  int Count(const std::string& entry) const {
    int n = 0;
    for (const auto& e : journal) n += e == entry;
    return n;
  }

  platform::FakeClock clock;
  platform::SettableIdleSource idle;
  core::TmcDetectIdle di2{idle, clock};
  ManualLoop loop;
  bool idleLock = true;
  std::int64_t lockTime = 63;
  bool locked = false;
  std::vector<std::string> journal;
  MainTimer timer{loop, di2, Host()};
};

TEST_F(MainTimerTest, WarnsAMinuteAheadLocksAtLockTimeAndStops) {
  idle.Set(500);  // ticks half a second off the whole seconds: one tick falls into the window
  timer.Enable();
  ASSERT_EQ(loop.delays.at(0), std::chrono::milliseconds(1000));
  for (int i = 0; i < 2; ++i) Second();
  EXPECT_EQ(Count("balloon:One minute to lockdown:10"), 0);
  Second();  // 3.5 s idle: 59.5 s remain
  EXPECT_EQ(Count("balloon:One minute to lockdown:10"), 1);
  EXPECT_TRUE(timer.BalloonShowing());
  for (int i = 0; i < 59; ++i) Second();
  EXPECT_EQ(Count("lock"), 0);
  EXPECT_EQ(Count("balloon:One minute to lockdown:10"), 1) << "one tick falls into the warning window";
  Second();  // 63 s
  EXPECT_EQ(Count("lock"), 1);
  EXPECT_EQ(Count("hide"), 1) << "the lock withdraws the balloon";
  EXPECT_FALSE(timer.BalloonShowing());
  EXPECT_EQ(Count("debug:hiding balloon hint. lockdown."), 1);
  // Disabled by the launch: no tick is left.
  loop.RunQueued();
  EXPECT_TRUE(loop.due.empty());
}

TEST_F(MainTimerTest, InputWithdrawsTheBalloonAndPostponesTheLock) {
  idle.Set(500);
  timer.Enable();
  for (int i = 0; i < 3; ++i) Second();
  ASSERT_TRUE(timer.BalloonShowing());
  Second(/*input=*/true);
  EXPECT_EQ(Count("hide"), 1);
  EXPECT_FALSE(timer.BalloonShowing());
  for (int i = 0; i < 62; ++i) Second();
  EXPECT_EQ(Count("lock"), 0) << "the idle time started again at the input";
  Second();
  EXPECT_EQ(Count("lock"), 1);
}

TEST_F(MainTimerTest, OffOrLockedDoesNothingAndReenableKeepsOneTimer) {
  idleLock = false;
  timer.Enable();
  timer.Enable();
  EXPECT_EQ(loop.due.size(), 1u);
  idle.Set(1000000);
  Second();
  EXPECT_EQ(Count("lock"), 0);
  idleLock = true;
  locked = true;  // a lock started another way
  Second();
  EXPECT_EQ(Count("lock"), 0);
  EXPECT_EQ(Count("debug:Main Timer"), 2);
  timer.Disable();
  Second();
  EXPECT_EQ(Count("debug:Main Timer"), 2) << "a tick scheduled before Disable does nothing";
}

}  // namespace
}  // namespace brivak::app
