#include "proj/core/DayLog.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "LogTestSupport.h"
#include "platform/fake/FakeClock.h"
#include "support/Disk.h"

namespace brivak::core {
namespace {

using logtest::At;
using logtest::CrLfLines;
using logtest::FileExists;
using logtest::ReadFile;

constexpr const char* kHeader = "-- Brivak3 log file -- created 12/9/2026 10:00:00 AM\r\n\r\n\r\n";

class DayLogTest : public ::testing::Test {
 protected:
  std::string LogsFolder() const { return dir_.Folder() + "Logs/"; }
  std::string Today() const { return LogsFolder() + "Dec-09-26.txt"; }

  brivak::test::TempDir dir_;
  platform::FakeClock clock_;  // 2026-12-09 10:00:00
  DayLog log_{clock_, brivak::test::Disk(), LogsFolder()};
};

TEST_F(DayLogTest, FirstLineCreatesTheDayFileWithItsHeader) {
  log_.WriteLog("Brivak Shutdown");
  EXPECT_EQ(ReadFile(Today()), std::string(kHeader) + "[10:00:00 AM] Brivak Shutdown\r\n");
  EXPECT_EQ(log_.CurrentFile(), Today());
  EXPECT_EQ(log_.TodayFile(), Today());
}

TEST_F(DayLogTest, EmptyTexts) {
  log_.WL("");          // an empty line, no time stamp
  log_.WriteLog("");    // the time stamp and a space
  clock_.Advance(61000);
  log_.WL("Starting Brivak");
  EXPECT_EQ(ReadFile(Today()), std::string(kHeader) + "\r\n[10:00:00 AM] \r\n[10:01:01 AM] Starting Brivak\r\n");
}

TEST_F(DayLogTest, DoLogOffWithoutFileDropsTheLineAndCreatesNothing) {
  log_.SetDoLog(false);
  EXPECT_NO_THROW(log_.WriteLog("Locked by remote address 127.0.0.1"));
  EXPECT_FALSE(FileExists(LogsFolder()));
  EXPECT_EQ(log_.CurrentFile(), Today());
}

TEST_F(DayLogTest, DoLogOffStillAppendsToAFileWrittenByWL) {
  log_.SetDoLog(false);
  log_.WL("dpr: start! : ");
  log_.WriteLog("Brivak Shutdown");
  EXPECT_EQ(ReadFile(Today()), std::string(kHeader) + "[10:00:00 AM] dpr: start! : \r\n[10:00:00 AM] Brivak Shutdown\r\n");
}

TEST_F(DayLogTest, MidnightRolloverWritesIntoTwoFiles) {
  clock_.Set(At(2026, 12, 9, 23, 59, 59));
  log_.WriteLog("before");
  clock_.Advance(1000);
  log_.WriteLog("after");
  EXPECT_EQ(CrLfLines(ReadFile(Today())),
            (std::vector<std::string>{"-- Brivak3 log file -- created 12/9/2026 11:59:59 PM", "", "",
                                      "[11:59:59 PM] before"}));
  const std::string next = LogsFolder() + "Dec-10-26.txt";
  EXPECT_EQ(ReadFile(next), "-- Brivak3 log file -- created 12/10/2026 12:00:00 AM\r\n\r\n\r\n[12:00:00 AM] after\r\n");
  EXPECT_EQ(log_.CurrentFile(), next);
}

TEST_F(DayLogTest, YearRolloverNamesTheNewYearsFile) {
  clock_.Set(At(2026, 12, 31, 23, 59, 59));
  log_.WriteLog("old");
  clock_.Advance(1000);
  log_.WriteLog("new");
  EXPECT_TRUE(FileExists(LogsFolder() + "Dec-31-26.txt"));
  EXPECT_TRUE(FileExists(LogsFolder() + "Jan-01-27.txt"));
}

TEST_F(DayLogTest, NewLogFileNeverTruncatesAnExistingFile) {
  std::filesystem::create_directories(LogsFolder());
  const std::string earlier = std::string(kHeader) + "[9:59:59 AM] written a moment before\r\n";
  logtest::WriteFile(Today(), earlier);
  EXPECT_FALSE(log_.NewLogFile(Today()));
  EXPECT_EQ(ReadFile(Today()), earlier);
  log_.WriteLog("next");
  EXPECT_EQ(ReadFile(Today()), earlier + "[10:00:00 AM] next\r\n");
}

TEST_F(DayLogTest, NewLogFileCreatesMissingFolders) {
  const std::string path = dir_.Folder() + "a/b/Logs/Dec-09-26.txt";
  EXPECT_TRUE(log_.NewLogFile(path));
  EXPECT_EQ(ReadFile(path), kHeader);
}

TEST_F(DayLogTest, WLCreatesTheWholeFolderChainEvenWithDoLogOff) {
  DayLog early(clock_, brivak::test::Disk(),
               dir_.Folder() + "data/Brivak 3.0/Logs");  // no trailing "/": added
  early.SetDoLog(false);
  early.WL("dpr: start! : ");
  EXPECT_EQ(ReadFile(dir_.Folder() + "data/Brivak 3.0/Logs/Dec-09-26.txt"),
            std::string(kHeader) + "[10:00:00 AM] dpr: start! : \r\n");
}

TEST_F(DayLogTest, ControlCharactersCannotSplitOrForgeLines) {
  log_.WriteLog("Username bob\r\n[10:00:00 AM] User admin authenticated with Admin access\x1b");
  log_.WL("tab\tand\x7f");
  EXPECT_EQ(CrLfLines(ReadFile(Today())),
            (std::vector<std::string>{"-- Brivak3 log file -- created 12/9/2026 10:00:00 AM", "", "",
                                      "[10:00:00 AM] Username bob  [10:00:00 AM] User admin authenticated with Admin access ",
                                      "[10:00:00 AM] tab and "}));
}

// Ways the day file cannot be written: the logs folder is a plain file, or the day file a folder.
TEST_F(DayLogTest, UnwritableLineThrowsFromWriteLogButNotFromWL) {
  struct Case {
    const char* what;
    std::function<void(const std::string& logs)> arrange;
  };
  const Case cases[] = {
      {"logs folder is a file", [](const std::string& logs) { logtest::WriteFile(logs.substr(0, logs.size() - 1), "x"); }},
      {"day file is a folder", [](const std::string& logs) { std::filesystem::create_directories(logs + "Dec-09-26.txt"); }},
  };
  for (const Case& c : cases) {
    brivak::test::TempDir dir;
    const std::string logs = dir.Folder() + "Logs/";
    c.arrange(logs);
    DayLog log(clock_, brivak::test::Disk(), logs);
    EXPECT_THROW(log.WriteLog("lost"), std::runtime_error) << c.what;
    EXPECT_NO_THROW(log.WL("lost")) << c.what;
  }
}

// Each writer writes `perThread` lines "t<id> n<seq> " + padding; checks that every line is there,
// whole, and in its thread's order.
void ExpectAllLinesWholeAndOrdered(const std::string& content, int threads, int perThread,
                                   const std::string& padding) {
  const std::vector<std::string> lines = CrLfLines(content);
  ASSERT_EQ(lines.size(), 3u + static_cast<std::size_t>(threads * perThread));
  const std::string prefix = "[10:00:00 AM] t";
  const std::string suffix = " " + padding;
  std::vector<int> next(static_cast<std::size_t>(threads), 0);
  for (std::size_t i = 3; i < lines.size(); ++i) {
    // Shape: prefix <thread> " n" <sequence> suffix, nothing else.
    const std::string& line = lines[i];
    ASSERT_EQ(line.rfind(prefix, 0), 0u) << "line " << i << ": " << line;
    ASSERT_TRUE(line.size() > suffix.size() && line.compare(line.size() - suffix.size(), suffix.size(), suffix) == 0)
        << "line " << i << ": " << line;
    const std::string middle = line.substr(prefix.size(), line.size() - prefix.size() - suffix.size());
    const std::size_t sep = middle.find(" n");
    ASSERT_NE(sep, std::string::npos) << line;
    const std::string thread = middle.substr(0, sep);
    const std::string seq = middle.substr(sep + 2);
    ASSERT_TRUE(!thread.empty() && thread.find_first_not_of("0123456789") == std::string::npos) << line;
    ASSERT_TRUE(!seq.empty() && seq.find_first_not_of("0123456789") == std::string::npos) << line;
    const auto t = static_cast<std::size_t>(std::stoi(thread));
    ASSERT_LT(t, next.size());
    ASSERT_EQ(std::stoi(seq), next[t]) << "thread " << t << " out of order";
    ++next[t];
  }
  for (int n : next) EXPECT_EQ(n, perThread);
}

TEST_F(DayLogTest, ConcurrentWritersNeverLoseOrInterleaveLines) {
  constexpr int kThreads = 8;
  constexpr int kLines = 500;
  const std::string padding(300, 'x');
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int n = 0; n < kLines; ++n) {
        const std::string text = "t" + std::to_string(t) + " n" + std::to_string(n) + " " + padding;
        if (t % 2 == 0) {
          log_.WriteLog(text);
        } else {
          log_.WL(text);
        }
      }
    });
  }
  for (auto& th : threads) th.join();
  ExpectAllLinesWholeAndOrdered(ReadFile(Today()), kThreads, kLines, padding);
}

// Separate DayLog objects share no lock, as two processes writing the same day file would not:
// the single append per line alone keeps the lines whole, and only one header is written.
TEST_F(DayLogTest, SeparateWritersWithoutASharedLockKeepLinesWhole) {
  constexpr int kWriters = 4;
  constexpr int kLines = 500;
  const std::string padding(1000, 'y');
  std::vector<std::unique_ptr<DayLog>> logs;
  for (int i = 0; i < kWriters; ++i)
    logs.push_back(std::make_unique<DayLog>(clock_, brivak::test::Disk(), LogsFolder()));
  std::vector<std::thread> threads;
  for (int t = 0; t < kWriters; ++t) {
    threads.emplace_back([&, t] {
      for (int n = 0; n < kLines; ++n) {
        logs[static_cast<std::size_t>(t)]->WL("t" + std::to_string(t) + " n" + std::to_string(n) + " " + padding);
      }
    });
  }
  for (auto& th : threads) th.join();
  const std::string content = ReadFile(Today());
  ASSERT_EQ(content.rfind(kHeader, 0), 0u);
  ExpectAllLinesWholeAndOrdered(content, kWriters, kLines, padding);
}

}  // namespace
}  // namespace brivak::core
