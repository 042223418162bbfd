#include "manager/core/CommandOutcome.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace brivak::manager {
namespace {

using O = HttpLookupResult::Outcome;

// A locker's page reply: the text in the body's one line, "OK" in the status line.
HttpLookupResult Page(const std::string& text) {
  return {O::Ok, 200, "OK", "<HTML><BODY><B>200 " + text + "</B></BODY></HTML>\r\n", {}};
}
// A status-only reply: the text in the status line, no body.
HttpLookupResult StatusOnly(const std::string& text) { return {O::Ok, 200, text, "", {}}; }
HttpLookupResult EmptyOk() { return StatusOnly("OK"); }

struct ReplyCase {
  std::string command;
  HttpLookupResult reply;
  Outcome outcome;
  std::string text;
};

std::string Describe(const ReplyCase& c) {
  return c.command + " <" + c.reply.reason + "|" + c.reply.body + ">";
}

// Every reply text a locker gives to the commands, as the manager receives it.
TEST(CommandOutcomeTest, EveryReplyOfTheLockerIsDoneOrRefused) {
  const std::string status = "<computername>PC1</computername>\r<internalip>127.0.0.2</internalip>";
  const std::vector<ReplyCase> cases = {
      {"query", Page(status), Outcome::Done, status},
      {"query", StatusOnly("unauthenticated,  you are not admin"), Outcome::Refused, "unauthenticated,  you are not admin"},
      {"listlayouts", Page("<layoutlist>/l/a.slf\r\n</layoutlist>"), Outcome::Done, "<layoutlist>/l/a.slf\r\n</layoutlist>"},
      {"listlayouts", Page("<layoutlist></layoutlist>"), Outcome::Done, "<layoutlist></layoutlist>"},
      {"listlayouts", StatusOnly("unauthenticated"), Outcome::Refused, "unauthenticated"},
      {"listlogs", Page("<loglist>1,5,12,</loglist>\r\n"), Outcome::Done, "<loglist>1,5,12,</loglist>"},
      {"listlogs", Page("<loglist></loglist>\r\n"), Outcome::Done, "<loglist></loglist>"},
      {"listlogs", StatusOnly("unauthenticated"), Outcome::Refused, "unauthenticated"},
      {"getlog", Page("10:00 Locked by remote address 127.0.0.1\r\n"), Outcome::Done, "10:00 Locked by remote address 127.0.0.1"},
      {"getlog", Page("No log file for 1/2/2026"), Outcome::Done, "No log file for 1/2/2026"},
      {"getlog", StatusOnly("unauthenticated"), Outcome::Refused, "unauthenticated"},
      {"lock", Page("locked"), Outcome::Done, "locked"},
      {"lock", StatusOnly("cant lock, not authenticated"), Outcome::Refused, "cant lock, not authenticated"},
      {"changelayout", Page("locked"), Outcome::Done, "locked"},
      {"changelayout", Page("cant lock, not authenticated"), Outcome::Refused, "cant lock, not authenticated"},
      {"viewupdatescript", Page("#!/bin/sh\r\necho hi\r\n"), Outcome::Done, "#!/bin/sh\r\necho hi"},
      {"viewupdatescript", Page("The file /opt/b/update.sh does not exist."), Outcome::Done,
       "The file /opt/b/update.sh does not exist."},
      {"viewupdatescript", Page("cant view script, not authenticated"), Outcome::Refused, "cant view script, not authenticated"},
      {"runupdatescript", StatusOnly("Script was run."), Outcome::Done, "Script was run."},
      {"runupdatescript", Page("cant run update script, not authenticated"), Outcome::Refused,
       "cant run update script, not authenticated"},
      {"update", Page("Update initiated"), Outcome::Done, "Update initiated"},
      {"update", StatusOnly("cant update, not authenticated"), Outcome::Refused, "cant update, not authenticated"},
      {"halt", Page("OK, halting."), Outcome::Done, "OK, halting."},
      {"halt", Page("cant halt, not authenticated"), Outcome::Refused, "cant halt, not authenticated"},
      {"getuserlist", Page("<userlist>[bob]\r\nPermissions=1\r\n</userlist>"), Outcome::Done,
       "<userlist>[bob]\r\nPermissions=1\r\n</userlist>"},
      {"getuserlist", Page("cant fetch user list, not authenticated"), Outcome::Refused, "cant fetch user list, not authenticated"},
      {"unlock", Page("unlocking"), Outcome::Done, "unlocking"},
      {"unlock", Page("cant Shutdown, not authenticated"), Outcome::Refused, "cant Shutdown, not authenticated"},
      {"standby", Page("Standing by.."), Outcome::Done, "Standing by.."},
      {"standby", Page("Cant Standby, not authenticated"), Outcome::Refused, "Cant Standby, not authenticated"},
      {"hibernate", Page("Hibernating..."), Outcome::Done, "Hibernating..."},
      {"hibernate", Page("Cant Hibernbate, not authenticated"), Outcome::Refused, "Cant Hibernbate, not authenticated"},
      {"remotemessage", Page("leaving msg..."), Outcome::Done, "leaving msg..."},
      {"remotemessage", Page("Cant message, not authenticated"), Outcome::Refused, "Cant message, not authenticated"},
      // The credential check's texts, left when no command word is recognised.
      {"readlog", StatusOnly("user not found"), Outcome::Refused, "user not found"},
      {"shutdowncomp", StatusOnly("incorrect password"), Outcome::Refused, "incorrect password"},
      {"readlog", StatusOnly("no access"), Outcome::Refused, "no access"},
  };
  for (const ReplyCase& c : cases) {
    const CommandOutcome got = ClassifyReply(c.command, c.reply);
    EXPECT_EQ(OutcomeWord(got.outcome), OutcomeWord(c.outcome)) << Describe(c);
    EXPECT_EQ(got.text, c.text) << Describe(c);
    EXPECT_FALSE(got.needsAddressProbe) << Describe(c);
    if (c.outcome == Outcome::Refused) EXPECT_EQ(got.refusal, Refusal::Credentials) << Describe(c);
  }
}

// A refused address gets the empty "OK": for a command whose allowed replies are never that, it
// reads as refused at once.
TEST(CommandOutcomeTest, EmptyOkIsTheAddressFilterForCommandsThatAlwaysSaySomething) {
  for (const std::string command : {"query", "listlayouts", "listlogs", "lock", "changelayout", "viewupdatescript",
                                    "update", "halt", "getuserlist", "unlock", "standby", "hibernate", "remotemessage"}) {
    const CommandOutcome got = ClassifyReply(command, EmptyOk());
    EXPECT_EQ(got.outcome, Outcome::Refused) << command;
    EXPECT_EQ(got.refusal, Refusal::AddressFilter) << command;
    EXPECT_FALSE(got.needsAddressProbe) << command;
    EXPECT_NE(got.text.find("allowed addresses"), std::string::npos) << got.text;
  }
}

// Where an allowed request may also get the empty "OK", the same locker's answer to "/query"
// tells the two apart.
TEST(CommandOutcomeTest, AmbiguousEmptyOkIsResolvedByTheQueryProbe) {
  struct Case {
    std::string command;
    Outcome allowed;  // the outcome when the probe shows the address is allowed
    std::string allowedText;
  };
  const std::vector<Case> cases = {
      {"runupdatescript", Outcome::Failed, "OK (nothing was run: the locker has no update script)"},
      {"getlog", Outcome::Failed, "OK (no log was sent: the locker is serving another log, or could not read this one)"},
      {"readlog", Outcome::Done, "OK"},
      {"shutdowncomp", Outcome::Done, "OK"},
  };
  for (const Case& c : cases) {
    const CommandOutcome first = ClassifyReply(c.command, EmptyOk());
    ASSERT_TRUE(first.needsAddressProbe) << c.command;
    EXPECT_NE(first.outcome, Outcome::Done) << "never done before the probe: " << c.command;

    const CommandOutcome refused = ResolveWithProbe(c.command, first, EmptyOk());
    EXPECT_EQ(refused.outcome, Outcome::Refused) << c.command;
    EXPECT_EQ(refused.refusal, Refusal::AddressFilter) << c.command;

    for (const HttpLookupResult& probe : {Page("<computername>PC</computername>"),
                                          StatusOnly("unauthenticated,  you are not admin")}) {
      const CommandOutcome allowed = ResolveWithProbe(c.command, first, probe);
      EXPECT_EQ(allowed.outcome, c.allowed) << c.command;
      EXPECT_EQ(allowed.text, c.allowedText) << c.command;
      EXPECT_FALSE(allowed.needsAddressProbe);
    }
    const CommandOutcome unreachable =
        ResolveWithProbe(c.command, first, HttpLookupResult{O::ConnectTimeout, 0, "", "", ""});
    EXPECT_EQ(unreachable.outcome, Outcome::Failed) << c.command;
  }
}

TEST(CommandOutcomeTest, TransportErrorsAndStrangeRepliesFail) {
  struct Case {
    HttpLookupResult reply;
    std::string text;
  };
  const std::vector<Case> cases = {
      {{O::ConnectTimeout, 0, "", "", ""}, "Connection timed out (127.0.0.9)"},
      {{O::ReadTimeout, 0, "", "", ""}, "No reply in time (127.0.0.9)"},
      {{O::Failed, 0, "", "", "Connection refused"}, "Connection refused (127.0.0.9)"},
      {{O::Failed, 0, "", "", ""}, "Request failed (127.0.0.9)"},
      {{O::Ok, 500, "Internal Server Error", "no such file", ""}, "HTTP error 500: no such file (127.0.0.9)"},
      {{O::Ok, 404, "Not Found", "", ""}, "HTTP error 404: Not Found (127.0.0.9)"},
      {Page("lock ok!"), "unexpected reply: lock ok!"},
      {StatusOnly("Standing by.."), "unexpected reply: Standing by.."},  // another command's text
      {{O::Ok, 200, "", "", ""}, "unexpected reply: (empty)"},
  };
  for (const Case& c : cases) {
    const CommandOutcome got = ClassifyReply("lock", c.reply, "127.0.0.9");
    EXPECT_EQ(got.outcome, Outcome::Failed) << c.text;
    EXPECT_EQ(got.text, c.text);
  }
}

TEST(CommandOutcomeTest, LinesAndCounts) {
  EXPECT_EQ(OutcomeLine(ClassifyReply("lock", Page("locked"))), "done: locked");
  EXPECT_EQ(OutcomeLine(ClassifyReply("lock", StatusOnly("cant lock, not authenticated"))),
            "refused: cant lock, not authenticated");
  OutcomeCounts counts;
  for (Outcome o : {Outcome::Done, Outcome::Done, Outcome::Refused, Outcome::Failed, Outcome::Done}) counts.Add(o);
  EXPECT_EQ(CountsText(counts), "3 done, 1 refused, 1 failed");
  EXPECT_EQ(counts.Total(), 5u);
}

}  // namespace
}  // namespace brivak::manager
