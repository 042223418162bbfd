#include "manager/core/CommandUrls.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "proj/core/RemoteParams.h"

namespace brivak::manager {
namespace {

core::RequestParams ParseTarget(const std::string& target) {
  core::HttpRequest request;
  request.method = "GET";
  request.target = target;
  return core::RequestParams::FromRequest(request);
}

TEST(CommandUrlsTest, StandbyUrlHasThreeFieldsInOrderAndTheLogFormMasksThePassword) {
  const Credentials login{"admin", "secret"};
  EXPECT_EQ(MakeCommandURL("127.0.0.7", StandbyCommand(), login),
            "http://127.0.0.7:8777/standby?s_username=admin&s_password=secret&params=");
  EXPECT_EQ(MakeSafeURL("127.0.0.7", StandbyCommand(), login),
            "http://127.0.0.7:8777/standby?s_username=admin&s_password=*******&params=");
}

// Odd values travel through the locker's own parser unchanged, and never reach the path.
TEST(CommandUrlsTest, EveryValueRoundTripsThroughTheLockersParser) {
  const std::vector<std::string> odd = {
      "two words",        "a&s_password=x",  "k=v",           "1+1",     "100%",       "%41",
      "Grüße, 日本",       "/halt",           "?query#frag",   "",        "line\r\nbreak", "tab\there",
      "C:\\L\\my file.slf", "\"quoted\"",     "~._-*@!$'()"};
  for (const std::string& value : odd) {
    const Credentials login{value, value + "pw"};
    const std::optional<CommandCall> message = RemoteMessageCommand(value, value, value + "!");
    ASSERT_TRUE(message);
    for (const CommandCall& call : {*message, LayoutCommand(value, true), LayoutCommand(value, false)}) {
      const std::string target = MakeCommandTarget(call, login);
      EXPECT_EQ(core::RequestPath(target), "/" + call.command) << target;
      const core::RequestParams params = ParseTarget(target);
      EXPECT_EQ(params.Get("s_username"), value) << target;
      EXPECT_EQ(params.Get("s_password"), value + "pw") << target;
      EXPECT_EQ(params.Get("params"), "") << target;
      for (const auto& [name, expected] : call.trailing) EXPECT_EQ(params.Get(name), expected) << target;
      // Only the fields that were meant: a value cannot add one.
      EXPECT_EQ(params.Fields().size(), 3 + call.trailing.size()) << target;
    }
  }
}

TEST(CommandUrlsTest, MessageFieldsArriveUnderTheirNames) {
  const std::optional<CommandCall> call = RemoteMessageCommand("Ann & Bob", "Re: 50% off", "line1\r\nline2");
  ASSERT_TRUE(call);
  const core::RequestParams params = ParseTarget(MakeCommandTarget(*call, {"u", "p"}));
  EXPECT_EQ(params.Get("mfrom"), "Ann & Bob");
  EXPECT_EQ(params.Get("msubject"), "Re: 50% off");
  EXPECT_EQ(params.Get("mbody"), "line1\r\nline2");
}

TEST(CommandUrlsTest, AnEmptyMessageIsNeverSent) {
  EXPECT_FALSE(RemoteMessageCommand("me", "subject", "").has_value());
}

TEST(CommandUrlsTest, TheSafeUrlNeverHoldsThePassword) {
  const Credentials login{"admin", "p@ss word"};
  const std::string safe = MakeSafeURL("127.0.0.1", LockCommand(), login);
  EXPECT_EQ(safe.find("p%40ss"), std::string::npos);
  EXPECT_EQ(core::MaskPasswordInTarget(MakeCommandTarget(LockCommand(), login)),
            safe.substr(std::string("http://127.0.0.1:8777").size()));
}

TEST(CommandUrlsTest, CommandWordsAndParams) {
  struct Case {
    CommandCall call;
    std::string command;
    std::string params;
  };
  const std::vector<Case> cases = {
      {QueryCommand(), "query", ""},
      {LockCommand(), "lock", ""},
      {UnlockCommand(), "unlock", ""},
      {StandbyCommand(), "standby", ""},
      {HibernateCommand(), "hibernate", ""},
      {HaltCommand(), "halt", ""},
      {ListLayoutsCommand(), "listlayouts", ""},
      {GetUserListCommand(), "getuserlist", ""},
      {ViewUpdateScriptCommand(), "viewupdatescript", ""},
      {RunUpdateScriptCommand(true), "runupdatescript", "flags=hidden"},
      {RunUpdateScriptCommand(false), "runupdatescript", "flags="},
  };
  for (const Case& c : cases) {
    const std::string target = MakeCommandTarget(c.call, {"a", "b"});
    EXPECT_EQ(core::RequestPath(target), "/" + c.command);
    EXPECT_EQ(ParseTarget(target).Get("params"), c.params) << c.command;
  }
}

TEST(CommandUrlsTest, UnsafeHostsAndCommandWordsAreRefused) {
  for (const char* host : {"", "127.0.0.1/halt?", "127.0.0.1:80", "a b", "-x", "127.0.0.1#"}) {
    EXPECT_THROW(MakeCommandURL(host, LockCommand(), {"a", "b"}), std::invalid_argument) << host;
  }
  CommandCall call = LockCommand();
  call.command = "lock/../halt";
  EXPECT_THROW(MakeCommandTarget(call, {"a", "b"}), std::invalid_argument);
  call.command = "lock?x=1";
  EXPECT_THROW(MakeCommandTarget(call, {"a", "b"}), std::invalid_argument);
}

TEST(CommandUrlsTest, ShutdownFlagTexts) {
  struct Case {
    ShutdownOptions options;
    std::string flags;
  };
  const std::vector<Case> cases = {
      {{ShutdownAction::Restart, true, true, "bye", true, 30}, "-r -f -c \"bye\" -t 30"},
      {{ShutdownAction::Sleep, false, false, "", false, 0}, ""},
      {{ShutdownAction::None, false, false, "", false, 0}, ""},
      {{ShutdownAction::LogOff, false, false, "", false, 0}, "-l"},
      {{ShutdownAction::Shutdown, false, false, "", true, 0}, "-s -t 0"},
      {{ShutdownAction::Hibernate, true, false, "ignored", false, 5}, " -f"},
      // The comment stays one quoted argument; seconds stay within the dialog's range.
      {{ShutdownAction::Shutdown, false, true, "a\" -t 1 \"b\r\n", true, 100000}, "-s -c \"a -t 1 b\" -t 9999"},
      {{ShutdownAction::Restart, false, false, "", true, -4}, "-r -t 0"},
  };
  for (const Case& c : cases) EXPECT_EQ(ShutdownFlagText(c.options), c.flags);

  const std::string target = MakeCommandTarget(ShutdownCommand(cases[0].options), {"a", "b"});
  EXPECT_EQ(core::RequestPath(target), "/shutdowncomp");
  EXPECT_EQ(ParseTarget(target).Get("params"), "flags=-r -f -c \"bye\" -t 30");
}

TEST(CommandUrlsTest, ShutdownCommentIsCutTo127Characters) {
  ShutdownOptions options{ShutdownAction::Shutdown, false, true, std::string(100, 'a') + std::string(40, 'b'), false, 0};
  EXPECT_EQ(ShutdownFlagText(options), "-s -c \"" + std::string(100, 'a') + std::string(27, 'b') + "\"");
  // Multi-byte characters are never split.
  options.comment = "";
  for (int i = 0; i < 130; ++i) options.comment += "\xC3\xA9";  // é
  const std::string flags = ShutdownFlagText(options);
  EXPECT_EQ(flags.size(), std::string("-s -c \"\"").size() + 127 * 2);
}

TEST(CommandUrlsTest, LayoutListKeepsOnlyLayoutLines) {
  const std::string reply =
      "<HTML><BODY><B>200 <layoutlist>C:\\L\\a.slf\r\nC:\\L\\~tmp.slf\r\nreadme\r\n/home/u/layouts/html/b.html\r\n"
      "</layoutlist></B></BODY></HTML>\r\n";
  const std::vector<std::string> lines = ParseLayoutList(reply);
  EXPECT_EQ(lines, (std::vector<std::string>{"C:\\L\\a.slf", "/home/u/layouts/html/b.html"}));
  EXPECT_EQ(LayoutNames(lines), (std::vector<std::string>{"a.slf", "b.html"}));
  EXPECT_EQ(CurrentLayoutIndex(LayoutNames(lines), "B.HTML"), 1);
  EXPECT_EQ(CurrentLayoutIndex(LayoutNames(lines), "c.slf"), -1);
  EXPECT_TRUE(ParseLayoutList("unauthenticated").empty());
}

TEST(CommandUrlsTest, ChosenLayoutMatchesEveryLineThatContainsIt) {
  const std::vector<std::string> lines = {"C:\\L\\a.slf", "C:\\L\\data.slf", "C:\\L\\b.slf"};
  EXPECT_EQ(LayoutLinesMatching(lines, "a.slf"), (std::vector<std::string>{"C:\\L\\a.slf", "C:\\L\\data.slf"}));
  EXPECT_TRUE(LayoutLinesMatching(lines, "").empty());
  EXPECT_TRUE(LayoutLinesMatching(lines, "A.SLF").empty());
}

}  // namespace
}  // namespace brivak::manager
