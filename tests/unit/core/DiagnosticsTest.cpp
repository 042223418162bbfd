#include "proj/core/Diagnostics.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "LogTestSupport.h"
#include "platform/fake/FakeClock.h"
#include "support/Disk.h"

namespace brivak::core {
namespace {

using logtest::ReadFile;

class DiagnosticsTest : public ::testing::Test {
 protected:
  brivak::test::TempDir dir_;
  platform::FakeClock clock_;
  Diagnostics diag_{clock_, brivak::test::Disk(), dir_.Folder() + "Brivak 3.0"};  // trailing "/" added
};

TEST_F(DiagnosticsTest, TheLogSinkReachesTheDayLogAndTheConsole) {
  LogSink& sink = diag_;
  diag_.WL("");
  sink.WriteLog("Brivak Shutdown");
  sink.Mem("Connectivity established");
  diag_.TrayConsole().SAVE_DEBUG = true;
  sink.Debug("Connectivity on port 8777 is up.");
  sink.LastMem("-2");

  EXPECT_EQ(ReadFile(dir_.Folder() + "Brivak 3.0/Logs/Dec-09-26.txt"),
            "-- Brivak3 log file -- created 12/9/2026 10:00:00 AM\r\n\r\n\r\n\r\n"
            "[10:00:00 AM] Brivak Shutdown\r\n"
            "[10:00:00 AM] *Connectivity on port 8777 is up.\r\n"
            "[10:00:00 AM] *-2\r\n");
  EXPECT_EQ(diag_.TrayConsole().Lines(),
            (std::vector<std::string>{"-- Brivak Console Window --", "[10:00:00 AM] Connectivity established"}));
  EXPECT_EQ(diag_.TrayConsole().DebugTraceFile(), dir_.Folder() + "Brivak 3.0/brivak3_debug_trace.txt");
  EXPECT_EQ(diag_.EventLog().CurrentFile(), dir_.Folder() + "Brivak 3.0/Logs/Dec-09-26.txt");
}

TEST_F(DiagnosticsTest, EchoesEachTrayConsoleLineAndKeepsTheObserver) {
  std::ostringstream out;
  std::vector<ConsoleEvent> seen;
  diag_.SetObserver([&seen](const ConsoleEvent& e) { seen.push_back(e); });
  diag_.SetEcho(&out);
  diag_.TrayConsole().SetLockScreenExists(true);
  diag_.TrayConsole().SHOW_DEBUG = true;

  diag_.Mem("Launching lock screen...");
  diag_.Debug("frmBrivak.timer1.onTimer");
  diag_.LastMem(" appended");  // lock screen only, then the debug line
  diag_.SetEcho(nullptr);
  diag_.Mem("not echoed");

  EXPECT_EQ(out.str(),
            "[10:00:00 AM] Launching lock screen...\n"
            "[10:00:00 AM] :frmBrivak.timer1.onTimer\n"
            "[10:00:00 AM] : appended\n");
  // Tray and lock-screen events for four console lines plus the append.
  EXPECT_EQ(seen.size(), 9u);
  diag_.SetObserver({});
  diag_.Mem("unobserved");
  EXPECT_EQ(seen.size(), 9u);
}

}  // namespace
}  // namespace brivak::core
