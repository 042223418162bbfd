#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "manager/core/LogPanel.h"

namespace brivak::manager {
namespace {

TEST(LogPanelTest, LinesAppendsAndTraceLines) {
  LogPanel panel;
  panel.AppendToLastLogLine("first");
  panel.AddToLog("UDP Broadcast..");
  panel.AppendToLastLogLine(" . 127.0.0.1");
  panel.DebugLine("ComputerGetIndex:PC");
  EXPECT_EQ(panel.Lines(),
            (std::vector<std::string>{"first", "UDP Broadcast.. . 127.0.0.1", ":ComputerGetIndex:PC"}));
  EXPECT_EQ(panel.Text(), "first\r\nUDP Broadcast.. . 127.0.0.1\r\n:ComputerGetIndex:PC");
  EXPECT_EQ(panel.Length(), panel.Text().size());
  panel.Clear();
  EXPECT_EQ(panel.Text(), "");
  EXPECT_EQ(panel.Length(), 0u);
}

TEST(LogPanelTest, TheWriteThatCrossesTheLimitEmptiesThePanel) {
  LogPanel panel;
  panel.AddToLog(std::string(30000, 'a'));
  panel.AddToLog(std::string(998, 'b'));  // 30000 + 2 + 998 = 31000: still within
  EXPECT_EQ(panel.Length(), 31000u);
  EXPECT_EQ(panel.Overflows(), 0);
  panel.AppendToLastLogLine("c");  // 31001
  EXPECT_EQ(panel.Length(), 0u);
  EXPECT_TRUE(panel.Lines().empty());
  EXPECT_EQ(panel.Overflows(), 1);
  panel.AddToLog("next");
  EXPECT_EQ(panel.Text(), "next");
}

TEST(LogPanelTest, LengthCountsCharacters) {
  LogPanel panel;
  std::string text;
  for (int i = 0; i < 31000; ++i) text += "\xC3\xA9";
  panel.AddToLog(text);  // 62000 bytes, 31000 characters
  EXPECT_EQ(panel.Length(), 31000u);
  EXPECT_EQ(panel.Overflows(), 0);
  panel.AppendToLastLogLine("\xC3\xA9");
  EXPECT_EQ(panel.Overflows(), 1);
}

}  // namespace
}  // namespace brivak::manager
