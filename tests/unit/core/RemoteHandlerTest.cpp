// The remote command handler: address check, authentication, dispatch and reply forms.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "RemoteHandlerTestSupport.h"
#include "platform/fake/MemoryRegistryStore.h"
#include "proj/core/BrivakSettings.h"
#include "support/Disk.h"
#include "support/ParamNames.h"

namespace brivak::core {
namespace {

using logtest::WriteFile;
using remotetest::kAdminCreds;
using remotetest::kRemote;
using remotetest::kUnlockerCreds;
using remotetest::PageBody;
using std::chrono::milliseconds;

class RemoteHandlerTest : public remotetest::RemoteHandlerFixture {};

TEST_F(RemoteHandlerTest, RefusedAddressGetsAnEmptyOkAndNothingHappens) {
  const HttpReply reply = Get(std::string("/unlock?") + kAdminCreds, "127.0.7.7");
  EXPECT_EQ(reply.status, 200);
  EXPECT_EQ(reply.reason, "OK");
  EXPECT_EQ(reply.form, ReplyForm::StatusOnly);
  EXPECT_EQ(reply.body, "");
  EXPECT_EQ(reply.delay, milliseconds(0));
  EXPECT_EQ(log_.Calls(),
            (std::vector<std::string>{"debug:frmBrivak:httpCommandGet", "debug:AllowRemoteIP:127.0.7.7",
                                      "debug:!!! REMOTE IP 127.0.7.7 NOT IN LIST, REJECTED !!!"}));
  EXPECT_TRUE(effects_.Calls().empty());
}

TEST_F(RemoteHandlerTest, AllowedAddressTraceAndAuthLevel) {
  Get(std::string("/?") + kUnlockerCreds);
  const auto debug = log_.Channel("debug");
  ASSERT_GE(debug.size(), 3u);
  EXPECT_EQ(debug[0], "frmBrivak:httpCommandGet");
  EXPECT_EQ(debug[1], "AllowRemoteIP:127.0.2.3");
  EXPECT_EQ(debug[2], "*** REMOTE IP 127.0.2.3 IN LIST, ALLOWED ***");
  EXPECT_EQ(debug.back(), "authlevel: 1");
}

struct AuthCase {
  bool multiUser;
  const char* query;  // credentials
  const char* path;
  const char* reason;
};

class RemoteHandlerAuthTest : public remotetest::RemoteHandlerFixture,
                              public ::testing::WithParamInterface<AuthCase> {};

TEST_P(RemoteHandlerAuthTest, Matrix) {
  const AuthCase& c = GetParam();
  settings_.multiUser = c.multiUser;
  EXPECT_EQ(Get(std::string(c.path) + "?" + c.query).reason, c.reason)
      << (c.multiUser ? "multi " : "single ") << c.path << "?" << c.query;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RemoteHandlerAuthTest,
    ::testing::Values(
        // No command word: the authentication reply.
        AuthCase{true, "s_username=admin&s_password=adminpw", "/", "OK"},
        AuthCase{true, "s_username=ADMIN&s_password=adminpw", "/", "OK"},
        AuthCase{true, "s_username=unlocker&s_password=unlockpw", "/", "OK"},
        AuthCase{true, "s_username=disabled&s_password=offpw", "/", "no access"},
        AuthCase{true, "s_username=admin&s_password=wrong", "/", "incorrect password"},
        AuthCase{true, "s_username=nobody&s_password=x", "/", "user not found"},
        AuthCase{true, "", "/", "incorrect password"},
        AuthCase{true, "s_password=masterpw", "/", "user not found"},  // master password: single-user only
        AuthCase{false, "s_username=whoever&s_password=masterpw", "/update", "Update initiated"},
        AuthCase{false, "s_username=unlocker&s_password=unlockpw", "/update",
                 "cant update, not authenticated"},
        AuthCase{false, "s_username=admin&s_password=adminpw", "/update",
                 "Update initiated"},  // falls back to the list
        AuthCase{false, "s_username=admin&s_password=wrong", "/", "incorrect password"},
        // Level rules of the commands.
        AuthCase{true, "s_username=admin&s_password=adminpw", "/update", "Update initiated"},
        AuthCase{true, "s_username=unlocker&s_password=unlockpw", "/update",
                 "cant update, not authenticated"},
        AuthCase{true, "s_username=unlocker&s_password=unlockpw", "/unlock", "unlocking"},
        AuthCase{true, "s_username=disabled&s_password=offpw", "/unlock", "cant Shutdown, not authenticated"},
        AuthCase{true, "s_username=admin&s_password=wrong", "/unlock", "cant Shutdown, not authenticated"}),
    brivak::test::NamedBy<AuthCase>([](const AuthCase& c) {
      return std::string(std::string(c.multiUser ? "multi_" : "single_") + c.path + "_" + c.query);
    }));

TEST_F(RemoteHandlerTest, SingleUserMasterPasswordOpensEveryCommand) {
  settings_.multiUser = false;
  const HttpReply reply = Get("/query?s_username=whoever&s_password=masterpw");
  EXPECT_EQ(reply.form, ReplyForm::Page);
  EXPECT_NE(reply.body.find("<internalip>127.0.2.50</internalip>"), std::string::npos);
}

TEST_F(RemoteHandlerTest, OnlyAdminCanUnlockTheMasterStationItself) {
  settings_.onlyAdminCanUnlockMaster = true;
  EXPECT_EQ(Get(std::string("/unlock?") + kUnlockerCreds).reason, "unlocking");  // not the master
  settings_.theLocalIP = settings_.masterIP;
  EXPECT_EQ(Get(std::string("/unlock?") + kUnlockerCreds).reason, "cant Shutdown, not authenticated");
  EXPECT_EQ(Get(std::string("/unlock?") + kAdminCreds).reason, "unlocking");
  settings_.onlyAdminCanUnlockMaster = false;
  EXPECT_EQ(Get(std::string("/unlock?") + kUnlockerCreds).reason, "unlocking");
}

TEST_F(RemoteHandlerTest, CommandWordsInParametersRunNothing) {
  effects_.lockScreen = true;
  effects_.locked = true;
  const HttpReply reply =
      AdminGet("/remotemessage", "&mbody=please+%2Fhalt+and+/unlock+then+/lock+/standby&msubject=/query");
  EXPECT_EQ(reply.reason, "leaving msg...");
  EXPECT_EQ(reply.body, PageBody("leaving msg..."));
  EXPECT_EQ(effects_.Calls(), std::vector<std::string>{"Post:remotemessage"});
}

TEST_F(RemoteHandlerTest, QueryInParameterDoesNotTurnTheRequestIntoAQuery) {
  const HttpReply reply = AdminGet("/update", "&x=/query");
  EXPECT_EQ(reply.reason, "Update initiated");
  EXPECT_EQ(effects_.Calls(), std::vector<std::string>{});
}

TEST_F(RemoteHandlerTest, QueryInPathComesFirstAndAlone) {
  effects_.lockScreen = true;
  const HttpReply reply = AdminGet("/unlock/query/lock");
  EXPECT_EQ(effects_.Calls(), std::vector<std::string>{"StatusFacts"});
  EXPECT_EQ(reply.form, ReplyForm::Page);
  EXPECT_TRUE(reply.body.starts_with("<HTML><BODY><B>200 <computername>"));
}

TEST_F(RemoteHandlerTest, SeveralWordsInThePathRunInTheFixedOrder) {
  effects_.lockScreen = true;
  // Listed out of order on purpose: the fixed order is /lock, /update, /unlock, /standby.
  const HttpReply reply = AdminGet("/standby/unlock/update/lock");
  EXPECT_EQ(effects_.Calls(), (std::vector<std::string>{"LaunchLock", "Post:shutdown", "Standby"}));
  EXPECT_EQ(reply.reason, "Standing by..");
  EXPECT_EQ(reply.form, ReplyForm::Page);
  EXPECT_EQ(reply.body, PageBody("locked") + PageBody("Update initiated") + PageBody("unlocking") +
                            PageBody("Standing by.."));
  EXPECT_EQ(log_.Channel("log"),
            (std::vector<std::string>{
                "Locked by remote address 127.0.2.3", "Update by remote address 127.0.2.3",
                "Shutdown by remote address 127.0.2.3", "Standby by remote address 127.0.2.3"}));
}

TEST_F(RemoteHandlerTest, UnknownWordsGetTheAuthenticationReply) {
  for (const char* path : {"/readlog", "/shutdowncomp", "/", "/LOCK"}) {
    const HttpReply reply = AdminGet(path);
    EXPECT_EQ(reply.reason, "OK") << path;
    EXPECT_EQ(reply.form, ReplyForm::StatusOnly) << path;
    EXPECT_EQ(reply.body, "") << path;
  }
  EXPECT_TRUE(effects_.Calls().empty());
}

TEST_F(RemoteHandlerTest, ReplyForms) {
  const HttpReply page = AdminGet("/update");
  EXPECT_EQ(page.status, 200);
  EXPECT_EQ(page.reason, "Update initiated");
  EXPECT_EQ(page.form, ReplyForm::Page);
  EXPECT_EQ(page.body, "<HTML><BODY><B>200 Update initiated</B></BODY></HTML>\r\n");
  EXPECT_EQ(page.contentType, "");
  EXPECT_FALSE(page.nosniff);

  const HttpReply status = Get(std::string("/query?") + kUnlockerCreds);
  EXPECT_EQ(status.status, 200);
  EXPECT_EQ(status.reason, "unauthenticated,  you are not admin");
  EXPECT_EQ(status.form, ReplyForm::StatusOnly);
  EXPECT_EQ(status.body, "");
  EXPECT_EQ(status.contentType, "");
  EXPECT_FALSE(status.nosniff);
}

TEST_F(RemoteHandlerTest, DataRepliesArePlainTextWithNosniff) {
  WriteFile(ScriptPath(), "#!/bin/sh\necho <script>\n");
  const std::vector<std::string> data = {"/query",  "/listlayouts",      "/listlogs",
                                         "/getlog", "/viewupdatescript", "/getuserlist"};
  for (const std::string& path : data) {
    const HttpReply reply = AdminGet(path, "&date=1/5/2027");
    EXPECT_EQ(reply.status, 200) << path;
    EXPECT_EQ(reply.form, ReplyForm::Page) << path;
    EXPECT_EQ(reply.contentType, "text/plain") << path;
    EXPECT_TRUE(reply.nosniff) << path;
    EXPECT_TRUE(reply.body.starts_with("<HTML><BODY><B>200 ")) << path;
    EXPECT_TRUE(reply.body.ends_with("</B></BODY></HTML>\r\n")) << path;
  }
  // Multi-line texts stay out of the status line.
  EXPECT_EQ(AdminGet("/viewupdatescript").reason, "OK");
  EXPECT_EQ(AdminGet("/query").reason, "OK");
}

TEST_F(RemoteHandlerTest, NonAsciiGoesOutAsQuestionMarks) {
  effects_.facts.hostName =
      "K\xC3\xBC"
      "che";
  const HttpReply reply = AdminGet("/query");
  EXPECT_NE(reply.body.find("<computername>K?che</computername>"), std::string::npos);
}

TEST_F(RemoteHandlerTest, StatusRecordFromSettingsConfigAndFacts) {
  effects_.locked = true;
  effects_.facts = StatusFacts{"WS-12", 61999, 3'600'500, 17, 3'000'000, true};
  const HttpReply reply = AdminGet("/query");
  EXPECT_EQ(reply.body,
            PageBody("<computername>WS-12</computername>\r<internalip>127.0.2.50</internalip>\r"
                     "<mac>00112233AABB</mac>\r<group>(n/a)</group>\r<status>Locked</status>\r"
                     "<idletime>61</idletime>\r<uptime>3600</uptime>\r<currentuser>alice</currentuser>\r"
                     "<brivakversion>3.1.0.0</brivakversion>\r<comments>comment</comments>\r"
                     "<masterip>127.0.9.9</masterip>\r<layout>bluegeneric.html</layout>\r<rdp>-1</rdp>\r"
                     "<cpu>17</cpu>\r<ram>0</ram>\r<locktime>600</locktime>"));
  effects_.shuttingDown = true;
  EXPECT_NE(AdminGet("/query").body.find("<status>Unlocking</status>"), std::string::npos);
}

TEST_F(RemoteHandlerTest, GuessingIsSlowedButTheReplyStaysTheSame) {
  std::vector<long long> delays;
  for (int i = 0; i < 6; ++i) {
    const HttpReply reply = Get("/unlock?s_username=admin&s_password=guess" + std::to_string(i));
    EXPECT_EQ(reply.status, 200);
    EXPECT_EQ(reply.reason, "cant Shutdown, not authenticated");
    EXPECT_EQ(reply.body, PageBody("cant Shutdown, not authenticated"));
    delays.push_back(reply.delay.count());
  }
  EXPECT_EQ(delays, (std::vector<long long>{0, 0, 0, 250, 500, 1000}));
  // Unknown users and requests without a command word count too (the reply tells either way).
  EXPECT_EQ(Get("/?s_username=ghost&s_password=x").delay, milliseconds(2000));
  // Another address is not affected; the right password is answered at once and resets.
  EXPECT_EQ(Get("/unlock?s_username=admin&s_password=x", "127.0.3.4").delay, milliseconds(0));
  EXPECT_EQ(Get(std::string("/unlock?") + kAdminCreds).delay, milliseconds(0));
  EXPECT_EQ(Get("/unlock?s_username=admin&s_password=again").delay, milliseconds(0));
}

TEST_F(RemoteHandlerTest, LockPageOnLoopbackIsHeldBackAtMostThreeSeconds) {
  milliseconds last{0};
  for (int i = 0; i < 20; ++i) last = Get("/unlock?s_username=admin&s_password=no", "127.0.0.1").delay;
  EXPECT_EQ(last, milliseconds(3000));
}

TEST_F(RemoteHandlerTest, SelfTestWithoutCredentialsIsNotCounted) {
  for (int i = 0; i < 10; ++i) EXPECT_EQ(Get("/?", "127.0.0.1").delay, milliseconds(0));
}

TEST_F(RemoteHandlerTest, PostFormBodyCarriesTheLockPageCredentials) {
  effects_.lockScreen = true;
  const HttpReply reply =
      handler_.Handle(HttpRequest{"POST", "/unlock", "s_username=unlocker&s_password=unlockpw",
                                  "application/x-www-form-urlencoded", "127.0.0.1"});
  EXPECT_EQ(reply.reason, "unlocking");
  EXPECT_EQ(effects_.Calls(), std::vector<std::string>{"Post:shutdown"});
}

TEST_F(RemoteHandlerTest, ErrorEscapingACommandGives500AndStopsTheRest) {
  // No user list file: /getuserlist fails; /unlock after it is not performed.
  std::filesystem::remove(users_.Path());
  settings_.multiUser = false;
  effects_.lockScreen = true;
  const HttpReply reply = Get("/getuserlist/unlock?s_password=masterpw");
  EXPECT_EQ(reply.status, 500);
  EXPECT_EQ(reply.body, "Cannot open file \"" + users_.Path() + "\".");
  EXPECT_TRUE(effects_.Calls().empty());
  const auto debug = log_.Channel("debug");
  ASSERT_GE(debug.size(), 2u);
  EXPECT_EQ(debug[debug.size() - 2], "frmBrivak:httpCommandError");
  EXPECT_EQ(debug.back(), "  EX: Cannot open file \"" + users_.Path() + "\".");
}

TEST_F(RemoteHandlerTest, HandleNeverThrows) {
  class ThrowingSink : public test::RecordingLogSink {
   public:
    void WriteLog(std::string_view) override { throw std::runtime_error("disk full"); }
  } sink;
  RemoteCommandHandler handler(
      config_, [this] { return settings_; }, users_, effects_, sink, clock_);
  HttpReply reply;
  EXPECT_NO_THROW(
      reply = handler.Handle(HttpRequest{"GET", std::string("/update?") + kUnlockerCreds, "", "", kRemote}));
  EXPECT_EQ(reply.status, 500);
  EXPECT_EQ(reply.body, "disk full");
}

}  // namespace
}  // namespace brivak::core

namespace brivak::core {
namespace {

TEST(RemoteSettingsSnapshotTest, CopiesTheFieldsTheHandlerReads) {
  platform::MemoryRegistryStore registry;
  test::RecordingLogSink log;
  TBrivakSettings settings(SettingsContext{registry, brivak::test::Disk(), log, "/opt/brivak/",
                                           "/home/a/.brivak/", "127.0.5.5", "/usr/lib"});
  settings.Security.MultiUser = true;
  settings.Security.passwordHash = "abc";
  settings.Security.masterIP = "127.0.5.1";
  settings.Security.AllowRemoteUnlocking = true;
  settings.Security.AllowedRemoteIPs = "127.0.5.*";
  settings.Security.OnlyAdminCanUnlockMaster = true;
  settings.General.LayoutFile = "/home/a/.brivak/layouts/slf/simple.slf";
  settings.Logging.LogBadPasswords = true;
  settings.Logging.LogUserWhoUnlocked = true;
  const RemoteSettingsSnapshot s = MakeRemoteSettingsSnapshot(settings, "127.0.5.7");
  EXPECT_TRUE(s.multiUser);
  EXPECT_EQ(s.passwordHash, "abc");
  EXPECT_EQ(s.masterIP, "127.0.5.1");
  EXPECT_TRUE(s.allowRemoteUnlocking);
  EXPECT_EQ(s.allowedRemoteIPs, "127.0.5.*");
  EXPECT_TRUE(s.onlyAdminCanUnlockMaster);
  EXPECT_EQ(s.layoutFile, "/home/a/.brivak/layouts/slf/simple.slf");
  EXPECT_TRUE(s.logBadPasswords);
  EXPECT_TRUE(s.logUserWhoUnlocked);
  EXPECT_EQ(s.theLocalIP, "127.0.5.7");
}

}  // namespace
}  // namespace brivak::core
