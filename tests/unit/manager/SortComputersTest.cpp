#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "manager/core/SortComputers.h"

namespace brivak::manager {
namespace {

class SortComputersTest : public ::testing::Test {
 protected:
  ComputerId Add(const std::string& name, const std::string& ip, const std::string& status) {
    return list_
        .ResponseToLV("<computername>" + name + "</computername><status>" + status + "</status><idletime>" +
                          std::to_string(list_.Count()) + "</idletime>",
                      ip)
        .id;
  }
  std::vector<std::string> Column(int column) const {
    std::vector<std::string> cells;
    for (const TComputer& c : list_.Items()) cells.push_back(ColumnText(c, column));
    return cells;
  }
  // Clicks a column header as the list does.
  void Click(int column) {
    lastCol_ = NextSortKey(lastCol_, column);
    DoSort(list_, lastCol_);
  }

  TComputerList list_;
  int lastCol_ = -1;
};

TEST_F(SortComputersTest, ClickingTheNameTwiceSortsAToZThenZToA) {
  Add("delta", "127.0.0.4", "Locked");
  Add("Bravo", "127.0.0.2", "Unlocked");
  Add("alpha", "127.0.0.10", "Locked");
  Add("Charlie", "127.0.0.9", "Unlocking");
  Click(1);
  EXPECT_EQ(lastCol_, 1);
  EXPECT_EQ(Column(1), (std::vector<std::string>{"alpha", "Bravo", "Charlie", "delta"}));
  Click(1);
  EXPECT_EQ(lastCol_, -1);
  EXPECT_EQ(Column(1), (std::vector<std::string>{"delta", "Charlie", "Bravo", "alpha"}));
  Click(1);
  EXPECT_EQ(lastCol_, 1);
}

TEST_F(SortComputersTest, AddressesSortAsText) {
  Add("a", "127.0.0.9", "x");
  Add("b", "127.0.0.10", "x");
  Add("c", "127.0.0.100", "x");
  Click(2);
  EXPECT_EQ(Column(2), (std::vector<std::string>{"127.0.0.10", "127.0.0.100", "127.0.0.9"}));
}

TEST_F(SortComputersTest, StatusSortKeepsTheOrderOfEqualKeys) {
  Add("n1", "127.0.0.1", "Locked");
  Add("n2", "127.0.0.2", "Unlocked");
  Add("n3", "127.0.0.3", "locked");
  Add("n4", "127.0.0.4", "Unlocked");
  Click(3);
  EXPECT_EQ(Column(1), (std::vector<std::string>{"n1", "n3", "n2", "n4"}));
  Click(3);
  EXPECT_EQ(Column(1), (std::vector<std::string>{"n2", "n4", "n1", "n3"}));
}

TEST_F(SortComputersTest, OtherColumnsChangeNothing) {
  Add("b", "127.0.0.2", "x");
  Add("a", "127.0.0.1", "x");
  for (int column : {4, 5, 6, 7, 16, 17}) {
    Click(column);
    EXPECT_EQ(Column(1), (std::vector<std::string>{"b", "a"})) << column;
  }
  EXPECT_FALSE(DoSort(list_, -5));
  EXPECT_FALSE(DoSort(list_, 0));
  EXPECT_TRUE(DoSort(list_, 1));
}

TEST_F(SortComputersTest, SelectionFollowsItsRecordThroughSortsAndRemovals) {
  Add("delta", "127.0.0.4", "x");
  const ComputerId bravo = Add("bravo", "127.0.0.2", "x");
  const ComputerId alpha = Add("alpha", "127.0.0.1", "x");
  Add("charlie", "127.0.0.3", "x");
  ComputerSelection selection;
  selection.SelectRows(list_, {1});  // "bravo"
  ASSERT_EQ(selection.Selected(list_)->ComputerName, "bravo");

  Click(1);  // alpha bravo charlie delta
  EXPECT_EQ(selection.SelectedRow(list_), 1);
  Click(1);  // delta charlie bravo alpha
  EXPECT_EQ(selection.SelectedRow(list_), 2);
  EXPECT_EQ(selection.Selected(list_)->id, bravo);

  // A record above it goes: the selection moves up with its record.
  list_.RemoveSilent({"127.0.0.1", "127.0.0.2", "127.0.0.3"});  // delta silent
  EXPECT_EQ(selection.SelectedRow(list_), 1);
  EXPECT_EQ(selection.Selected(list_)->ComputerName, "bravo");

  // An update of the selected record keeps the selection.
  list_.ResponseToLV("<computername>bravo</computername><status>Locked</status>", "127.0.0.2");
  EXPECT_EQ(selection.Selected(list_)->StatusStr, "Locked");

  // The selected record itself goes: nothing is selected, not whatever moved into its row.
  list_.RemoveSilent({"127.0.0.1", "127.0.0.3"});
  EXPECT_EQ(selection.SelectedRow(list_), -1);
  EXPECT_EQ(selection.Selected(list_), nullptr);
  EXPECT_FALSE(selection.Empty());
  selection.Prune(list_);
  EXPECT_TRUE(selection.Empty());

  selection.Select(alpha);
  EXPECT_EQ(selection.Selected(list_)->ComputerName, "alpha");
}

TEST_F(SortComputersTest, MultiSelectionKeepsEveryRecord) {
  Add("c", "127.0.0.3", "x");
  Add("a", "127.0.0.1", "x");
  Add("b", "127.0.0.2", "x");
  ComputerSelection selection;
  selection.SelectRows(list_, {0, 2, 7});  // "c" and "b"; row 7 does not exist
  Click(1);                                // a b c
  EXPECT_EQ(selection.Rows(list_), (std::vector<int>{1, 2}));
  EXPECT_EQ(selection.Selected(list_)->ComputerName, "b");
  selection.Clear();
  EXPECT_EQ(selection.Rows(list_), std::vector<int>{});
}

TEST(CompareTextTest, IgnoresAsciiCase) {
  EXPECT_EQ(CompareText("abc", "ABC"), 0);
  EXPECT_LT(CompareText("abc", "ABD"), 0);
  EXPECT_GT(CompareText("b", "A"), 0);
  EXPECT_LT(CompareText("ab", "abc"), 0);
  EXPECT_LT(CompareText("", "a"), 0);
  EXPECT_LT(CompareText("z", "\xC3\xA9"), 0);  // bytes above 127 sort after ASCII
}

}  // namespace
}  // namespace brivak::manager
