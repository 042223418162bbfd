// The tag table of HTML layouts, on the values of a fake system, and its edge cases.
#include <gtest/gtest.h>

#include "platform/fake/FakeSystemInfo.h"
#include "proj/core/HtmlTags.h"

namespace brivak::core {
namespace {

HtmlTagValues SampleValues() {
  platform::FakeSystemInfo system;
  system.SetCpuSamples({37.4});
  system.battery.percent = 64;
  system.battery.secondsLeft = 5400;
  HtmlTagValues v;
  AddSystemFacts(v, system);
  v.now = platform::LocalTime{2024, 3, 5, 14, 7, 9, 0, 2};
  v.computerName = "WS-17";
  v.awayMessage = "Back at 3";
  v.lockUptimeSeconds = 65;
  v.systemUptimeSeconds = 3725;
  v.internalIP = "127.0.0.1";
  v.brivakStatus = "Locked";
  v.idleSeconds = 12;
  v.winUsername = "alice";
  v.masterIP = "127.0.0.2";
  v.timeLockedSeconds = 90061;
  v.appPath = "/opt/brivak/";
  v.layoutFile = "/home/alice/.local/share/Brivak 3.0/layouts/html/bluegeneric.html";
  v.pagePath = "/home/alice/.local/share/Brivak 3.0/layouts/html/bluegeneric.html";
  v.workGroup = "(n/a)";
  v.domainName = "example.test";
  v.hostIP = "127.0.0.1";
  v.comment = "Front desk";
  v.engineVersion = "108.0.5359.220";
  v.messageCount = 2;
  return v;
}

TEST(HtmlTags, EveryRowOfTheTable) {
  const HtmlTagValues v = SampleValues();
  struct Row {
    const char* tag;
    const char* value;
  };
  const Row rows[] = {
      {"%TIME%", "2:07:09 pm"},
      {"%DATE%", "3/05/24"},
      {"%LONGDATE%", "March 5, 2024"},
      {"%COMPUTERNAME%", "WS-17"},
      {"%AWAYMESSAGE%", "Back at 3"},
      {"%BRIVAKSTART%", "2:07:09 pm   3/05/24"},
      {"%BRIVAKUPTIME%", "1 min 5 sec"},
      {"%SYSTEMUPTIME%", "1 hrs 2 min 5 sec"},
      {"%INTERNALIP%", "127.0.0.1"},
      {"%BRIVAKSTATUS%", "Locked"},
      {"%IDLETIME%", "12 sec"},
      {"%WINUSERNAME%", "alice"},
      {"%BRIVAKVERSION%", "3.1"},
      {"%MASTERIP%", "127.0.0.2"},
      {"%TIMELOCKED%", "1 days 1 hrs 1 min 1 sec"},
      {"%BRIVAKDIR%", "file:///opt/brivak/"},
      {"%CURLAYOUT%", "file:///home/alice/.local/share/Brivak 3.0/layouts/html/bluegeneric.html"},
      {"%CURPAGEURL%", "file:///home/alice/.local/share/Brivak 3.0/layouts/html/bluegeneric.html"},
      {"%WORKGROUP%", "(n/a)"},
      {"%DOMAINNAME%", "example.test"},
      {"%HOSTIP%", "127.0.0.1"},
      {"%COMMENT%", "Front desk"},
      {"%BATTERYLIFEPERCENT%", "64"},
      {"%BATTERYLIFETIME%", "5400"},
      {"%OsName%", "Test OS 1"},
      {"%OsVersionCSD%", "1.0-test"},
      {"%IEversion%", "108.0.5359.220"},
      {"%CPUTYPE%", "Test CPU @ 2.40GHz"},
      {"%CPULOAD%", "37"},
      {"%CPUNORMFREQ%", "2400"},
      // The fake: 8192 MB physical with 3072 free, 2048 MB swap with 1536 free, commit 6144/2048.
      {"%UsedPhysicalMemory%", "5120"},
      {"%TotalPhysicalMemory%", "8192"},
      {"%FreePhysicalMemory%", "3072"},
      {"%pcntUsedPhysicalMemory%", "63%"},
      {"%UsedVirtualMemory%", "5632"},
      {"%pcntUsedVirtualMemory%", "55%"},
      {"%TotalVirtualMemory%", "10240"},
      {"%FreeVirtualMemory%", "4608"},
      {"%UsedPageFileMemory%", "4096"},
      {"%pcntUsedPageFileMemory%", "67%"},
      {"%TotalPageFileMemory%", "6144"},
      {"%FreePageFileMemory%", "2048"},
      {"%SwapFileSize%", "2048"},
      {"%SwapFileUsage%", "25"},
      {"%MemoryLoad%", "63"},
      {"%MESSAGECOUNT%", "2 Messages"},
  };
  const std::vector<HtmlTag> table = HtmlTagTable(v);
  ASSERT_EQ(table.size(), std::size(rows));
  for (std::size_t i = 0; i < table.size(); ++i) {
    EXPECT_EQ(table[i].tag, rows[i].tag) << i;
    EXPECT_EQ(table[i].value, rows[i].value) << rows[i].tag;
    EXPECT_EQ(SwapHtmlTags(std::string("[") + rows[i].tag + "]", v), std::string("[") + rows[i].value + "]")
        << rows[i].tag;
  }
}

TEST(HtmlTags, CaseIsIgnoredAndEveryOccurrenceReplaced) {
  const HtmlTagValues v = SampleValues();
  EXPECT_EQ(SwapHtmlTags("%computername% %ComputerName% %COMPUTERNAME%", v), "WS-17 WS-17 WS-17");
  EXPECT_EQ(SwapHtmlTags("%osname%/%OSNAME%", v), "Test OS 1/Test OS 1");
  EXPECT_EQ(SwapHtmlTags("<p>%time%</p>", v), "<p>2:07:09 pm</p>");
}

TEST(HtmlTags, ValuesHoldingTagsMeetOnlyTheLaterRows) {
  HtmlTagValues v = SampleValues();
  v.awayMessage = "Ask %winusername% at %TIME%";
  // WINUSERNAME comes after AWAYMESSAGE in the table, TIME before it.
  EXPECT_EQ(SwapHtmlTags("%AWAYMESSAGE%", v), "Ask alice at %TIME%");
}

TEST(HtmlTags, TextValuesAreEscapedAndStartNothing) {
  HtmlTagValues v = SampleValues();
  v.awayMessage = "<script>alert(1)</script> & <!--BRIVAKPLUGIN x 1 2 3 4-->";
  v.winUsername = "o'neil \"x\"";
  v.computerName = "<b>";
  v.comment = "a<b";
  v.workGroup = "w&g";
  v.domainName = "d>";
  const std::string page = SwapHtmlTags("%AWAYMESSAGE%|%WINUSERNAME%|%COMPUTERNAME%|%COMMENT%|%WORKGROUP%|%DOMAINNAME%", v);
  EXPECT_EQ(page,
            "&lt;script&gt;alert(1)&lt;/script&gt; &amp; &lt;!--BRIVAKPLUGIN x 1 2 3 4--&gt;|o&#39;neil "
            "&quot;x&quot;|&lt;b&gt;|a&lt;b|w&amp;g|d&gt;");
  EXPECT_EQ(page.find('<'), std::string::npos);
}

TEST(HtmlTags, FileUrlsAndNumbersAsTheyAre) {
  HtmlTagValues v = SampleValues();
  v.appPath = "C:\\Program Files\\Brivak\\";
  v.layoutFile = "/a&b/x.html";
  EXPECT_EQ(SwapHtmlTags("%BRIVAKDIR%", v), "file:///C:/Program Files/Brivak/");
  EXPECT_EQ(SwapHtmlTags("%CURLAYOUT%", v), "file:///a&b/x.html");
}

TEST(HtmlTags, PercentsOfNothing) {
  HtmlTagValues v = SampleValues();
  v.memory = {};  // a system that tells nothing
  EXPECT_EQ(SwapHtmlTags("%pcntUsedPhysicalMemory%|%pcntUsedVirtualMemory%|%pcntUsedPageFileMemory%", v), "%|%|%");
  EXPECT_EQ(SwapHtmlTags("%SwapFileUsage%|%MemoryLoad%|%TotalPhysicalMemory%", v), "0|0|0");
  EXPECT_EQ(PercentText(0, 100), "%");
  EXPECT_EQ(PercentText(1, 200), "1%");  // 0.5 rounds up
  EXPECT_EQ(PercentText(100, 100), "100%");
  EXPECT_EQ(PercentText(5, 0), "%");
  v.memory.totalPhysical = 1024ull * 1024 * 1024;
  v.memory.freePhysical = 2048ull * 1024 * 1024;  // more free than total: no wrap-around
  EXPECT_EQ(SwapHtmlTags("%UsedPhysicalMemory%", v), "0");
}

TEST(HtmlTags, MessageCountAndStatus) {
  HtmlTagValues v = SampleValues();
  for (const auto& [count, text] : std::vector<std::pair<int, std::string>>{
           {0, "0 Messages"}, {1, "1 Message"}, {2, "2 Messages"}, {11, "11 Messages"}}) {
    v.messageCount = count;
    EXPECT_EQ(SwapHtmlTags("%MESSAGECOUNT%", v), text);
  }
  v.brivakStatus = "Unlocked";
  EXPECT_EQ(SwapHtmlTags("%BRIVAKSTATUS%", v), "Unlocked");
  v.battery = {};
  EXPECT_EQ(SwapHtmlTags("%BATTERYLIFEPERCENT% %BATTERYLIFETIME%", v), "255 4294967295");
}

TEST(HtmlTags, TextWithoutTagsIsUntouched) {
  const HtmlTagValues v = SampleValues();
  for (const char* text : {"", "%", "100% sure", "%%", "%TIM%E%", "%UNKNOWN%", "50%TIME"}) {
    EXPECT_EQ(SwapHtmlTags(text, v), text);
  }
}

TEST(HtmlTags, ReplaceAllNoCaseDoesNotSearchItsInsertions) {
  EXPECT_EQ(ReplaceAllNoCase("%A%%a%", "%a%", "%A%"), "%A%%A%");
  EXPECT_EQ(ReplaceAllNoCase("xx", "", "y"), "xx");
  EXPECT_EQ(ReplaceAllNoCase("%A", "%A%", "y"), "%A");
}

}  // namespace
}  // namespace brivak::core
