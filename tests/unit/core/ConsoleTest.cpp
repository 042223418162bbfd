#include "proj/core/Console.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "LogTestSupport.h"
#include "platform/fake/FakeClock.h"
#include "support/Disk.h"

namespace brivak::core {
namespace {

using logtest::FileExists;
using logtest::ReadFile;

constexpr const char* kFirst = "-- Brivak Console Window --";

// Records the observer's events (it runs under the console's lock, possibly on several threads).
struct EventLog {
  std::mutex mutex;
  std::vector<ConsoleEvent> events;

  ConsoleObserver Observer() {
    return [this](const ConsoleEvent& e) {
      std::lock_guard lock(mutex);
      events.push_back(e);
    };
  }
  std::vector<ConsoleEvent> For(ConsoleTarget target) {
    std::lock_guard lock(mutex);
    std::vector<ConsoleEvent> out;
    for (const auto& e : events) {
      if (e.target == target) out.push_back(e);
    }
    return out;
  }
};

class ConsoleTest : public ::testing::Test {
 protected:
  ConsoleTest() { console_.SetObserver(events_.Observer()); }

  std::string AppData() const { return dir_.Folder(); }
  std::string DayFile() const { return dir_.Folder() + "Logs/Dec-09-26.txt"; }
  // What a save of the tray console writes: one console line per CR LF line.
  std::string Saved() const {
    std::string text;
    for (const auto& line : console_.Lines()) text += line + "\r\n";
    return text;
  }
  bool DataFolderEmpty() const { return std::filesystem::is_empty(dir_.Folder()); }

  brivak::test::TempDir dir_;
  platform::FakeClock clock_;  // 2026-12-09 10:00:00
  DayLog dayLog_{clock_, brivak::test::Disk(), dir_.Folder() + "Logs/"};
  Console console_{clock_, dayLog_, dir_.Folder()};
  EventLog events_;
};

TEST_F(ConsoleTest, StartsWithItsTitleLine) {
  EXPECT_EQ(console_.Lines(), std::vector<std::string>{kFirst});
  EXPECT_EQ(console_.Text(), kFirst);
  EXPECT_FALSE(console_.SHOW_DEBUG.load());
  EXPECT_FALSE(console_.SAVE_DEBUG.load());
  EXPECT_FALSE(console_.LockScreenExists());
}

TEST_F(ConsoleTest, MemAppendsAStampedLineAndTellsTheObserver) {
  console_.mem("Setting directories...");
  clock_.Advance(13 * 3600 * 1000);  // 11:00 PM
  console_.mem("EX: line\r\nbreak");
  EXPECT_EQ(console_.Lines(), (std::vector<std::string>{kFirst, "[10:00:00 AM] Setting directories...",
                                                        "[11:00:00 PM] EX: line  break"}));
  EXPECT_EQ(console_.Text(), std::string(kFirst) + "\r\n[10:00:00 AM] Setting directories...\r\n[11:00:00 PM] EX: line  break");
  const auto tray = events_.For(ConsoleTarget::kTray);
  ASSERT_EQ(tray.size(), 2u);
  EXPECT_EQ(tray[1].change, ConsoleChange::kNewLine);
  EXPECT_EQ(tray[1].text, "[11:00:00 PM] EX: line  break");
  EXPECT_TRUE(events_.For(ConsoleTarget::kLockScreen).empty());
  EXPECT_TRUE(DataFolderEmpty());  // no switches: no files
}

TEST_F(ConsoleTest, MemCopiesTheLineToAnExistingLockScreen) {
  console_.SetLockScreenExists(true);
  console_.mem("Launching lock screen...");
  const auto lock = events_.For(ConsoleTarget::kLockScreen);
  ASSERT_EQ(lock.size(), 1u);
  EXPECT_EQ(lock[0].change, ConsoleChange::kNewLine);
  EXPECT_EQ(lock[0].text, "[10:00:00 AM] Launching lock screen...");
}

// The text is the lines joined by CR LF; it is emptied when it grows beyond 100,000 characters.
TEST_F(ConsoleTest, IsClearedWhenItsTextGrowsBeyondTheCap) {
  struct Case {
    std::size_t textLength;
    bool cleared;
  };
  // First line (27) + CR LF (2) + "[10:00:00 AM] " (14) + text.
  const std::size_t fits = Console::kMaxChars - 27 - 2 - 14;
  for (const Case c : {Case{fits, false}, Case{fits + 1, true}}) {
    brivak::test::TempDir dir;
    DayLog dayLog(clock_, brivak::test::Disk(), dir.Folder() + "Logs/");
    Console console(clock_, dayLog, dir.Folder());
    EventLog events;
    console.SetObserver(events.Observer());
    console.mem(std::string(c.textLength, 'a'));
    if (!c.cleared) {
      EXPECT_EQ(console.Text().size(), Console::kMaxChars);
      EXPECT_EQ(console.Lines().size(), 2u);
      console.mem("");  // the next change goes past the cap
    }
    EXPECT_TRUE(console.Lines().empty()) << c.textLength;
    EXPECT_EQ(console.Text(), "");
    const auto tray = events.For(ConsoleTarget::kTray);
    ASSERT_FALSE(tray.empty());
    EXPECT_EQ(tray.back().change, ConsoleChange::kCleared);
    EXPECT_EQ(tray[tray.size() - 2].change, ConsoleChange::kNewLine);
    console.mem("fresh");
    EXPECT_EQ(console.Lines(), std::vector<std::string>{"[10:00:00 AM] fresh"});
  }
}

TEST_F(ConsoleTest, ManySmallLinesAreClearedAtTheCapToo) {
  const std::string text(84, 'b');  // 100 characters with CR LF and time stamp
  std::size_t lines = 0;
  std::size_t size = 27;
  while (size + 100 <= Console::kMaxChars) {
    console_.mem(text);
    size += 100;
    ++lines;
  }
  EXPECT_EQ(console_.Text().size(), size);  // 99,927: kept
  EXPECT_EQ(console_.Lines().size(), lines + 1);
  console_.mem(text);
  EXPECT_TRUE(console_.Lines().empty());
}

struct MemSaveCase {
  bool show;
  bool save;
  bool debugFile;
};

TEST_F(ConsoleTest, MemSavesTheDebugFileOnlyWithBothSwitches) {
  for (const MemSaveCase c : {MemSaveCase{false, false, false}, MemSaveCase{true, false, false},
                              MemSaveCase{false, true, false}, MemSaveCase{true, true, true}}) {
    brivak::test::TempDir dir;
    DayLog dayLog(clock_, brivak::test::Disk(), dir.Folder() + "Logs/");
    Console console(clock_, dayLog, dir.Folder());
    console.SHOW_DEBUG = c.show;
    console.SAVE_DEBUG = c.save;
    console.mem("one");
    console.mem("two");
    ASSERT_EQ(FileExists(dir.Folder() + "brivak3_debug.txt"), c.debugFile) << c.show << c.save;
    if (c.debugFile) {
      // Replaced by each save: the whole console once, not appended.
      EXPECT_EQ(ReadFile(dir.Folder() + "brivak3_debug.txt"),
                std::string(kFirst) + "\r\n[10:00:00 AM] one\r\n[10:00:00 AM] two\r\n");
    }
    EXPECT_FALSE(FileExists(dir.Folder() + "Logs")) << "mem never writes the day log";
  }
}

struct DebugCase {
  bool show;
  bool save;
  bool lockScreen;
};

class ConsoleDebugGatingTest : public ConsoleTest, public ::testing::WithParamInterface<DebugCase> {};

TEST_P(ConsoleDebugGatingTest, FollowsTheSwitches) {
  const DebugCase c = GetParam();
  console_.SHOW_DEBUG = c.show;
  console_.SAVE_DEBUG = c.save;
  console_.SetLockScreenExists(c.lockScreen);
  console_.mem("before");
  console_.Debug("probe\ntext");

  const bool shown = c.lockScreen && c.show;
  // SAVE_DEBUG: a starred line in the day log, and the tray console in the debug-trace file.
  if (c.save) {
    EXPECT_EQ(ReadFile(DayFile()),
              "-- Brivak3 log file -- created 12/9/2026 10:00:00 AM\r\n\r\n\r\n[10:00:00 AM] *probe text\r\n");
    EXPECT_EQ(ReadFile(console_.DebugTraceFile()), std::string(kFirst) + "\r\n[10:00:00 AM] before\r\n");
  } else {
    EXPECT_TRUE(DataFolderEmpty());
  }
  // Lock screen and SHOW_DEBUG: a console line ":" + text, mirrored to the lock screen.
  const std::vector<std::string> expectedLines =
      shown ? std::vector<std::string>{kFirst, "[10:00:00 AM] before", "[10:00:00 AM] :probe text"}
            : std::vector<std::string>{kFirst, "[10:00:00 AM] before"};
  EXPECT_EQ(console_.Lines(), expectedLines);
  EXPECT_EQ(events_.For(ConsoleTarget::kLockScreen).size(), c.lockScreen ? (shown ? 2u : 1u) : 0u);
  // With both switches every console line saves brivak3_debug.txt, the ":" line included.
  EXPECT_EQ(FileExists(console_.DebugFile()), c.show && c.save);
  if (c.show && c.save) {
    EXPECT_EQ(ReadFile(console_.DebugFile()), Saved());
  }
  EXPECT_FALSE(FileExists(console_.DumpFile()));
}

INSTANTIATE_TEST_SUITE_P(AllSwitches, ConsoleDebugGatingTest,
                         ::testing::Values(DebugCase{false, false, false}, DebugCase{true, false, false},
                                           DebugCase{false, true, false}, DebugCase{true, true, false},
                                           DebugCase{false, false, true}, DebugCase{true, false, true},
                                           DebugCase{false, true, true}, DebugCase{true, true, true}),
                         [](const ::testing::TestParamInfo<DebugCase>& p) {
                           return std::string("show") + (p.param.show ? "1" : "0") + "_save" +
                                  (p.param.save ? "1" : "0") + "_lock" + (p.param.lockScreen ? "1" : "0");
                         });

TEST_F(ConsoleTest, DebugTraceFileIsReplacedByEachSave) {
  console_.SAVE_DEBUG = true;
  console_.mem("a");
  console_.Debug("x");
  console_.mem("b");
  console_.Debug("y");
  EXPECT_EQ(ReadFile(console_.DebugTraceFile()), Saved());
  EXPECT_EQ(ReadFile(console_.DebugTraceFile()),
            std::string(kFirst) + "\r\n[10:00:00 AM] a\r\n[10:00:00 AM] b\r\n");
}

TEST_F(ConsoleTest, DebugHonoursDoLogForTheDayFile) {
  console_.SAVE_DEBUG = true;
  dayLog_.SetDoLog(false);
  console_.Debug("dropped");
  EXPECT_FALSE(FileExists(DayFile()));
  EXPECT_TRUE(FileExists(console_.DebugTraceFile()));
}

TEST_F(ConsoleTest, DebugSwallowsUnwritableFiles) {
  logtest::WriteFile(dir_.Folder() + "Logs", "not a folder");
  std::filesystem::create_directories(console_.DebugTraceFile());  // a folder in the file's place
  console_.SAVE_DEBUG = true;
  console_.SHOW_DEBUG = true;
  console_.SetLockScreenExists(true);
  EXPECT_NO_THROW(console_.Debug("still shown"));
  EXPECT_EQ(console_.Lines().back(), "[10:00:00 AM] :still shown");
}

TEST_F(ConsoleTest, LastmemAppendsToTheLockScreensLastLineThenDebugs) {
  console_.SHOW_DEBUG = true;
  console_.lastmem("-2");  // no lock screen: only the debug line, which leaves no trace
  EXPECT_TRUE(events_.For(ConsoleTarget::kLockScreen).empty());
  EXPECT_EQ(console_.Lines().size(), 1u);

  console_.SetLockScreenExists(true);
  console_.lastmem("-2\r");
  const auto lock = events_.For(ConsoleTarget::kLockScreen);
  ASSERT_EQ(lock.size(), 2u);
  EXPECT_EQ(lock[0].change, ConsoleChange::kAppendToLast);
  EXPECT_EQ(lock[0].text, "-2 ");
  EXPECT_EQ(lock[1].change, ConsoleChange::kNewLine);
  EXPECT_EQ(lock[1].text, "[10:00:00 AM] :-2 ");
  EXPECT_EQ(console_.Lines().back(), "[10:00:00 AM] :-2 ");  // the tray console gets only the debug line
}

TEST_F(ConsoleTest, SavedebugdumpWritesTheWholeConsoleEachTime) {
  console_.mem("Closing window...");
  console_.savedebugdump();
  console_.savedebugdump();
  EXPECT_EQ(ReadFile(console_.DumpFile()), std::string(kFirst) + "\r\n[10:00:00 AM] Closing window...\r\n");
  std::filesystem::remove(console_.DumpFile());
  std::filesystem::create_directories(console_.DumpFile());
  EXPECT_NO_THROW(console_.savedebugdump());
}

TEST_F(ConsoleTest, ConcurrentWritersKeepEveryLineInOrder) {
  console_.SHOW_DEBUG = true;
  console_.SAVE_DEBUG = true;
  console_.SetLockScreenExists(true);
  constexpr int kThreads = 4;
  constexpr int kLines = 50;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int n = 0; n < kLines; ++n) {
        const std::string id = std::to_string(t) + "/" + std::to_string(n);
        console_.mem("m" + id);
        console_.Debug("d" + id);
      }
    });
  }
  for (auto& th : threads) th.join();
  const auto lines = console_.Lines();
  ASSERT_EQ(lines.size(), 1u + 2u * kThreads * kLines);
  std::vector<int> nextMem(kThreads, 0);
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (line.rfind("[10:00:00 AM] m", 0) != 0) continue;
    const std::string id = line.substr(15);
    const int t = std::stoi(id.substr(0, id.find('/')));
    EXPECT_EQ(std::stoi(id.substr(id.find('/') + 1)), nextMem[static_cast<std::size_t>(t)]++);
  }
  EXPECT_EQ(events_.For(ConsoleTarget::kTray).size(), 2u * kThreads * kLines);
  EXPECT_EQ(ReadFile(console_.DebugFile()), Saved());
}

}  // namespace
}  // namespace brivak::core
