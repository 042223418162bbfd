// The computer list: the model shows parsed status replies column by column, and the selection
// follows its record through sorts and removals.
#include <QHeaderView>
#include <QItemSelectionModel>

#include <gtest/gtest.h>

#include <string>

#include "manager/core/Computer.h"
#include "manager/core/SortComputers.h"
#include "manager/ui/ComputerListModel.h"
#include "manager/ui/ComputerListView.h"

namespace brivak::manager {
namespace {

std::string Reply(const std::string& name, const std::string& ip, const std::string& status,
                  const std::string& cpu = "5") {
  return "<computername>" + name + "</computername><internalip>" + ip + "</internalip><status>" + status +
         "</status><currentuser>u-" + name + "</currentuser><idletime>3600</idletime><uptime>abc</uptime>"
         "<mac>00112233AABB</mac><cpu>" + cpu + "</cpu><ram>40</ram><layout>simple.ini</layout>";
}

QString Cell(const QAbstractItemModel& model, int row, int column) {
  return model.data(model.index(row, column - 1), Qt::DisplayRole).toString();
}

TEST(ComputerListModelTest, ShowsParsedRecordsInTheirColumns) {
  TComputerList list;
  ASSERT_EQ(list.ResponseToLV(Reply("PC-1", "127.0.0.2", "Locked")).outcome, ReplyOutcome::Added);
  ASSERT_EQ(list.ResponseToLV(Reply("PC-2", "127.0.0.3", "Unlocked", "77")).outcome, ReplyOutcome::Added);
  ComputerListModel model;
  model.SetInventory(&list);

  ASSERT_EQ(model.rowCount(), 2);
  ASSERT_EQ(model.columnCount(), kColumnCount);
  EXPECT_EQ(model.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), "Computer");
  EXPECT_EQ(model.headerData(16, Qt::Horizontal, Qt::DisplayRole).toString(), "RAM Use");
  struct Case {
    int row;
    int column;
    const char* text;
  };
  const Case cases[] = {
      {0, 1, "PC-1"},        {0, 2, "127.0.0.2"},    {0, 3, "Locked"},   {0, 4, "u-PC-1"},
      {0, 5, "1 hrs 0 min 0 sec"}, {0, 6, "(n/a)"}, {0, 9, "simple.ini"}, {0, 11, "00112233AABB"},
      {0, 14, ""},           {1, 1, "PC-2"},          {1, 16, "77%"},     {1, 17, "40%"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Cell(model, c.row, c.column), QString(c.text)) << "row " << c.row << " column " << c.column;
  }
}

TEST(ComputerListModelTest, FollowsTheInventoryAfterAChange) {
  TComputerList list;
  ComputerListModel model;
  model.SetInventory(&list);
  EXPECT_EQ(model.rowCount(), 0);
  list.ResponseToLV(Reply("PC-1", "127.0.0.2", "Locked"));
  list.ResponseToLV(Reply("PC-1", "127.0.0.9", "Unlocked"));  // same name: one record, later reply wins
  model.InventoryChanged();
  ASSERT_EQ(model.rowCount(), 1);
  EXPECT_EQ(Cell(model, 0, 2), "127.0.0.9");
  EXPECT_EQ(Cell(model, 0, 3), "Unlocked");
  // A reply with a bad number is refused whole: the record keeps its values.
  EXPECT_EQ(list.ResponseToLV(Reply("PC-1", "127.0.0.4", "Locked", "x")).outcome, ReplyOutcome::Rejected);
  model.InventoryChanged();
  EXPECT_EQ(Cell(model, 0, 3), "Unlocked");
}

class ComputerListViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"Charlie", "alpha", "Bravo"}) {
      list_.ResponseToLV(Reply(name, std::string("127.0.0.") + std::to_string(list_.Count() + 2), "Unlocked"));
    }
    view_.SetInventory(&list_);
  }

  // Selects rows as a user does, through the view's own selection model.
  void UserSelects(std::initializer_list<int> rows) {
    QItemSelection selection;
    for (int row : rows) {
      selection.select(view_.model()->index(row, 0), view_.model()->index(row, kColumnCount - 1));
    }
    view_.selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  }

  QStringList SelectedNames() const {
    QStringList names;
    for (const QModelIndex& index : view_.selectionModel()->selectedRows()) {
      names << view_.model()->data(index).toString();
    }
    names.sort();
    return names;
  }

  TComputerList list_;
  ComputerListView view_;
};

TEST_F(ComputerListViewTest, SortingKeepsTheSelectionOnItsRecord) {
  UserSelects({0});  // Charlie
  ASSERT_NE(view_.SelectedComputer(), nullptr);
  ASSERT_EQ(view_.SelectedComputer()->ComputerName, "Charlie");

  int lastCol = NextSortKey(-1, 1);
  ASSERT_TRUE(DoSort(list_, lastCol));  // alpha, Bravo, Charlie
  view_.InventoryChanged();
  EXPECT_EQ(view_.SelectedRow(), 2);
  EXPECT_EQ(view_.SelectedComputer()->ComputerName, "Charlie");
  EXPECT_EQ(SelectedNames(), QStringList{"Charlie"});
  EXPECT_EQ(view_.model()->data(view_.model()->index(2, 0)).toString(), "Charlie");

  lastCol = NextSortKey(lastCol, 1);  // the same column again: Z to A
  ASSERT_TRUE(DoSort(list_, lastCol));
  view_.InventoryChanged();
  EXPECT_EQ(view_.SelectedRow(), 0);
  EXPECT_EQ(SelectedNames(), QStringList{"Charlie"});
}

TEST_F(ComputerListViewTest, AMultipleSelectionSurvivesASortAndLosesOnlyRemovedRecords) {
  UserSelects({1, 2});  // alpha, Bravo
  ASSERT_EQ(view_.SelectedIds().size(), 2u);
  ASSERT_TRUE(DoSort(list_, -1));  // Charlie, Bravo, alpha
  view_.InventoryChanged();
  EXPECT_EQ(SelectedNames(), (QStringList{"Bravo", "alpha"}));

  int changes = 0;
  QObject::connect(&view_, &ComputerListView::selectionChangedByRecord, [&changes] { ++changes; });
  list_.RemoveSilent({"127.0.0.2", "127.0.0.4"});  // alpha (127.0.0.3) did not answer
  view_.InventoryChanged();
  EXPECT_EQ(SelectedNames(), QStringList{"Bravo"});
  ASSERT_NE(view_.SelectedComputer(), nullptr);
  EXPECT_EQ(view_.SelectedComputer()->ComputerName, "Bravo");
  EXPECT_EQ(changes, 0);  // the first selected record did not change
}

TEST_F(ComputerListViewTest, AColumnClickIsReportedNotSortedByTheView) {
  int clicked = 0;
  QObject::connect(&view_, &ComputerListView::columnClicked, [&clicked](int column) { clicked = column; });
  emit view_.header()->sectionClicked(2);
  EXPECT_EQ(clicked, 3);
  EXPECT_EQ(view_.model()->data(view_.model()->index(0, 0)).toString(), "Charlie");  // unchanged order
}

}  // namespace
}  // namespace brivak::manager
