#include "proj/ui/ScreenCovers.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPointer>
#include <QScreen>

#include "RecordingLog.h"

namespace brivak::ui {
namespace {

using core::MonitorInfo;
using core::ScreenRect;

MonitorInfo Mon(int left, int top, int width, int height, bool primary = false) {
  return {{left, top, width, height}, primary};
}

QRect ToQRect(const ScreenRect& r) { return QRect(r.left, r.top, r.width, r.height); }

class ScreenCoversTest : public ::testing::Test {
 protected:
  testing::RecordingLog log;
  QWidget lockScreen{nullptr, LockWindowFlags()};
};

TEST_F(ScreenCoversTest, WindowsAreOverrideRedirectOnTopAndWithoutTaskbarEntry) {
  CoverWindow cover;
  for (QWidget* w : {static_cast<QWidget*>(&cover), &lockScreen}) {
    const Qt::WindowFlags flags = w->windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::X11BypassWindowManagerHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(flags.testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(w->windowType(), Qt::Tool);
  }
  EXPECT_EQ(cover.palette().color(QPalette::Window), QColor(Qt::black));
}

TEST_F(ScreenCoversTest, LockScreenOnPrimaryAndACoverOnEveryOtherMonitor) {
  struct Case {
    const char* name;
    std::vector<MonitorInfo> monitors;
    QRect lock;
    std::vector<QRect> covers;
  };
  const std::vector<Case> cases = {
      {"one monitor", {Mon(0, 0, 1280, 1024, true)}, {0, 0, 1280, 1024}, {}},
      {"two side by side", {Mon(0, 0, 1280, 1024, true), Mon(1280, 0, 1280, 1024)}, {0, 0, 1280, 1024},
       {{1280, 0, 1280, 1024}}},
      {"secondary left of primary (negative)", {Mon(0, 0, 1920, 1080, true), Mon(-1280, -200, 1280, 1024)},
       {0, 0, 1920, 1080}, {{-1280, -200, 1280, 1024}}},
      {"no primary: monitor 0 carries the lock", {Mon(100, 0, 800, 600), Mon(900, 0, 800, 600)},
       {100, 0, 800, 600}, {{900, 0, 800, 600}}},
      {"three monitors, primary in the middle",
       {Mon(0, 0, 1024, 768), Mon(1024, 0, 1280, 1024, true), Mon(2304, 0, 1024, 768)}, {1024, 0, 1280, 1024},
       {{0, 0, 1024, 768}, {2304, 0, 1024, 768}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScreenCovers covers(log);
    covers.FillScreen(lockScreen, c.monitors);
    EXPECT_EQ(lockScreen.geometry(), c.lock);
    ASSERT_EQ(covers.Count(), c.covers.size());
    std::vector<QWidget*> windows = covers.Windows();
    for (std::size_t i = 0; i < windows.size(); ++i) {
      EXPECT_EQ(windows[i]->geometry(), c.covers[i]);
      EXPECT_TRUE(windows[i]->isVisible());
    }
  }
}

TEST_F(ScreenCoversTest, ARepeatedFillScreenReusesAndReleasesNeverLeavesOldCovers) {
  ScreenCovers covers(log);
  covers.FillScreen(lockScreen, {Mon(0, 0, 1280, 1024, true), Mon(1280, 0, 1280, 1024), Mon(2560, 0, 800, 600)});
  ASSERT_EQ(covers.Count(), 2u);
  QWidget* kept = covers.Windows()[0];
  QPointer<QWidget> dropped = covers.Windows()[1];

  // The third monitor went away: the cover at the unchanged place is reused, the other is freed.
  covers.FillScreen(lockScreen, {Mon(0, 0, 1280, 1024, true), Mon(1280, 0, 1280, 1024)});
  ASSERT_EQ(covers.Count(), 1u);
  EXPECT_EQ(covers.Windows()[0], kept);
  EXPECT_TRUE(dropped.isNull());

  // Down to one monitor: no cover is left on screen.
  QPointer<QWidget> last = kept;
  covers.FillScreen(lockScreen, {Mon(0, 0, 1280, 1024, true)});
  EXPECT_EQ(covers.Count(), 0u);
  EXPECT_TRUE(last.isNull());
}

TEST_F(ScreenCoversTest, ReleaseAllFreesEveryCover) {
  ScreenCovers covers(log);
  covers.FillScreen(lockScreen, {Mon(0, 0, 100, 100, true), Mon(100, 0, 100, 100), Mon(200, 0, 100, 100)});
  std::vector<QPointer<QWidget>> windows;
  for (QWidget* w : covers.Windows()) windows.emplace_back(w);
  covers.ReleaseAll();
  EXPECT_EQ(covers.Count(), 0u);
  for (const auto& w : windows) EXPECT_TRUE(w.isNull());
  covers.ReleaseAll();  // harmless again
}

TEST_F(ScreenCoversTest, DebugLinesDescribeTheMonitorsAndThePlacement) {
  ScreenCovers covers(log);
  covers.FillScreen(lockScreen, {Mon(-1280, 0, 1280, 1024), Mon(0, 0, 1920, 1080, true)});
  const std::vector<std::string> expected = {
      "FillScreen();",
      "  Monitor [0].Primary: False",
      "  Monitor [0].Width: 1280",
      "  Monitor [0].Height: 1024",
      "  Monitor [0].Left: -1280",
      "  Monitor [0].Top: 0",
      "  Monitor [1].Primary: True",
      "  Monitor [1].Width: 1920",
      "  Monitor [1].Height: 1080",
      "  Monitor [1].Left: 0",
      "  Monitor [1].Top: 0",
      "  primary monitor (x): 1",
      "  scrLeft: 0",
      "  scrWidth: 1920",
      "  frmMain.top: 0",
      "  frmMain.Left: 0",
      "  frmMain.Width: 1920",
      "  frmMain.Height: 1080",
      "  MonitorCount=2",
      "  Loop...",
      "Done with FillScreen.",
  };
  EXPECT_EQ(log.debug, expected);
}

TEST(QtMonitorsTest, ReportsQtsScreensWithTheirPrimary) {
  const std::vector<MonitorInfo> monitors = QtMonitors();
  ASSERT_EQ(monitors.size(), static_cast<std::size_t>(QGuiApplication::screens().size()));
  int primaries = 0;
  for (const auto& m : monitors) primaries += m.primary ? 1 : 0;
  EXPECT_EQ(primaries, 1);
  EXPECT_EQ(ToQRect(monitors[0].rect), QGuiApplication::screens()[0]->geometry());
}

}  // namespace
}  // namespace brivak::ui
