#include "proj/core/WatchdogState.h"

#include <gtest/gtest.h>

namespace brivak::core {
namespace {

using Kind = WatchdogAction::Kind;
using Phase = WatchdogState::Phase;

// The kinds of `actions` without the log lines, replies as "reply <text>".
std::vector<std::string> Effects(const std::vector<WatchdogAction>& actions) {
  std::vector<std::string> out;
  for (const auto& a : actions) {
    switch (a.kind) {
      case Kind::MapCovers: out.push_back("map"); break;
      case Kind::RaiseCovers: out.push_back("raise"); break;
      case Kind::UnmapCovers: out.push_back("unmap"); break;
      case Kind::TakeGrabs: out.push_back("grab"); break;
      case Kind::ReleaseGrabs: out.push_back("ungrab"); break;
      case Kind::Reply: out.push_back("reply " + a.text); break;
      case Kind::StartLocker: out.push_back("start"); break;
      case Kind::Exit: out.push_back("exit"); break;
      case Kind::Log: break;
    }
  }
  return out;
}

using V = std::vector<std::string>;

TEST(WatchdogStateTest, ANormalLockMapsBeneathAndUnmapsAtItsEndThenTheLastLockerLeaves) {
  WatchdogState state;
  state.OnConnected(3);
  EXPECT_EQ(Effects(state.OnLine(3, "lock", 0)), (V{"map", "reply covered"}));
  EXPECT_EQ(state.CurrentPhase(), Phase::Covering);
  EXPECT_EQ(Effects(state.OnLine(3, "held", 5)), (V{"reply ok"})) << "no grabs were held";
  EXPECT_EQ(Effects(state.OnLine(3, "unlock", 9)), (V{"unmap"}));
  EXPECT_EQ(state.CurrentPhase(), Phase::Idle);
  EXPECT_EQ(Effects(state.OnGone(3, 10)), (V{"exit"})) << "a lock that ended normally never triggers it";
}

TEST(WatchdogStateTest, ALockerGoneWhileLockedIsCoveredHeldAndStartedAgainUntilTheNewLockHolds) {
  WatchdogState state(60000, 20000);
  state.OnConnected(3);
  state.OnLine(3, "lock", 0);
  EXPECT_EQ(Effects(state.OnGone(3, 100)), (V{"raise", "grab", "start"}));
  EXPECT_EQ(state.CurrentPhase(), Phase::Holding);
  // The new start locks: the covers are up already; its "held" hands the input back.
  state.OnConnected(4);
  EXPECT_EQ(Effects(state.OnLine(4, "lock", 900)), (V{"reply covered"}));
  EXPECT_EQ(state.CurrentPhase(), Phase::Holding);
  EXPECT_EQ(Effects(state.OnLine(4, "held", 1200)), (V{"ungrab", "reply released"}));
  EXPECT_EQ(state.CurrentPhase(), Phase::Covering);
  EXPECT_EQ(state.NextDeadline(), std::nullopt);
  EXPECT_TRUE(Effects(state.OnTick(60000)).empty());
  // It in turn crashes: the same again.
  EXPECT_EQ(Effects(state.OnGone(4, 70000)), (V{"raise", "grab", "start"}));
}

TEST(WatchdogStateTest, ARestartThatDoesNotLockIsFollowedByAnotherAfterTheRetryTime) {
  WatchdogState state(60000, 20000);
  state.OnConnected(3);
  state.OnLine(3, "lock", 0);
  state.OnGone(3, 100);
  EXPECT_EQ(state.NextDeadline(), 20100);
  EXPECT_TRUE(Effects(state.OnTick(20099)).empty());
  EXPECT_EQ(Effects(state.OnTick(20100)), (V{"start"}));
  EXPECT_EQ(state.NextDeadline(), 40100);
  // A restarted locker that ends before locking changes nothing: the lock is still held.
  state.OnConnected(5);
  EXPECT_TRUE(Effects(state.OnGone(5, 20500)).empty());
  EXPECT_EQ(state.CurrentPhase(), Phase::Holding);
}

TEST(WatchdogStateTest, AHandOverHoldsAndStartsTheLockerOnlyWhenNoneLockedWithinTheWait) {
  WatchdogState state(60000, 20000);
  state.OnConnected(3);
  state.OnLine(3, "lock", 0);
  EXPECT_EQ(Effects(state.OnLine(3, "handover", 1000)), (V{"raise", "grab"}));
  EXPECT_TRUE(Effects(state.OnGone(3, 1010)).empty()) << "the stopped locker's end is expected";
  EXPECT_TRUE(Effects(state.OnTick(60999)).empty());
  EXPECT_EQ(Effects(state.OnTick(61000)), (V{"start"}));
}

TEST(WatchdogStateTest, OnlyTheLockerThatHoldsTheLockEndsOrHandsItOver) {
  WatchdogState state;
  state.OnConnected(3);
  state.OnConnected(4);
  state.OnLine(3, "lock", 0);
  EXPECT_TRUE(Effects(state.OnLine(4, "unlock", 1)).empty());
  EXPECT_TRUE(Effects(state.OnLine(4, "handover", 2)).empty());
  EXPECT_TRUE(Effects(state.OnGone(4, 3)).empty());
  EXPECT_EQ(state.CurrentPhase(), Phase::Covering);
  // While holding, nobody unlocks without locking first.
  state.OnGone(3, 4);
  state.OnConnected(6);
  EXPECT_TRUE(Effects(state.OnLine(6, "unlock", 5)).empty());
  EXPECT_EQ(state.CurrentPhase(), Phase::Holding);
  EXPECT_TRUE(Effects(state.OnLine(6, "what", 6)).empty());
}

TEST(WatchdogStateTest, ACrashWhileUnlockedEndsTheWatchdogWithoutAStart) {
  WatchdogState state;
  state.OnConnected(3);
  state.OnLine(3, "lock", 0);
  state.OnLine(3, "unlock", 1);
  EXPECT_EQ(Effects(state.OnGone(3, 2)), (V{"exit"}));
}

}  // namespace
}  // namespace brivak::core
