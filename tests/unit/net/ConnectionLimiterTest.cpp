#include "proj/net/ConnectionLimiter.h"

#include <gtest/gtest.h>

namespace brivak::net {
namespace {

using Phase = ConnectionLimiter::Phase;

TEST(ConnectionLimiter, CapsPerAddressExceptForExemptOnes) {
  ConnectionLimiter limiter(10, 2);
  EXPECT_TRUE(limiter.Admit("127.0.4.1", false).id);
  EXPECT_TRUE(limiter.Admit("127.0.4.1", false).id);
  EXPECT_FALSE(limiter.Admit("127.0.4.1", false).id);
  EXPECT_TRUE(limiter.Admit("127.0.4.2", false).id);
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(limiter.Admit("127.0.0.1", true).id);
  EXPECT_EQ(limiter.Count(), 8u);
  EXPECT_EQ(limiter.CountFrom("127.0.4.1"), 2u);
}

TEST(ConnectionLimiter, ReleaseFreesTheSlotOnce) {
  ConnectionLimiter limiter(2, 2);
  const auto a = limiter.Admit("127.0.4.1", false).id;
  ASSERT_TRUE(a);
  ASSERT_TRUE(limiter.Admit("127.0.4.1", false).id);
  EXPECT_FALSE(limiter.Admit("127.0.4.3", false).id);
  limiter.Release(*a);
  limiter.Release(*a);
  EXPECT_EQ(limiter.Count(), 1u);
  EXPECT_EQ(limiter.CountFrom("127.0.4.1"), 1u);
  EXPECT_TRUE(limiter.Admit("127.0.4.3", false).id);
  EXPECT_FALSE(limiter.Admit("127.0.4.4", false).id);
}

TEST(ConnectionLimiter, FullServerLetsTheMachineItselfInByDisplacingTheOldestWaiting) {
  ConnectionLimiter limiter(3, 3);
  const auto busy = *limiter.Admit("127.0.4.1", false).id;
  const auto oldestWaiting = *limiter.Admit("127.0.4.2", false).id;
  const auto newerWaiting = *limiter.Admit("127.0.4.3", false).id;
  limiter.SetPhase(busy, Phase::kBusy);

  EXPECT_FALSE(limiter.Admit("127.0.4.4", false).id) << "a newcomer from elsewhere displaces nobody";
  const auto local = limiter.Admit("127.0.0.1", true);
  ASSERT_TRUE(local.id);
  EXPECT_EQ(local.displaced, (std::vector<ConnectionLimiter::Id>{oldestWaiting}));
  EXPECT_EQ(limiter.Count(), 3u);

  const auto second = limiter.Admit("127.0.0.1", true);
  ASSERT_TRUE(second.id);
  EXPECT_EQ(second.displaced, (std::vector<ConnectionLimiter::Id>{newerWaiting}));
  // Now only a busy connection and two exempt ones: nothing may be displaced.
  EXPECT_FALSE(limiter.Admit("127.0.0.1", true).id);
}

TEST(ConnectionLimiter, DelayedRepliesGiveWayToTheMachineItselfAfterWaitingOnes) {
  ConnectionLimiter limiter(3, 3);
  const auto delayedOld = *limiter.Admit("127.0.4.1", false).id;
  const auto waiting = *limiter.Admit("127.0.4.2", false).id;
  const auto delayedNew = *limiter.Admit("127.0.4.3", false).id;
  limiter.SetPhase(delayedOld, Phase::kDelayed);
  limiter.SetPhase(delayedNew, Phase::kDelayed);
  EXPECT_FALSE(limiter.Admit("127.0.4.4", false).id);
  EXPECT_EQ(limiter.Admit("127.0.0.1", true).displaced, (std::vector<ConnectionLimiter::Id>{waiting}));
  EXPECT_EQ(limiter.Admit("127.0.0.1", true).displaced, (std::vector<ConnectionLimiter::Id>{delayedOld}));
  EXPECT_EQ(limiter.Admit("127.0.0.1", true).displaced, (std::vector<ConnectionLimiter::Id>{delayedNew}));
}

TEST(ConnectionLimiter, AnsweredConnectionsMakeRoomForAnyNewcomer) {
  ConnectionLimiter limiter(2, 2);
  const auto a = *limiter.Admit("127.0.4.1", false).id;
  const auto b = *limiter.Admit("127.0.0.1", true).id;
  limiter.SetPhase(a, Phase::kBusy);
  limiter.SetPhase(b, Phase::kClosing);
  const auto admission = limiter.Admit("127.0.4.9", false);
  ASSERT_TRUE(admission.id);
  EXPECT_EQ(admission.displaced, (std::vector<ConnectionLimiter::Id>{b}));
}

}  // namespace
}  // namespace brivak::net
