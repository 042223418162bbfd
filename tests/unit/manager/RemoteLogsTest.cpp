#include "manager/core/RemoteLogs.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "proj/core/LogFormat.h"
#include "proj/core/RemoteFiles.h"
#include "proj/core/RemoteParams.h"
#include "unit/manager/LookupFakes.h"

namespace brivak::manager {
namespace {

core::RequestParams ParseTarget(const std::string& target) {
  core::HttpRequest request;
  request.method = "GET";
  request.target = target;
  return core::RequestParams::FromRequest(request);
}

TEST(RemoteLogsTest, ShortDatesAgreeWithTheLockersParser) {
  for (const CalendarDate d : {CalendarDate{2026, 12, 9}, CalendarDate{2024, 2, 29}, CalendarDate{2027, 1, 31}}) {
    const std::string text = ShortDateText(d);
    const std::optional<platform::LocalTime> parsed = core::ParseShortDate(text);
    ASSERT_TRUE(parsed) << text;
    EXPECT_EQ(parsed->year, d.year);
    EXPECT_EQ(parsed->month, d.month);
    EXPECT_EQ(parsed->day, d.day);
    platform::LocalTime t;
    t.year = d.year;
    t.month = d.month;
    t.day = d.day;
    EXPECT_EQ(text, core::FormatShortDate(t));
  }
  EXPECT_EQ(ShortDateText({2026, 12, 9}), "12/9/2026");
}

TEST(RemoteLogsTest, UrlsCarryTheDateAsTheLockerReadsIt) {
  const Credentials login{"admin", "pw"};
  EXPECT_EQ(MakeCommandURL("127.0.0.2", ListLogsCommand({2026, 12, 9}), login),
            "http://127.0.0.2:8777/listlogs?date=12%2F9%2F2026&s_username=admin&s_password=pw");
  const std::string target = MakeCommandTarget(GetLogCommand({2026, 3, 1}), login);
  EXPECT_EQ(core::RequestPath(target), "/getlog");
  const core::RequestParams params = ParseTarget(target);
  EXPECT_EQ(params.Get("date"), "3/1/2026");
  EXPECT_TRUE(params.Has("params"));
  EXPECT_FALSE(ParseTarget(MakeCommandTarget(ListLogsCommand({2026, 3, 1}), login)).Has("params"));
}

TEST(RemoteLogsTest, DayListsOfMonthSummaries) {
  struct Case {
    std::string body;
    std::vector<int> days;
  };
  const std::vector<Case> cases = {
      {"<HTML><BODY><B>200 <loglist>1,12,30,</loglist>\r\n</B></BODY></HTML>\r\n", {1, 12, 30}},
      {"<loglist></loglist>", {}},
      {"<loglist>5,x,0,32,,7</loglist>", {5, 7}},
  };
  for (const Case& c : cases) {
    const FetchResult<std::vector<int>> r = ParseLogListReply(test::OkReply(c.body));
    ASSERT_TRUE(r) << c.body;
    EXPECT_EQ(r.value(), c.days) << c.body;
  }
  EXPECT_FALSE(ParseLogListReply(test::OkReply("unauthenticated")));
  EXPECT_FALSE(ParseLogListReply(test::FailedReply(HttpLookupResult::Outcome::ConnectTimeout)));
}

// The locker's own month summary, read back by the manager.
TEST(RemoteLogsTest, TheLockersSummaryParsesBack) {
  char dirTemplate[] = "/tmp/m2logsXXXXXX";
  ASSERT_NE(mkdtemp(dirTemplate), nullptr);
  const std::filesystem::path dir(dirTemplate);
  for (int day : {1, 12, 30}) {
    platform::LocalTime t;
    t.year = 2026;
    t.month = 11;
    t.day = day;
    std::ofstream(dir / core::DayFileName(t)) << "x\r\n";
  }
  const std::string summary = core::LogsGetMonthInfo(ShortDateText({2026, 11, 5}), dir.string() + "/");
  const FetchResult<std::vector<int>> r =
      ParseLogListReply(test::OkReply("<HTML><BODY><B>200 " + summary + "\r\n</B></BODY></HTML>\r\n"));
  ASSERT_TRUE(r);
  EXPECT_EQ(BoldDays(r.value(), 2026, 11), (std::vector<int>{1, 12, 30}));
  std::filesystem::remove_all(dir);
}

TEST(RemoteLogsTest, BoldDaysExistInTheMonth) {
  EXPECT_EQ(BoldDays({30, 1, 31, 12, 1}, 2026, 11), (std::vector<int>{1, 12, 30}));
  EXPECT_EQ(BoldDays({29, 28}, 2026, 2), std::vector<int>{28});
  EXPECT_EQ(BoldDays({29}, 2024, 2), std::vector<int>{29});
  EXPECT_TRUE(BoldDays({}, 2026, 1).empty());
}

TEST(RemoteLogsTest, MonthSummaryDateClampsTheDay) {
  const CalendarDate d = MonthSummaryDate(2026, 31, 4);
  EXPECT_EQ(ShortDateText(d), "4/30/2026");
  EXPECT_EQ(ShortDateText(MonthSummaryDate(2026, 31, 2)), "2/28/2026");
  EXPECT_EQ(ShortDateText(MonthSummaryDate(2026, 15, 2)), "2/15/2026");
}

TEST(RemoteLogsTest, LogTextFromTheReplyPage) {
  const std::string log = "[1:00:00 PM] a\r\n[1:00:01 PM] b\r\n[1:00:02 PM] c\r\n";
  const std::string text = ExtractLogText("<HTML><BODY><B>200 " + log + "</B></BODY></HTML>\r\n");
  EXPECT_EQ(text, log);
  EXPECT_EQ(LogLinesText(text), "3 lines");
  EXPECT_EQ(LogSizeText(text), std::to_string(log.size()) + " bytes");

  const std::string empty = ExtractLogText("<HTML><BODY><B>200</B></BODY></HTML>");
  EXPECT_EQ(empty, "");
  EXPECT_EQ(LogSizeText(empty), "0 bytes");
  EXPECT_EQ(LogLinesText(empty), "0 lines");
  EXPECT_EQ(ExtractLogText("No log file for 3/1/2026"), "No log file for 3/1/2026");
}

TEST(RemoteLogsTest, LineCounts) {
  EXPECT_EQ(CountLines(""), 0u);
  EXPECT_EQ(CountLines("a"), 1u);
  EXPECT_EQ(CountLines("a\r\n"), 1u);
  EXPECT_EQ(CountLines("a\r\n\r\n"), 2u);
  EXPECT_EQ(CountLines("a\nb\rc"), 3u);
}

}  // namespace
}  // namespace brivak::manager
