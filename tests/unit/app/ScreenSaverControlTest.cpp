#include "proj/app/ScreenSaverControl.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/fake/FakeClock.h"
#include "platform/fake/SettableIdleSource.h"
#include "support/Files.h"
#include "support/TempDir.h"
#include "unit/common/RecordingLogSink.h"

namespace brivak::app {
namespace {

// Keeps posted timers for the test to fire by hand.
class ManualLoop : public MainLoop {
 public:
  void Post(Task task) override { due.emplace_back(std::chrono::milliseconds(0), std::move(task)); }
  void PostAfter(std::chrono::milliseconds delay, Task task) override { due.emplace_back(delay, std::move(task)); }
  void Quit() override {}
  void ProcessPending() override {}
  // Runs the queued tasks with exactly this delay (not what they post).
  int Fire(std::chrono::milliseconds delay) {
    std::vector<Task> run;
    for (auto it = due.begin(); it != due.end();) {
      if (it->first == delay) {
        run.push_back(std::move(it->second));
        it = due.erase(it);
      } else {
        ++it;
      }
    }
    for (auto& task : run) task();
    return static_cast<int>(run.size());
  }
  std::vector<std::pair<std::chrono::milliseconds, Task>> due;
};

class RecordingSaverDisplay : public SaverDisplay {
 public:
  bool Start(const std::string& path, std::function<void()> ended) override {
    started.push_back(path);
    if (!startResult) return false;
    ended_ = std::move(ended);
    running = true;
    return true;
  }
  void Stop() override { running = false; }
  bool Running() const override { return running; }
  bool MouseMoved() override {
    const bool moved = !asked || pointerMoved;
    asked = true;
    return moved;
  }
  bool ProcessRunning(const std::string& fileName) const override {
    return std::find(processes.begin(), processes.end(), fileName) != processes.end();
  }
  void Input() {
    running = false;
    if (ended_) ended_();
  }
  std::vector<std::string> started, processes;
  bool running = false, asked = false, pointerMoved = false, startResult = true;

 private:
  std::function<void()> ended_;
};

class ScreenSaverControlTest : public ::testing::Test {
 protected:
  ScreenSaverControlTest() {
    std::filesystem::create_directories(dir.File("hacks"));
    std::filesystem::create_directories(dir.File("config"));
    std::filesystem::create_directories(dir.File("data"));
    Hack("deco", "<screensaver name=\"deco\" _label=\"Deco Screen Saver\">");
    Hack("ripples", "");
    Hack("xscreensaver-text", "");
    brivak::test::WriteAll(dir.File("hacks/README"), "not a program");
  }
  void Hack(const std::string& name, const std::string& xml) {
    brivak::test::WriteAll(dir.File("hacks/" + name), "#!/bin/sh\n");
    chmod(dir.File("hacks/" + name).c_str(), 0755);
    if (!xml.empty()) brivak::test::WriteAll(dir.File("config/" + name + ".xml"), xml);
  }
  ScreenSaverPorts Ports() {
    ScreenSaverPorts ports{display, loop, log, detector, dir.File("data/"), "/sys/dir"};
    ports.hackFolders = {dir.File("hacks"), dir.File("missing")};
    ports.configFolder = dir.File("config");
    return ports;
  }
  core::ScreenSaverSettings Settings(bool onStartup, bool onIdle, int delay, std::string saver) {
    core::ScreenSaverSettings s;
    s.defaultSaver = std::move(saver);
    s.loadSaverOnStartup = onStartup;
    s.runSaverOnIdle = onIdle;
    s.idleDelay = delay;
    return s;
  }
  void Seconds(int n) {
    for (int i = 0; i < n; ++i) {
      clock.Advance(1000);
      loop.Fire(kSaverCheckInterval);
    }
  }

  brivak::test::TempDir dir;
  brivak::test::RecordingLogSink log;
  platform::FakeClock clock;
  platform::SettableIdleSource system;
  core::TmcDetectIdle detector{system, clock};
  ManualLoop loop;
  RecordingSaverDisplay display;
  int focusBoxes = 0;
  ScreenSaverControl control{Ports()};
};

TEST_F(ScreenSaverControlTest, SearchWritesTheListAndTheMenuReadsIt) {
  EXPECT_TRUE(control.MenuEntries().empty()) << "no list yet";
  EXPECT_EQ(control.GetScreenSavers(), 3);
  EXPECT_EQ(brivak::test::ReadAll(dir.File("data/screensavers.dat")),
            "[ScreenSavers]\r\nBlank Screen=/sys/dir/scrnsave.scr\r\nDeco=" + dir.File("hacks/deco") +
                "\r\nripples=" + dir.File("hacks/ripples") + "\r\n");
  const auto entries = control.MenuEntries();
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[1].caption, "Deco") << "the INI store trims the name's leftover blank";
  control.screensaverClick(entries[2].path);
  EXPECT_EQ(display.started, std::vector<std::string>{dir.File("hacks/ripples")});
}

TEST_F(ScreenSaverControlTest, LockStartSearchesOnceRunsTheStartupSaverAndStopsAtTheEnd) {
  control.LockStarted(Settings(true, false, 180, "/sys/dir/scrnsave.scr"), [this] { ++focusBoxes; });
  EXPECT_TRUE(std::filesystem::exists(dir.File("data/screensavers.dat")));
  EXPECT_EQ(loop.Fire(kLoadSaverDelay), 1);
  EXPECT_EQ(display.started, std::vector<std::string>{"/sys/dir/scrnsave.scr"});
  display.Input();
  EXPECT_EQ(focusBoxes, 1) << "input ends the saver and the box gets the focus";
  control.LockEnded();
  EXPECT_FALSE(display.Running());
  EXPECT_EQ(loop.Fire(kSaverCheckInterval), 1);
  EXPECT_TRUE(loop.due.empty()) << "the idle check stops with the lock";
}

TEST_F(ScreenSaverControlTest, IdleSaverStartsAfterIdleDelayWhenThePointerStayed) {
  control.LockStarted(Settings(false, true, 2, dir.File("hacks/deco")), [this] { ++focusBoxes; });
  Seconds(1);
  EXPECT_TRUE(display.started.empty());
  Seconds(1);  // 2 s: the threshold is met, the pointer position recorded
  EXPECT_TRUE(display.started.empty());
  Seconds(1);  // the pointer stayed: the saver starts
  ASSERT_EQ(display.started.size(), 1u);
  const auto lines = log.Channel("log");
  EXPECT_EQ(lines, std::vector<std::string>{"Screensaver launched after 2 seconds of idle"});
  Seconds(5);
  EXPECT_EQ(display.started.size(), 1u) << "not again while it runs";
  display.Input();
  EXPECT_EQ(detector.AppIdleTime(), 0u) << "the input that ended the saver counts as input";
  Seconds(1);
  EXPECT_EQ(display.started.size(), 1u);
  Seconds(1);
  EXPECT_EQ(display.started.size(), 2u);
  control.LockEnded();
}

TEST_F(ScreenSaverControlTest, ASaverThatCannotStartLogsNoLaunch) {
  display.startResult = false;
  control.LockStarted(Settings(false, true, 1, dir.File("hacks/gone")), [this] { ++focusBoxes; });
  Seconds(4);
  EXPECT_GE(display.started.size(), 2u) << "tried again while the lock is idle";
  EXPECT_TRUE(log.Channel("log").empty());
  control.LockEnded();
}

TEST_F(ScreenSaverControlTest, ASaverProgramRunningElsewhereIsNotStartedAgainAndItsEndFocusesTheBox) {
  display.processes = {"deco"};
  control.LockStarted(Settings(false, true, 1, dir.File("hacks/deco")), [this] { ++focusBoxes; });
  Seconds(3);
  EXPECT_TRUE(display.started.empty());
  EXPECT_FALSE(log.Channel("debug").empty());
  display.processes.clear();
  Seconds(1);
  EXPECT_EQ(focusBoxes, 1);
  const auto debug = log.Channel("debug");
  EXPECT_NE(std::find(debug.begin(), debug.end(), "focusbox to compensate"), debug.end());
  control.LockEnded();
}

}  // namespace
}  // namespace brivak::app
