// Reading the locker's status record into the inventory, with replies made by the locker's own
// ReturnQuery and command handler.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/Stools.h"
#include "manager/core/Computer.h"
#include "proj/core/RemoteStatus.h"
#include "unit/core/RemoteHandlerTestSupport.h"

namespace brivak::manager {
namespace {

core::StatusRecord SampleRecord(std::string name = "WS-01") {
  core::StatusRecord r;
  r.computername = std::move(name);
  r.internalip = "127.0.0.5";
  r.mac = "00112233AABB";
  r.group = "WORKGROUP";
  r.status = "Locked";
  r.idleMs = 59'000;
  r.uptimeMs = 90'061'000;
  r.currentuser = "alice";
  r.brivakversion = "3.1.0.0";
  r.masterip = "127.0.0.1";
  r.layoutFile = "/home/alice/.brivak/layouts/html/bluegeneric.html";
  r.remoteSession = true;
  r.cpuPercent = 37;
  r.lockedWhen = 86'461'000;  // locked one hour before now
  return r;
}

std::string SampleReply(std::string name = "WS-01") {
  return core::ReturnQuery(SampleRecord(std::move(name)));
}

// The reply with the element `tag` taken out.
std::string WithoutTag(const std::string& reply, const std::string& tag) {
  const std::string open = "<" + tag + ">";
  const std::string close = "</" + tag + ">";
  const std::size_t from = reply.find(open);
  const std::size_t to = reply.find(close);
  EXPECT_NE(from, std::string::npos);
  return reply.substr(0, from) + reply.substr(to + close.size());
}

// The reply with the value of `tag` replaced.
std::string WithValue(const std::string& reply, const std::string& tag, const std::string& value) {
  const std::string open = "<" + tag + ">";
  const std::size_t from = reply.find(open) + open.size();
  const std::size_t to = reply.find("</" + tag + ">");
  return reply.substr(0, from) + value + reply.substr(to);
}

TEST(ComputerReplyTest, EveryFieldOfTheLockersRecordArrives) {
  TComputerList list;
  const ApplyResult r = list.ResponseToLV(SampleReply());
  ASSERT_EQ(r.outcome, ReplyOutcome::Added) << r.error;
  const TComputer& c = *list.Row(0);
  EXPECT_EQ(c.ComputerName, "WS-01");
  EXPECT_EQ(c.RemoteIP, "127.0.0.5");
  EXPECT_EQ(c.MACaddress, "00112233AABB");
  EXPECT_EQ(c.WorkGroup, "WORKGROUP");
  EXPECT_EQ(c.StatusStr, "Locked");
  EXPECT_EQ(c.IdleTime, "59");
  EXPECT_EQ(c.UpTime, "90061");
  EXPECT_EQ(c.CurrentUser, "alice");
  EXPECT_EQ(c.BrivakVersion, "3.1.0.0");
  EXPECT_EQ(c.Comments, "comment");
  EXPECT_EQ(c.MasterIP, "127.0.0.1");
  EXPECT_EQ(c.LayoutFile, "bluegeneric.html");
  EXPECT_EQ(c.RDP, "-1");
  EXPECT_EQ(c.CPUUse, 37);
  EXPECT_EQ(c.RAMUse, 0);
  EXPECT_EQ(c.LockTime, "3600");
  EXPECT_EQ(c.StateIndex, 0);
  EXPECT_EQ(c.ImageIndex, 0);
  EXPECT_NE(c.id, kNoComputer);

  EXPECT_EQ(ColumnText(c, 5), "59 sec");
  EXPECT_EQ(ColumnText(c, 6), "1 days 1 hrs 1 min 1 sec");
  EXPECT_EQ(ColumnText(c, 7), "1 hrs 0 min 0 sec");
  EXPECT_EQ(ColumnText(c, 16), "37%");
  EXPECT_EQ(ColumnText(c, 17), "0%");
}

// The whole exchange: the locker's handler answers /query as it does on the wire (a page around
// the record), and the manager reads that body.
class ComputerReplyHandlerTest : public core::remotetest::RemoteHandlerFixture {};

TEST_F(ComputerReplyHandlerTest, PageReplyOfTheLockersHandlerIsRead) {
  effects_.facts.hostName = "lab-pc-7";
  effects_.facts.uptimeMs = 7'200'000;
  effects_.facts.idleMs = 65'000;
  effects_.facts.cpuPercent = 12;
  effects_.locked = true;
  const core::HttpReply reply = AdminGet("/query", "&params=");
  ASSERT_EQ(reply.form, core::ReplyForm::Page);

  TComputerList list;
  const ApplyResult r = list.ResponseToLV(reply.body, "127.0.0.7");
  ASSERT_EQ(r.outcome, ReplyOutcome::Added) << r.error;
  const TComputer& c = *list.Row(0);
  EXPECT_EQ(c.ComputerName, "lab-pc-7");
  EXPECT_EQ(c.RemoteIP, "127.0.0.7");  // the address that answered, not the locker's own idea
  EXPECT_EQ(c.StatusStr, "Locked");
  EXPECT_EQ(c.MACaddress, "00112233AABB");
  EXPECT_EQ(c.CurrentUser, "alice");
  EXPECT_EQ(c.IdleTime, "65");
  EXPECT_EQ(c.UpTime, "7200");
  EXPECT_EQ(c.CPUUse, 12);
  EXPECT_EQ(c.MasterIP, "127.0.9.9");
  EXPECT_EQ(c.LayoutFile, "bluegeneric.html");
  EXPECT_EQ(c.LockTime, "7200");  // never locked: the whole uptime
}

TEST(ComputerReplyTest, AMissingTagGivesAnEmptyField) {
  struct Case {
    const char* tag;
    std::string TComputer::*field;
  };
  const Case cases[] = {
      {"internalip", &TComputer::RemoteIP},     {"mac", &TComputer::MACaddress},
      {"group", &TComputer::WorkGroup},         {"status", &TComputer::StatusStr},
      {"idletime", &TComputer::IdleTime},       {"uptime", &TComputer::UpTime},
      {"currentuser", &TComputer::CurrentUser}, {"brivakversion", &TComputer::BrivakVersion},
      {"comments", &TComputer::Comments},       {"masterip", &TComputer::MasterIP},
      {"layout", &TComputer::LayoutFile},       {"rdp", &TComputer::RDP},
      {"locktime", &TComputer::LockTime},
  };
  const TComputer full = *ParseQueryReply(SampleReply()).record;
  for (const Case& c : cases) {
    const ParsedReply parsed = ParseQueryReply(WithoutTag(SampleReply(), c.tag));
    ASSERT_TRUE(parsed.record) << c.tag << ": " << parsed.error;
    TComputer expected = full;
    expected.*(c.field) = "";
    EXPECT_EQ(*parsed.record, expected) << c.tag;
  }
}

TEST(ComputerReplyTest, AnOpeningTagWithoutItsCloseIsMissingToo) {
  const std::string reply = "<computername>PC</computername>\r<status>Locked\r<currentuser>bob</currentuser>";
  const ParsedReply parsed = ParseQueryReply(reply);
  ASSERT_TRUE(parsed.record);
  EXPECT_EQ(parsed.record->StatusStr, "");
  EXPECT_EQ(parsed.record->CurrentUser, "bob");
}

TEST(ComputerReplyTest, MissingNumbersReadAsZero) {
  const ParsedReply parsed = ParseQueryReply(WithoutTag(WithoutTag(SampleReply(), "cpu"), "ram"));
  ASSERT_TRUE(parsed.record) << parsed.error;
  EXPECT_EQ(parsed.record->CPUUse, 0);
  EXPECT_EQ(parsed.record->RAMUse, 0);
  EXPECT_EQ(ParseQueryReply(WithValue(SampleReply(), "cpu", "-3")).record->CPUUse, -3);
  EXPECT_EQ(ParseQueryReply(WithValue(SampleReply(), "ram", "+64")).record->RAMUse, 64);
}

TEST(ComputerReplyTest, WithoutAComputerNameTheReplyIsRejected) {
  TComputerList list;
  const ApplyResult r = list.ResponseToLV(WithoutTag(SampleReply(), "computername"));
  EXPECT_EQ(r.outcome, ReplyOutcome::Rejected);
  EXPECT_FALSE(r.error.empty());
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.ResponseToLV("<HTML><BODY><B>200 unauthenticated</B></BODY></HTML>").outcome,
            ReplyOutcome::Rejected);
}

TEST(ComputerReplyTest, ABadNumberLeavesTheInventoryUnchanged) {
  TComputerList list;
  ASSERT_EQ(list.ResponseToLV(SampleReply("WS-01"), "127.0.0.5").outcome, ReplyOutcome::Added);
  const TComputerList before = list;
  for (const char* tag : {"cpu", "ram"}) {
    for (const char* bad : {"", "12x", " 5", "5.0", "99999999999", "0x10", "--1"}) {
      // The same computer with new values before the bad field: nothing of it is applied.
      std::string reply = WithValue(WithValue(SampleReply("WS-01"), "status", "Unlocked"), tag, bad);
      ApplyResult r = list.ResponseToLV(reply, "127.0.0.6");
      EXPECT_EQ(r.outcome, ReplyOutcome::Rejected) << tag << "='" << bad << "'";
      EXPECT_NE(r.error.find(tag), std::string::npos) << r.error;
      // A new computer: not added.
      r = list.ResponseToLV(WithValue(SampleReply("WS-02"), tag, bad), "127.0.0.8");
      EXPECT_EQ(r.outcome, ReplyOutcome::Rejected);
      EXPECT_EQ(list.Items(), before.Items());
    }
  }
}

TEST(ComputerReplyTest, TextsAreCutToTheirCapacity) {
  core::StatusRecord r = SampleRecord(std::string(300, 'N'));
  r.internalip = "127.000.000.0011";  // 16 characters
  r.mac = "00-11-22-33-AA-BB-CC";     // 20
  r.currentuser = std::string(256, 'u');
  r.masterip = std::string(255, 'm');
  r.remoteSession = false;  // "0"
  const ParsedReply parsed = ParseQueryReply(core::ReturnQuery(r));
  ASSERT_TRUE(parsed.record);
  const TComputer& c = *parsed.record;
  EXPECT_EQ(c.ComputerName, std::string(255, 'N'));
  EXPECT_EQ(c.RemoteIP, "127.000.000.001");
  EXPECT_EQ(c.MACaddress, "00-11-22-33-AA-BB-");
  EXPECT_EQ(c.CurrentUser, std::string(255, 'u'));
  EXPECT_EQ(c.MasterIP, std::string(255, 'm'));
  EXPECT_EQ(c.RDP, "0");
  EXPECT_EQ(ParseQueryReply(WithValue(SampleReply(), "rdp", "-1234")).record->RDP, "-12");
}

TEST(ComputerReplyTest, CapacitiesCountCharactersNotBytes) {
  std::string name;
  for (int i = 0; i < 300; ++i) name += "\xC3\xA9";  // é
  const ParsedReply parsed = ParseQueryReply(SampleReply(name));
  ASSERT_TRUE(parsed.record);
  EXPECT_EQ(parsed.record->ComputerName.size(), 510u);
  EXPECT_EQ(CutToCapacity("ab\xE2\x82\xAC"
                          "cd",
                          3),
            "ab\xE2\x82\xAC");
  EXPECT_EQ(CutToCapacity("abc", 0), "");
  EXPECT_EQ(CutToCapacity("abc", 5), "abc");
}

TEST(ComputerReplyTest, DuplicateNamesShareOneRecordAndTheLaterReplyWins) {
  TComputerList list;
  const ApplyResult first = list.ResponseToLV(SampleReply("LAB"), "127.0.0.21");
  ASSERT_EQ(first.outcome, ReplyOutcome::Added);
  ASSERT_EQ(list.ResponseToLV(SampleReply("OTHER"), "127.0.0.30").outcome, ReplyOutcome::Added);

  const ApplyResult second =
      list.ResponseToLV(WithValue(SampleReply("LAB"), "currentuser", "bob"), "127.0.0.22");
  EXPECT_EQ(second.outcome, ReplyOutcome::Updated);
  EXPECT_EQ(second.id, first.id);
  EXPECT_EQ(second.index, 0);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Row(0)->RemoteIP, "127.0.0.22");  // requests now go to the later locker
  EXPECT_EQ(list.Row(0)->CurrentUser, "bob");
  // Names are the key exactly: another case is another computer.
  EXPECT_EQ(list.ResponseToLV(SampleReply("lab"), "127.0.0.23").outcome, ReplyOutcome::Added);
  EXPECT_EQ(list.Count(), 3);
}

TEST(ComputerReplyTest, ALockerThatMovedKeepsItsRecordWithTheNewAddress) {
  TComputerList list;
  const ComputerId id = list.ResponseToLV(SampleReply("PC"), "127.0.0.40").id;
  EXPECT_EQ(list.ResponseToLV(SampleReply("PC"), "127.0.0.41").id, id);
  EXPECT_EQ(list.Find(id)->RemoteIP, "127.0.0.41");
  // Without an answering address the record takes the one the locker reports.
  EXPECT_EQ(list.ResponseToLV(SampleReply("PC")).id, id);
  EXPECT_EQ(list.Find(id)->RemoteIP, "127.0.0.5");
}

TEST(ComputerReplyTest, TagValueFindsThePairOrNothing) {
  EXPECT_EQ(TagValue("x<a>1</a><a>2</a>", "a"), "1");
  EXPECT_EQ(TagValue("<a></a>", "a"), "");
  EXPECT_EQ(FindTagValue("<a></a>", "a"), std::optional<std::string>(""));
  EXPECT_EQ(FindTagValue("no tags", "a"), std::nullopt);
  EXPECT_EQ(FindTagValue("</a>1<a>", "a"), std::nullopt);
  EXPECT_EQ(TagValue("<layoutlist>a\r\nb</layoutlist>", "layoutlist"), "a\r\nb");
}

}  // namespace
}  // namespace brivak::manager
