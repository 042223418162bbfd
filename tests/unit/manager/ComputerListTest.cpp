// The inventory's rows, removals and look-ups, and the texts of its cells.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "manager/core/Computer.h"
#include "support/ParamNames.h"

namespace brivak::manager {
namespace {

std::string Reply(const std::string& name, const std::string& status = "Unlocked") {
  return "<computername>" + name + "</computername>\r<status>" + status +
         "</status>\r<cpu>1</cpu>\r<ram>2</ram>";
}

class ComputerListTest : public ::testing::Test {
 protected:
  ComputerId Add(const std::string& name, const std::string& ip) {
    const ApplyResult r = list_.ResponseToLV(Reply(name), ip);
    EXPECT_NE(r.outcome, ReplyOutcome::Rejected) << r.error;
    return r.id;
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const TComputer& c : list_.Items()) names.push_back(c.ComputerName);
    return names;
  }
  TComputerList list_;
};

TEST_F(ComputerListTest, RecordsAreAppendedInTheOrderOfTheirFirstReply) {
  const ComputerId b = Add("B", "127.0.0.2");
  const ComputerId a = Add("A", "127.0.0.1");
  Add("B", "127.0.0.2");
  EXPECT_EQ(Names(), (std::vector<std::string>{"B", "A"}));
  EXPECT_NE(a, b);
  EXPECT_EQ(list_.IndexOf(a), 1);
  EXPECT_EQ(list_.Row(2), nullptr);
  EXPECT_EQ(list_.Row(-1), nullptr);
}

TEST_F(ComputerListTest, SilentLockersAreRemovedAndTheOthersKeepTheirIds) {
  const ComputerId a = Add("A", "127.0.0.1");
  const ComputerId b = Add("B", "127.0.0.2");
  const ComputerId c = Add("C", "127.0.0.3");
  const ComputerId d = Add("D", "127.0.0.4");
  const std::vector<ComputerId> removed = list_.RemoveSilent({"127.0.0.3", "127.0.0.1", "127.0.0.9"});
  EXPECT_EQ(removed, (std::vector<ComputerId>{d, b}));  // from the last record to the first
  EXPECT_EQ(Names(), (std::vector<std::string>{"A", "C"}));
  EXPECT_EQ(list_.Find(a)->ComputerName, "A");
  EXPECT_EQ(list_.Find(c)->ComputerName, "C");
  EXPECT_EQ(list_.Find(b), nullptr);

  EXPECT_EQ(list_.RemoveSilent({}).size(), 2u);  // nobody answered: every record goes
  EXPECT_EQ(list_.Count(), 0);
}

TEST_F(ComputerListTest, NewRecordsNeverReuseAnId) {
  const ComputerId a = Add("A", "127.0.0.1");
  ASSERT_TRUE(list_.Remove(a));
  EXPECT_FALSE(list_.Remove(a));
  const ComputerId again = Add("A", "127.0.0.1");
  EXPECT_NE(again, a);
  EXPECT_EQ(list_.IndexOf(a), -1);
  list_.Clear();
  EXPECT_EQ(list_.Count(), 0);
}

TEST_F(ComputerListTest, ComputerGetIndexSearchesExactNamesFromTheEnd) {
  Add("alpha", "127.0.0.1");
  Add("beta", "127.0.0.2");
  std::vector<std::string> trace;
  const auto debugLine = [&](std::string_view line) { trace.emplace_back(line); };
  EXPECT_EQ(list_.ComputerGetIndex("beta", debugLine), 1);
  EXPECT_EQ(list_.ComputerGetIndex("BETA", debugLine), -1);
  EXPECT_EQ(trace, (std::vector<std::string>{"ComputerGetIndex:beta", "ComputerGetIndex: Found: 1",
                                             "ComputerGetIndex:BETA", "ComputerGetIndex: NOT Found: -1"}));
  EXPECT_EQ(list_.ComputerGetIndex("alpha"), 0);
}

TEST_F(ComputerListTest, AnUpdateKeepsTheRowImages) {
  const ComputerId a = Add("A", "127.0.0.1");
  TComputer changed = *list_.Find(a);
  changed.StateIndex = 3;
  changed.ImageIndex = 4;
  changed.StatusStr = "Locked";
  list_.Apply(changed);
  EXPECT_EQ(list_.Find(a)->StatusStr, "Locked");
  EXPECT_EQ(list_.Find(a)->StateIndex, 0);  // images are the list's, never the reply's
  EXPECT_EQ(list_.Find(a)->ImageIndex, 0);
}

TEST(ComputerColumnsTest, CaptionsAndCells) {
  const std::vector<std::string> captions = {
      "Computer",  "IP Address", "Status",    "Current User", "Idle",        "System Uptime",
      "Last Lock", "Version",    "Layout",    "Comments",     "MAC Address", "Group",
      "Master IP", "AdminMode",  "SysUpTime", "CPU Use",      "RAM Use"};
  for (int i = 1; i <= kColumnCount; ++i)
    EXPECT_EQ(ColumnCaption(i), captions[static_cast<std::size_t>(i - 1)]);
  EXPECT_EQ(ColumnCaption(0), "");
  EXPECT_EQ(ColumnCaption(18), "");

  TComputer c;
  c.ComputerName = "PC";
  c.RemoteIP = "127.0.0.1";
  c.StatusStr = "Locked";
  c.CurrentUser = "bob";
  c.IdleTime = "abc";
  c.UpTime = "3600";
  c.LockTime = "-5";
  c.BrivakVersion = "3.1";
  c.LayoutFile = "x.slf";
  c.Comments = "comment";
  c.MACaddress = "001122334455";
  c.WorkGroup = "WG";
  c.MasterIP = "127.0.0.9";
  c.CPUUse = 5;
  c.RAMUse = 100;
  const std::vector<std::string> cells = {
      "PC",        "127.0.0.1", "Locked", "bob",     "(n/a)",        "1 hrs 0 min 0 sec",
      "(n/a)",     "3.1",       "x.slf",  "comment", "001122334455", "WG",
      "127.0.0.9", "",          "",       "5%",      "100%"};
  for (int i = 1; i <= kColumnCount; ++i)
    EXPECT_EQ(ColumnText(c, i), cells[static_cast<std::size_t>(i - 1)]) << i;
  EXPECT_EQ(ColumnText(c, 0), "");
}

struct IpCase {
  const char* text;
  bool invalid;
};

class IsInvalidIPTest : public ::testing::TestWithParam<IpCase> {};

TEST_P(IsInvalidIPTest, Table) {
  EXPECT_EQ(IsInvalidIP(GetParam().text), GetParam().invalid) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, IsInvalidIPTest,
    ::testing::Values(IpCase{"127.0.0.1", false}, IpCase{"203.0.00.1", false},
                      IpCase{"255.255.255.255", false}, IpCase{"1.2.3.000", false},
                      IpCase{"1.2.3.0255", true}, IpCase{"1.2.3.00000", false}, IpCase{"203.0.113.300", true},
                      IpCase{"203.0.01.1", true}, IpCase{"0.1.2.3", true}, IpCase{"1.2.3", true},
                      IpCase{"1.2.3.4.", true}, IpCase{"1234.1.1.1", true}, IpCase{"1.2.3.4.5", true},
                      IpCase{"", true}, IpCase{"...", true}, IpCase{"1..2.3", true}, IpCase{"1.2.3.", true},
                      IpCase{".1.2.3", true}, IpCase{"1.2.3.x", true}, IpCase{"1.2.3.-4", true},
                      IpCase{" 1.2.3.4", true}, IpCase{"1.2.3.4 ", true}, IpCase{"1.2.3.*", true},
                      IpCase{"256.1.1.1", true}, IpCase{"1.2.3.256", true},
                      IpCase{"1.2.3.99999999999999999999", true}, IpCase{"1.2.0.4", false},
                      IpCase{"1.2.3.04", true}),
    brivak::test::NamedBy<IpCase>([](const IpCase& c) { return std::string(c.text); }));

TEST(SecondsTextTest, Table) {
  const std::pair<const char*, const char*> cases[] = {
      {"abc", "(n/a)"},
      {"-5", "(n/a)"},
      {"", "(n/a)"},
      {" 5", "(n/a)"},
      {"5 ", "(n/a)"},
      {"1.5", "(n/a)"},
      {"+", "(n/a)"},
      {"0", "0 sec"},
      {"59", "59 sec"},
      {"60", "1 min 0 sec"},
      {"3599", "59 min 59 sec"},
      {"3600", "1 hrs 0 min 0 sec"},
      {"86401", "1 days 0 hrs 0 min 1 sec"},
      {"+7", "7 sec"},
      {"4294967296", "49710 days 6 hrs 28 min 16 sec"},  // past 32 bits
      {"99999999999999999999999", "(n/a)"},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(SecondsText(text), expected) << "'" << text << "'";
}

}  // namespace
}  // namespace brivak::manager
