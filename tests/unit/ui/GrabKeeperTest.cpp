#include "proj/ui/GrabKeeper.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QMenu>

#include <gtest/gtest.h>

#include <algorithm>

#include "RecordingLog.h"
#include "platform/fake/RecordingInputGuard.h"

namespace brivak::ui {
namespace {

using platform::GrabStatus;

bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
  QDeadlineTimer deadline(timeoutMs);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}

long CountCalls(const platform::RecordingInputGuard& guard, const std::string& call) {
  return std::count(guard.Calls().begin(), guard.Calls().end(), call);
}

class GrabKeeperTest : public ::testing::Test {
 protected:
  testing::RecordingLog log;
  platform::RecordingInputGuard guard;
};

TEST_F(GrabKeeperTest, TakesBothGrabsOnTheWindowAndReleasesAtStop) {
  GrabKeeper keeper(&guard, log, std::chrono::milliseconds(5));
  keeper.Start(0x4200001);
  EXPECT_EQ(guard.Calls(), (std::vector<std::string>{"take " + std::to_string(0x4200001)}));
  EXPECT_TRUE(keeper.State().AllHeld());
  EXPECT_FALSE(keeper.Retrying());
  EXPECT_TRUE(log.mem.empty());
  keeper.Stop();
  EXPECT_EQ(guard.Calls().back(), "release");
  EXPECT_FALSE(keeper.Started());
}

TEST_F(GrabKeeperTest, RetriesWhileAnotherClientHoldsTheKeyboardAndReportsOnce) {
  guard.SetKeyboardAnswer(GrabStatus::HeldElsewhere);
  GrabKeeper keeper(&guard, log, std::chrono::milliseconds(5));
  keeper.Start(77);
  EXPECT_TRUE(keeper.Retrying());
  ASSERT_TRUE(PumpUntil([&] { return CountCalls(guard, "retry") >= 3; }));
  // One console line and one log line for the whole failure, not one per retry.
  EXPECT_EQ(testing::RecordingLog::Count(log.mem, kGrabFailedLine), 1);
  ASSERT_EQ(log.log.size(), 1u);
  EXPECT_EQ(log.log[0], "Input grab not held: keyboard held by another program, mouse held");

  guard.SetKeyboardAnswer(GrabStatus::Held);
  ASSERT_TRUE(PumpUntil([&] { return !keeper.Retrying(); }));
  EXPECT_TRUE(keeper.State().AllHeld());
  EXPECT_EQ(testing::RecordingLog::Count(log.mem, kGrabTakenLine), 1);
  const long retries = CountCalls(guard, "retry");
  QCoreApplication::processEvents(QEventLoop::AllEvents, 30);
  EXPECT_EQ(CountCalls(guard, "retry"), retries);  // no retrying once held
}

TEST_F(GrabKeeperTest, StopEndsTheRetries) {
  guard.SetPointerAnswer(GrabStatus::NotViewable);
  GrabKeeper keeper(&guard, log, std::chrono::milliseconds(5));
  keeper.Start(5);
  keeper.Stop();
  EXPECT_FALSE(keeper.Retrying());
  const auto calls = guard.Calls().size();
  QCoreApplication::processEvents(QEventLoop::AllEvents, 30);
  EXPECT_EQ(guard.Calls().size(), calls);
}

TEST_F(GrabKeeperTest, TakesTheGrabsAgainAfterOwnMenuOrDialogCloses) {
  GrabKeeper keeper(&guard, log, std::chrono::milliseconds(5));
  keeper.Start(9);
  for (int kind = 0; kind < 2; ++kind) {
    SCOPED_TRACE(kind == 0 ? "menu" : "dialog");
    std::unique_ptr<QWidget> window;
    if (kind == 0) window = std::make_unique<QMenu>();
    else window = std::make_unique<QDialog>();
    window->show();
    QCoreApplication::processEvents();
    guard.LoseGrabs();  // the popup's end dropped our grab behind the guard's back
    const long takes = CountCalls(guard, "take 9");
    window->hide();
    ASSERT_TRUE(PumpUntil([&] { return CountCalls(guard, "take 9") > takes; }));
    EXPECT_TRUE(keeper.State().AllHeld());
  }
}

TEST_F(GrabKeeperTest, WithoutAGuardTheLockSaysSoOnce) {
  GrabKeeper keeper(nullptr, log);
  keeper.Start(1);
  keeper.Retake();
  EXPECT_EQ(log.mem, (std::vector<std::string>{kNoGrabLine}));
  EXPECT_EQ(log.log, (std::vector<std::string>{kNoGrabLine}));
  EXPECT_FALSE(keeper.Retrying());
}

}  // namespace
}  // namespace brivak::ui
