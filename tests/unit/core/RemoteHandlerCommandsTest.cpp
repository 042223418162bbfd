// The remote command handler: each command's effect, reply and log lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <future>
#include <mutex>
#include <string>
#include <vector>

#include "RemoteHandlerTestSupport.h"
#include "proj/core/RemoteFiles.h"
#include "support/ParamNames.h"

namespace brivak::core {
namespace {

namespace fs = std::filesystem;
using logtest::WriteFile;
using remotetest::kAdminCreds;
using remotetest::kUnlockerCreds;
using remotetest::PageBody;

class RemoteCommandsTest : public remotetest::RemoteHandlerFixture {
 protected:
  void Touch(const std::string& path, const std::string& content = "x") {
    fs::create_directories(fs::path(path).parent_path());
    WriteFile(path, content);
  }
};

struct RefusedCase {
  const char* target;  // the unlocker's credentials are appended
  const char* reason;
  bool page;
  std::vector<std::string> logs;
};

class RemoteRefusedCommandTest : public remotetest::RemoteHandlerFixture,
                                 public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(RemoteRefusedCommandTest, RepliesAndLogs) {
  const RefusedCase& c = GetParam();
  effects_.lockScreen = false;
  const HttpReply reply = Get(std::string(c.target) + "&" + kUnlockerCreds);
  EXPECT_EQ(reply.status, 200);
  EXPECT_EQ(reply.reason, c.reason);
  EXPECT_EQ(reply.form, c.page ? ReplyForm::Page : ReplyForm::StatusOnly);
  EXPECT_EQ(reply.body, c.page ? PageBody(c.reason) : "");
  EXPECT_EQ(reply.contentType, "");
  EXPECT_EQ(log_.Channel("log"), c.logs);
  EXPECT_TRUE(effects_.Calls().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RemoteRefusedCommandTest,
    ::testing::Values(
        RefusedCase{"/query?",
                    "unauthenticated,  you are not admin",
                    false,
                    {"Unsuccessful remote Query by 127.0.2.3"}},
        RefusedCase{
            "/listlayouts?", "unauthenticated", false, {"Unsuccessful remote layout query by 127.0.2.3"}},
        RefusedCase{"/listlogs?date=1/1/2027",
                    "unauthenticated",
                    false,
                    {"Unsuccessful remote request for Log File by 127.0.2.3"}},
        RefusedCase{"/getlog?date=1/1/2027",
                    "unauthenticated",
                    false,
                    {"Unsuccessful remote request for Log File by 127.0.2.3"}},
        RefusedCase{"/lock?s_layout=/x.slf",
                    "cant lock, not authenticated",
                    false,
                    {"Unsuccessful remote lock by remote address 127.0.2.3", "Layout requested : /x.slf"}},
        RefusedCase{"/lock?",
                    "cant lock, not authenticated",
                    false,
                    {"Unsuccessful remote lock by remote address 127.0.2.3"}},
        RefusedCase{"/changelayout?s_layout=/x.slf",
                    "cant lock, not authenticated",
                    true,
                    {"Unsuccessful/unauthenticated remote attempt to change layout by address 127.0.2.3",
                     "layout requested : /x.slf"}},
        RefusedCase{
            "/viewupdatescript?",
            "cant view script, not authenticated",
            true,
            {"Unsuccessful/unauthenticated remote attempt to view update script file by address 127.0.2.3"}},
        RefusedCase{
            "/runupdatescript?",
            "cant run update script, not authenticated",
            true,
            {"Unsuccessful/unauthenticated remote attempt to run update script by address 127.0.2.3"}},
        RefusedCase{"/update?",
                    "cant update, not authenticated",
                    false,
                    {"Unsuccessful update attempt by remote address 127.0.2.3"}},
        RefusedCase{"/halt?",
                    "cant halt, not authenticated",
                    true,
                    {"Unsuccessful halt attempt by address 127.0.2.3"}},
        RefusedCase{"/getuserlist?",
                    "cant fetch user list, not authenticated",
                    true,
                    {"Unsuccessful user list fetch by address 127.0.2.3"}},
        RefusedCase{"/standby?",
                    "Cant Standby, not authenticated",
                    true,
                    {"Unsuccessful Standby attempt by remote address 127.0.2.3"}},
        RefusedCase{"/hibernate?",
                    "Cant Hibernbate, not authenticated",
                    true,
                    {"Unsuccessful Hibernbate attempt by remote address 127.0.2.3"}},
        RefusedCase{"/remotemessage?mfrom=x",
                    "Cant message, not authenticated",
                    true,
                    {"Unsuccessful message attempt by remote address 127.0.2.3"}}),
    brivak::test::NamedBy<RefusedCase>([](const RefusedCase& c) { return std::string(c.target); }));

struct AllowedCase {
  const char* target;  // the administrator's credentials are appended
  const char* reason;
  std::vector<std::string> logs;
  std::vector<std::string> effects;
};

class RemoteAllowedCommandTest : public remotetest::RemoteHandlerFixture,
                                 public ::testing::WithParamInterface<AllowedCase> {};

TEST_P(RemoteAllowedCommandTest, RepliesLogsAndActs) {
  const AllowedCase& c = GetParam();
  effects_.lockScreen = true;
  const HttpReply reply = Get(std::string(c.target) + "&" + kAdminCreds);
  EXPECT_EQ(reply.reason, c.reason);
  EXPECT_EQ(reply.form, ReplyForm::Page);
  EXPECT_EQ(reply.body, PageBody(c.reason));
  EXPECT_EQ(log_.Channel("log"), c.logs);
  EXPECT_EQ(effects_.Calls(), c.effects);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RemoteAllowedCommandTest,
    ::testing::Values(
        AllowedCase{"/lock?", "locked", {"Locked by remote address 127.0.2.3"}, {"LaunchLock"}},
        AllowedCase{"/lock?s_layout=/nowhere.slf",
                    "locked",
                    {"Locked by remote address 127.0.2.3", "Layout requested : /nowhere.slf"},
                    {"LaunchLock"}},
        AllowedCase{"/changelayout?s_layout=/nowhere.slf",
                    "locked",
                    {"Default layout changed by remote address 127.0.2.3", "layout : /nowhere.slf"},
                    {}},
        AllowedCase{"/update?", "Update initiated", {"Update by remote address 127.0.2.3"}, {}},
        AllowedCase{"/halt?", "OK, halting.", {}, {"Post:shutdown"}},
        AllowedCase{"/unlock?", "unlocking", {"Shutdown by remote address 127.0.2.3"}, {"Post:shutdown"}},
        AllowedCase{"/standby?", "Standing by..", {"Standby by remote address 127.0.2.3"}, {"Standby"}},
        AllowedCase{
            "/hibernate?", "Hibernating...", {"Hibernbate by remote address 127.0.2.3"}, {"Hibernate"}},
        AllowedCase{"/remotemessage?mfrom=x",
                    "leaving msg...",
                    {"Message from remote address 127.0.2.3"},
                    {"Balloon:Message from x|RE: \r\n\r\n|60"}}),
    brivak::test::NamedBy<AllowedCase>([](const AllowedCase& c) { return std::string(c.target); }));

TEST_F(RemoteCommandsTest, ARemoteNoteIsFiledWhileLockedAndNeverDropped) {
  effects_.lockScreen = true;
  effects_.locked = true;
  AdminGet("/remotemessage", "&mfrom=adm&msubject=hi&mbody=Call%20me&memail=a%40example.org");
  ASSERT_EQ(effects_.queue.Size(), 1u);
  const auto filed = effects_.queue.TryTake();
  EXPECT_EQ(filed->message, (RemoteMessage{"adm", "hi", "Call me", "a@example.org"}));

  // A lock that can no longer take it (ending): the balloon shows it instead.
  effects_.refusePosts = true;
  const HttpReply reply = AdminGet("/remotemessage", "&mfrom=adm&msubject=late&mbody=text");
  EXPECT_EQ(reply.reason, "leaving msg...");
  const auto calls = effects_.Calls();
  ASSERT_GE(calls.size(), 2u);
  EXPECT_EQ(calls[calls.size() - 2], "Post:remotemessage");
  EXPECT_EQ(calls.back(), "Balloon:Message from adm|RE: late\r\n\r\ntext|60");
}

TEST_F(RemoteCommandsTest, LayoutIsTakenOnlyFromTheLayoutFolders) {
  const std::string inside = AppData() + "layouts/slf/simple.slf";
  Touch(inside);
  const std::string canonical = fs::weakly_canonical(inside).string();
  AdminGet("/lock", "&s_layout=" + inside);
  AdminGet("/changelayout", "&s_layout=" + inside);
  EXPECT_EQ(effects_.Calls(), (std::vector<std::string>{"SetLayoutFile:" + canonical, "LaunchLock",
                                                        "SetLayoutFile:" + canonical}));
  for (const std::string& outside : {AppData() + "layouts/slf/../../userlist.dat", AppData() + "userlist.dat",
                                     std::string("/etc/passwd"), std::string("layouts/slf/simple.slf")}) {
    const HttpReply lock = AdminGet("/lock", "&s_layout=" + outside);
    EXPECT_EQ(lock.reason, "locked") << outside;
    const HttpReply change = AdminGet("/changelayout", "&s_layout=" + outside);
    EXPECT_EQ(change.reason, "locked") << outside;
  }
  // Only the launches: the layout was never changed from outside the folders.
  std::size_t launches = 0;
  for (const std::string& call : effects_.Calls()) {
    EXPECT_FALSE(call.starts_with("SetLayoutFile:") && call != "SetLayoutFile:" + canonical) << call;
    launches += call == "LaunchLock" ? 1 : 0;
  }
  EXPECT_EQ(launches, 5u);
}

TEST_F(RemoteCommandsTest, GetLogServesTheDayFileOfAStrictDate) {
  Touch(AppData() + "Logs/Feb-29-28.txt", "-- header\n[1:00:00 AM] Brivak Locked\n");
  const HttpReply reply = AdminGet("/getlog", "&date=2/29/2028");
  EXPECT_EQ(reply.reason, "OK");  // multi-line: the body carries it
  EXPECT_EQ(reply.body, PageBody("-- header\r\n[1:00:00 AM] Brivak Locked\r\n"));
  EXPECT_EQ(reply.contentType, "text/plain");
  EXPECT_EQ(log_.Channel("mem"), std::vector<std::string>{"Request for log file."});
  EXPECT_EQ(log_.Channel("debug").back(), "sent log file.");

  const HttpReply none = AdminGet("/getlog", "&date=03/1/2028");
  EXPECT_EQ(none.reason, "No log file for 03/1/2028");
  EXPECT_EQ(none.body, PageBody("No log file for 03/1/2028"));
}

TEST_F(RemoteCommandsTest, GetLogWithABadDateIsAnEmptyOk) {
  Touch(AppData() + "secret.txt", "secret");
  for (const std::string& date : {std::string("../secret"), std::string("2/30/2028"), std::string(""),
                                  std::string("1/1/2028/../../secret")}) {
    log_.Clear();
    const HttpReply reply = AdminGet("/getlog", "&date=" + date);
    EXPECT_EQ(reply.status, 200) << date;
    EXPECT_EQ(reply.reason, "OK") << date;
    EXPECT_EQ(reply.form, ReplyForm::StatusOnly) << date;
    EXPECT_EQ(reply.body, "") << date;
    EXPECT_EQ(log_.Channel("mem"),
              (std::vector<std::string>{"Request for log file.", "'" + date + "' is not a valid date",
                                        "Error sending log file: "}));
  }
  // The flag was cleared each time: a good request is still served.
  EXPECT_EQ(AdminGet("/getlog", "&date=1/1/2028").reason, "No log file for 1/1/2028");
}

// A log sink that holds the first "Request for log file." line until released.
class GateSink : public test::RecordingLogSink {
 public:
  void Mem(std::string_view text) override {
    RecordingLogSink::Mem(text);
    if (text != "Request for log file.") return;
    std::unique_lock<std::mutex> lock(mutex_);
    if (held_) return;
    held_ = true;
    cv_.notify_all();
    cv_.wait_for(lock, std::chrono::seconds(10), [this] { return released_; });
  }
  bool WaitHeld() {
    std::unique_lock<std::mutex> lock(mutex_);
    return cv_.wait_for(lock, std::chrono::seconds(10), [this] { return held_; });
  }
  void Release() {
    std::lock_guard<std::mutex> lock(mutex_);
    released_ = true;
    cv_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  bool held_ = false;
  bool released_ = false;
};

TEST_F(RemoteCommandsTest, SecondGetLogWhileOneIsServedGetsAnEmptyOkAndStops) {
  GateSink sink;
  RemoteCommandHandler handler(
      config_, [this] { return settings_; }, users_, effects_, sink, clock_);
  const std::string target = std::string("/getlog?") + kAdminCreds + "&date=1/1/2028";
  auto first = std::async(std::launch::async, [&] {
    return handler.Handle(HttpRequest{"GET", target, "", "", remotetest::kRemote});
  });
  ASSERT_TRUE(sink.WaitHeld());
  effects_.lockScreen = true;
  // /getlog comes before /unlock: the busy /getlog ends the request, /unlock is not performed.
  const HttpReply second = handler.Handle(HttpRequest{
      "GET", std::string("/getlog/unlock?") + kAdminCreds + "&date=1/1/2028", "", "", remotetest::kRemote});
  sink.Release();
  EXPECT_EQ(second.reason, "OK");
  EXPECT_EQ(second.form, ReplyForm::StatusOnly);
  EXPECT_TRUE(effects_.Calls().empty());
  EXPECT_EQ(first.get().reason, "No log file for 1/1/2028");
}

TEST_F(RemoteCommandsTest, ListLogsMasksThePasswordInItsLogLine) {
  Touch(AppData() + "Logs/Jan-05-27.txt");
  const HttpReply reply = Get("/listlogs?s_username=admin&s_password=adminpw&date=1/9/2027");
  EXPECT_EQ(reply.body, PageBody("<loglist>5,</loglist>\r\n"));
  EXPECT_EQ(reply.contentType, "text/plain");
  EXPECT_TRUE(reply.nosniff);
  EXPECT_EQ(log_.Channel("log"),
            (std::vector<std::string>{"Listlogs requested. Date = 1/9/2027. HTTP =GET "
                                      "/listlogs?s_username=admin&s_password=*******&date=1/9/2027",
                                      "Listlogs returning : <loglist>5,</loglist>\r\n"}));
  EXPECT_EQ(log_.Channel("mem"), std::vector<std::string>{"Request for log month summary."});
  EXPECT_EQ(log_.Channel("debug").back(), "sent log summary....");
  for (const std::string& call : log_.Calls()) EXPECT_EQ(call.find("adminpw"), std::string::npos) << call;
}

TEST_F(RemoteCommandsTest, ListLogsWithABadDateFails) {
  effects_.lockScreen = true;
  const HttpReply reply = AdminGet("/listlogs/unlock", "&date=13/1/2027");
  EXPECT_EQ(reply.status, 500);
  EXPECT_EQ(reply.body, "'13/1/2027' is not a valid date");
  EXPECT_TRUE(effects_.Calls().empty());
}

TEST_F(RemoteCommandsTest, ListLayouts) {
  Touch(AppData() + "layouts/slf/simple.slf");
  Touch(AppData() + "layouts/html/blue.html");
  const HttpReply reply = AdminGet("/listlayouts");
  EXPECT_EQ(reply.body, PageBody("<layoutlist>" + AppData() + "layouts/slf/simple.slf\r\n" + AppData() +
                                 "layouts/html/blue.html\r\n</layoutlist>"));
  EXPECT_EQ(log_.Channel("debug").back(), "sent layout list");
}

TEST_F(RemoteCommandsTest, UpdateScriptViewAndRun) {
  const HttpReply missing = AdminGet("/viewupdatescript");
  EXPECT_EQ(missing.reason, "The file " + ScriptPath() + " does not exist.");
  const HttpReply runMissing = AdminGet("/runupdatescript");
  EXPECT_EQ(runMissing.reason, "OK");
  EXPECT_EQ(runMissing.form, ReplyForm::StatusOnly);
  EXPECT_TRUE(effects_.Calls().empty());

  WriteFile(ScriptPath(), "#!/bin/sh\nexit 0");
  EXPECT_EQ(AdminGet("/viewupdatescript").body, PageBody("#!/bin/sh\r\nexit 0\r\n"));
  EXPECT_EQ(log_.Channel("log"), (std::vector<std::string>{"Update script viewed by 127.0.2.3",
                                                           "Update Script run by remote address 127.0.2.3",
                                                           "Update script viewed by 127.0.2.3"}));

  const std::vector<std::pair<std::string, std::string>> flags = {
      {"&params=flags=hidden", "hidden"},
      {"&params=flags=", "shown"},
      {"&params=flags=Hidden", "shown"},
      {"&params=xxxxxhidden", "hidden"},  // without "flags=", from the sixth character on
      {"&params=flags=hidden2", "shown"},
      {"", "shown"}};
  for (const auto& [extra, mode] : flags) {
    const HttpReply run = AdminGet("/runupdatescript", extra);
    EXPECT_EQ(run.reason, "Script was run.") << extra;
    EXPECT_EQ(run.form, ReplyForm::StatusOnly) << extra;
    EXPECT_EQ(effects_.Calls().back(), "StartUpdateScript:" + ScriptPath() + ":" + mode) << extra;
  }
  effects_.scriptStarts = false;
  EXPECT_EQ(AdminGet("/runupdatescript").reason, "OK");  // not started: no claim that it ran
}

TEST_F(RemoteCommandsTest, UserListIsServedWhole) {
  const HttpReply reply = AdminGet("/getuserlist");
  const std::string text = *ReadLinesCrLf(users_.Path());
  EXPECT_NE(text.find("[admin]"), std::string::npos);
  EXPECT_EQ(reply.body, PageBody("<userlist>" + text + "</userlist>"));
  EXPECT_TRUE(log_.Channel("log").empty());
}

TEST_F(RemoteCommandsTest, UnlockPostsOnlyWhenALockScreenExists) {
  AdminGet("/unlock");
  Get("/unlock?s_username=eve&s_password=x");
  EXPECT_TRUE(effects_.Calls().empty());

  effects_.lockScreen = true;
  const HttpReply bad = Get("/unlock?s_username=eve&s_password=x");
  EXPECT_EQ(bad.reason, "cant Shutdown, not authenticated");
  EXPECT_EQ(effects_.Calls(), std::vector<std::string>{"Post:badpass"});
  auto posted = effects_.queue.TryTake();
  ASSERT_TRUE(posted);
  EXPECT_EQ(posted->user, "eve");
  const auto debug = log_.Channel("debug");
  EXPECT_NE(std::find(debug.begin(), debug.end(), "frmBrivak: setting nextcommand=badpass"), debug.end());
}

TEST_F(RemoteCommandsTest, UnlockTwiceRunsShutdownOnce) {
  effects_.lockScreen = true;
  Get(std::string("/unlock?") + kUnlockerCreds);
  Get(std::string("/unlock?") + kUnlockerCreds);
  Get("/unlock?s_username=eve&s_password=x");  // a late bad password does not disturb the ending lock
  ASSERT_EQ(effects_.queue.Size(), 1u);
  EXPECT_EQ(effects_.queue.TryTake()->word, "shutdown");
}

TEST_F(RemoteCommandsTest, RemoteMessageWhileLockedIsQueuedWithItsTexts) {
  effects_.lockScreen = true;
  effects_.locked = true;
  AdminGet("/remotemessage", "&mfrom=Boss&msubject=Lunch&mbody=At+noon%21&memail=boss%40example.org");
  AdminGet("/remotemessage", "&mfrom=Ann&msubject=Re&mbody=Later&memail=ann%40example.org");
  auto first = effects_.queue.TryTake();
  auto second = effects_.queue.TryTake();
  ASSERT_TRUE(first && second);
  EXPECT_EQ(first->message, (RemoteMessage{"Boss", "Lunch", "At noon!", "boss@example.org"}));
  EXPECT_EQ(second->message, (RemoteMessage{"Ann", "Re", "Later", "ann@example.org"}));
}

TEST_F(RemoteCommandsTest, RemoteMessageWhileUnlockedShowsTheBalloonOnly) {
  AdminGet("/remotemessage", "&mfrom=Boss&msubject=Lunch&mbody=At+noon");
  EXPECT_EQ(effects_.Calls(),
            std::vector<std::string>{"Balloon:Message from Boss|RE: Lunch\r\n\r\nAt noon|60"});
  EXPECT_EQ(effects_.queue.Size(), 0u);
}

}  // namespace
}  // namespace brivak::core

namespace brivak::core {
namespace {

// Standby and hibernate give the specified reply only when the power service accepted the request.
TEST_F(RemoteCommandsTest, PowerRequestsThatTheServiceRefusesSaySoInTheReply) {
  effects_.power = PowerReply{false, "org.freedesktop.login1.NotSupported: no sleep here"};
  EXPECT_EQ(AdminGet("/standby").reason, "Standby failed: org.freedesktop.login1.NotSupported: no sleep here");
  EXPECT_EQ(AdminGet("/hibernate").reason, "Hibernate failed: org.freedesktop.login1.NotSupported: no sleep here");
  EXPECT_EQ(effects_.Calls(), (std::vector<std::string>{"Standby", "Hibernate"}));
}

}  // namespace
}  // namespace brivak::core
