#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "proj/core/RemoteEvents.h"
#include "proj/core/RemoteRequest.h"
#include "unit/common/RecordingLogSink.h"

namespace brivak::core {
namespace {

TEST(RemoteDiscoveryTest, AnswersQueriesWithTheFirstCharacterOfTheLocalAddress) {
  EXPECT_EQ(DiscoveryAnswer("/query?sendto=10.0.0.9", "192.168.1.20"), std::optional<std::string>("1"));
  EXPECT_EQ(DiscoveryAnswer("xx/query?yy", "8.8.4.4"), std::optional<std::string>("8"));
  EXPECT_EQ(DiscoveryAnswer("/QUERY?sendto=1", "192.168.1.20"), std::nullopt);  // case-sensitive
  EXPECT_EQ(DiscoveryAnswer("/query", "192.168.1.20"), std::nullopt);
  EXPECT_EQ(DiscoveryAnswer("", "192.168.1.20"), std::nullopt);
  EXPECT_EQ(DiscoveryAnswer("/query?sendto=1", ""), std::nullopt);  // nothing to answer with
  const std::string withNul("\0/query?", 8);
  EXPECT_EQ(DiscoveryAnswer(withNul, "5.6.7.8"), std::optional<std::string>("5"));
}

TEST(RemoteDatagramTest, EventTextsAreAsciiWithQuestionMarks) {
  EXPECT_EQ(SecurityEventDatagram("Incorrect password entered"), "/se:Incorrect password entered");
  EXPECT_EQ(PowerEventDatagram(""), "/pe:");
  EXPECT_EQ(PowerEventDatagram("Battery is low."), "/pe:Battery is low.");
  // One "?" per character: two-, three- and four-byte sequences, and stray bytes one each.
  EXPECT_EQ(SecurityEventDatagram("user: J\xC3\xBCrgen \xE2\x82\xAC \xF0\x9F\x94\x92"),
            "/se:user: J?rgen ? ?");
  EXPECT_EQ(ToAsciiText("a\xFF\x80z\xC3"), "a??z?");
}

class RecordingPort : public DatagramPort {
 public:
  void SendDatagram(const std::string& masterIP, const std::string& bytes) override {
    if (fail) throw std::runtime_error("network unreachable");
    sent.push_back(masterIP + " " + bytes);
  }
  bool fail = false;
  std::vector<std::string> sent;
};

class RemoteEventReporterTest : public ::testing::Test {
 protected:
  test::RecordingLogSink log_;
  RecordingPort port_;
  EventReporter reporter_{log_, port_};
};

TEST_F(RemoteEventReporterTest, SecurityEventLogsAndReports) {
  EventReportSettings s{"127.0.0.9", true, false, true};
  reporter_.SecurityEvent(security_event::IncorrectUsernamePasswordFor("bob"), s);
  EXPECT_EQ(port_.sent,
            std::vector<std::string>{"127.0.0.9 /se:Incorrect username/password entered for user: bob"});
  EXPECT_EQ(log_.Calls(), (std::vector<std::string>{
                              "debug:Security Event: Incorrect username/password entered for user: bob",
                              "log:Security Event: Incorrect username/password entered for user: bob",
                              "debug:UDP SEND to 127.0.0.9"}));
}

TEST_F(RemoteEventReporterTest, ReportingOffStillLogsWhenAsked) {
  reporter_.SecurityEvent("Incorrect password entered", EventReportSettings{"127.0.0.9", false, true, true});
  EXPECT_TRUE(port_.sent.empty());
  EXPECT_EQ(log_.Channel("log"), std::vector<std::string>{"Security Event: Incorrect password entered"});
  log_.Clear();
  reporter_.SecurityEvent("Incorrect password entered", EventReportSettings{"127.0.0.9", false, true, false});
  EXPECT_TRUE(log_.Channel("log").empty());
}

TEST_F(RemoteEventReporterTest, InvalidMasterIPSkipsTheSend) {
  for (const char* master : {"", "manager.local", "127.000.0.5", " 127.0.0.9"}) {
    log_.Clear();
    reporter_.SecurityEvent("x", EventReportSettings{master, true, true, false});
    reporter_.PowerBroadcast(4, EventReportSettings{master, true, true, false});
    EXPECT_TRUE(port_.sent.empty()) << master;
    const auto debug = log_.Channel("debug");
    ASSERT_EQ(debug.size(), 3u) << master;
    EXPECT_NE(debug[1].find("UDP SEND skipped"), std::string::npos);
    EXPECT_NE(debug[2].find("UDP SEND skipped"), std::string::npos);
  }
}

TEST_F(RemoteEventReporterTest, FailedSendNeverThrows) {
  port_.fail = true;
  EXPECT_NO_THROW(reporter_.SecurityEvent("x", EventReportSettings{"127.0.0.9", true, true, false}));
  EXPECT_NO_THROW(reporter_.PowerBroadcast(9, EventReportSettings{"127.0.0.9", true, true, false}));
  const auto debug = log_.Channel("debug");
  EXPECT_EQ(debug.back(), "UDP SEND to 127.0.0.9 failed: network unreachable");
}

TEST_F(RemoteEventReporterTest, PowerEventTexts) {
  const std::vector<std::pair<int, std::string>> table = {
      {2, "Suspend request failed."},
      {4, "System is suspending..."},
      {6, "System is resuming operations after a critical suspension..."},
      {7, "System is resuming operations after suspending..."},
      {9, "Battery is low."},
      {18, "System is resuming automatically after an event..."},
      {10, ""},
      {0, ""}};
  for (const auto& [code, text] : table) EXPECT_EQ(PowerEventText(code), text) << code;

  reporter_.PowerBroadcast(10, EventReportSettings{"127.0.0.9", false, true, false});
  reporter_.PowerBroadcast(4, EventReportSettings{"127.0.0.9", false, false, false});
  EXPECT_EQ(port_.sent, std::vector<std::string>{"127.0.0.9 /pe:"});  // code 10 still reports, empty
  EXPECT_EQ(log_.Channel("mem"), (std::vector<std::string>{"", "System is suspending..."}));
}

TEST(RemoteSecurityEventTextTest, FixedTexts) {
  EXPECT_EQ(security_event::IncorrectPasswordTo("unlock Brivak"), "Incorrect password to unlock Brivak");
  EXPECT_EQ(security_event::NoCredentialsTo("view Logs"),
            "You don't have the proper credentials to view Logs");
  EXPECT_EQ(security_event::BadUserPasswordInAuthorize("x"), "Bad User/Password in Authorize routine (x)");
  EXPECT_EQ(security_event::BadPasswordInAuthorize("x"), "Bad Password in Authorize routine (x)");
}

}  // namespace
}  // namespace brivak::core
