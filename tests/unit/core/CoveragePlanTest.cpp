#include "proj/core/CoveragePlan.h"

#include <gtest/gtest.h>

#include <vector>

namespace brivak::core {
namespace {

TEST(CoveragePlan, OneMonitorHasNoCover) {
  const CoveragePlan plan = PlanCoverage({{{0, 0, 1920, 1080}, true}});
  EXPECT_EQ(plan.primary, 0u);
  EXPECT_EQ(plan.lockScreen, (ScreenRect{0, 0, 1920, 1080}));
  EXPECT_TRUE(plan.covers.empty());
  EXPECT_EQ(plan.virtualDesktop, (ScreenRect{0, 0, 1920, 1080}));
}

TEST(CoveragePlan, ThreeMonitorsWithNegativeCoordinates) {
  const std::vector<MonitorInfo> monitors = {
      {{-1280, -200, 1280, 1024}, false},
      {{0, 0, 1920, 1080}, true},
      {{1920, 0, 1024, 768}, false},
  };
  const CoveragePlan plan = PlanCoverage(monitors);
  EXPECT_EQ(plan.primary, 1u);
  EXPECT_EQ(plan.lockScreen, (ScreenRect{0, 0, 1920, 1080}));
  EXPECT_EQ(plan.covers,
            (std::vector<CoverageCover>{{0, {-1280, -200, 1280, 1024}}, {2, {1920, 0, 1024, 768}}}));
  EXPECT_EQ(plan.virtualDesktop, (ScreenRect{-1280, -200, 1920 + 1280 + 1024, 1080 + 200}));
}

TEST(CoveragePlan, NoPrimaryPutsTheLockScreenOnMonitorZero) {
  const CoveragePlan plan = PlanCoverage({{{0, 0, 800, 600}, false}, {{800, 0, 800, 600}, false}});
  EXPECT_EQ(plan.primary, 0u);
  EXPECT_EQ(plan.lockScreen, (ScreenRect{0, 0, 800, 600}));
  EXPECT_EQ(plan.covers, (std::vector<CoverageCover>{{1, {800, 0, 800, 600}}}));
}

TEST(CoveragePlan, TheLastMonitorThatSaysPrimaryWins) {
  const CoveragePlan plan =
      PlanCoverage({{{0, 0, 800, 600}, true}, {{800, 0, 800, 600}, false}, {{-800, 0, 800, 600}, true}});
  EXPECT_EQ(plan.primary, 2u);
  EXPECT_EQ(plan.lockScreen, (ScreenRect{-800, 0, 800, 600}));
  EXPECT_EQ(plan.covers.size(), 2u);
}

TEST(CoveragePlan, EmptyTableKeepsTheWholeDesktopCover) {
  const CoveragePlan plan = PlanCoverage({});
  EXPECT_EQ(plan.primary, std::nullopt);
  EXPECT_TRUE(plan.covers.empty());
}

TEST(CoverDiff, FirstPlanCreatesEveryCover) {
  const CoverDiff diff = DiffCovers({}, {{0, {-100, 0, 100, 100}}, {2, {800, 0, 100, 100}}});
  EXPECT_EQ(diff.places, (std::vector<CoverSlot>{{std::nullopt, {-100, 0, 100, 100}},
                                                {std::nullopt, {800, 0, 100, 100}}}));
  EXPECT_TRUE(diff.release.empty());
}

TEST(CoverDiff, CoversInPlaceAreKeptOthersMovedOrReleased) {
  const ScreenRect a{-1280, 0, 1280, 1024}, b{1920, 0, 1024, 768}, c{0, 1080, 1920, 1080};
  // A monitor went away and another one appeared: b stays, a's window moves to c.
  const CoverDiff moved = DiffCovers({a, b}, {{0, b}, {1, c}});
  EXPECT_EQ(moved.places, (std::vector<CoverSlot>{{1, b}, {0, c}}));
  EXPECT_TRUE(moved.release.empty());
  // From three monitors to one: every cover is released.
  const CoverDiff none = DiffCovers({a, b}, {});
  EXPECT_TRUE(none.places.empty());
  EXPECT_EQ(none.release, (std::vector<std::size_t>{0, 1}));
  // One more monitor: the existing cover stays, one is created.
  const CoverDiff grown = DiffCovers({b}, {{0, a}, {2, b}});
  EXPECT_EQ(grown.places, (std::vector<CoverSlot>{{std::nullopt, a}, {0, b}}));
  EXPECT_TRUE(grown.release.empty());
}

TEST(CoverDiff, EveryCurrentWindowIsReusedOrReleasedExactlyOnce) {
  const ScreenRect r1{0, 0, 10, 10}, r2{10, 0, 10, 10}, r3{20, 0, 10, 10};
  const std::vector<ScreenRect> current = {r1, r1, r2, r3};
  const CoverDiff diff = DiffCovers(current, {{0, r1}, {1, r3}});
  std::vector<int> uses(current.size(), 0);
  for (const CoverSlot& s : diff.places) {
    ASSERT_TRUE(s.reuse);
    ++uses[*s.reuse];
  }
  for (std::size_t i : diff.release) ++uses[i];
  EXPECT_EQ(uses, (std::vector<int>{1, 1, 1, 1}));
  EXPECT_EQ(diff.places[0].reuse, 0u);
  EXPECT_EQ(diff.places[1].reuse, 3u);
  EXPECT_EQ(diff.release, (std::vector<std::size_t>{1, 2}));
}

}  // namespace
}  // namespace brivak::core
