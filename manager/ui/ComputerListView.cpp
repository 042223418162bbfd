#include "manager/ui/ComputerListView.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QItemSelection>
#include <QItemSelectionModel>

#include <algorithm>
#include <cstdlib>

#include "manager/core/ComputerState.h"
#include "manager/ui/QtText.h"

namespace brivak::manager {

ComputerListView::ComputerListView(QWidget* parent) : QTreeView(parent), model_(new ComputerListModel(this)) {
  setModel(model_);
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setUniformRowHeights(true);
  setAlternatingRowColors(true);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setContextMenuPolicy(Qt::CustomContextMenu);
  setSortingEnabled(false);  // the inventory sorts itself; the view only shows the key
  header()->setSectionsClickable(true);
  header()->setStretchLastSection(false);
  header()->setSortIndicatorShown(false);
  connect(header(), &QHeaderView::sectionClicked, this, [this](int section) { emit columnClicked(section + 1); });
  connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { OnSelectionChanged(); });
  connect(model_, &QAbstractItemModel::rowsInserted, this,
          [this](const QModelIndex&, int first, int last) { FilterRows(first, last); });
  connect(model_, &QAbstractItemModel::dataChanged, this,
          [this](const QModelIndex& from, const QModelIndex& to) { FilterRows(from.row(), to.row()); });
  connect(model_, &QAbstractItemModel::modelReset, this, [this] { FilterRows(0, model_->rowCount() - 1); });
  SizeColumns();
  connect(this, &QTreeView::doubleClicked, this, [this] {
    if (SelectedComputer() != nullptr) emit rowActivated();
  });
}

void ComputerListView::SetInventory(const TComputerList* inventory) {
  inventory_ = inventory;
  selection_.Clear();
  applying_ = true;
  model_->SetInventory(inventory);
  applying_ = false;
}

void ComputerListView::InventoryChanged() {
  const ComputerId before = SelectedComputer() != nullptr ? SelectedComputer()->id : kNoComputer;
  applying_ = true;
  model_->InventoryChanged();  // a reset drops the view's own selection; ours is kept by id
  applying_ = false;
  if (inventory_ != nullptr) selection_.Prune(*inventory_);
  ApplySelection();
  const TComputer* now = SelectedComputer();
  if ((now != nullptr ? now->id : kNoComputer) != before) emit selectionChangedByRecord();
}

void ComputerListView::SetFilter(const std::string& text) {
  filter_ = text;
  FilterRows(0, model_->rowCount() - 1);
}

void ComputerListView::FilterRows(int first, int last) {
  if (inventory_ == nullptr) return;
  for (int row = std::max(first, 0); row <= last && row < inventory_->Count(); ++row) {
    const bool shown = filter_.empty() || MatchesFilter(*inventory_->Row(row), filter_);
    if (isRowHidden(row, {}) == shown) setRowHidden(row, {}, !shown);
  }
}

void ComputerListView::SizeColumns() {
  // Measured from sample texts, not from the rows: thousands of rows are never all measured.
  const QFontMetrics metrics(font());
  const char* samples[kColumnCount] = {"WORKSTATION-0000", "255.255.255.255", "Unlocking", "administrator",
                                       "23 hrs 59 min 59 sec", "999 days 23 hrs 59 min 59 sec",
                                       "99 days 23 hrs 59 min", "3.1.0.999", "bluegeneric.html", "comment",
                                       "001122334455", "WORKGROUP", "255.255.255.255", "AdminMode", "SysUpTime",
                                       "100%", "100%"};
  for (int column = 0; column < kColumnCount; ++column) {
    const int content = metrics.horizontalAdvance(QString::fromUtf8(samples[column]));
    const int caption = metrics.horizontalAdvance(ToQ(std::string(ColumnCaption(column + 1))));
    setColumnWidth(column, std::max(content, caption) + (column == 0 ? 44 : 24));
  }
}

void ComputerListView::ShowSortKey(int lastCol) {
  const int column = std::abs(lastCol);
  if (column < 1 || column > 3) {
    header()->setSortIndicatorShown(false);
    return;
  }
  header()->setSortIndicatorShown(true);
  header()->setSortIndicator(column - 1, lastCol > 0 ? Qt::AscendingOrder : Qt::DescendingOrder);
}

std::vector<ComputerId> ComputerListView::SelectedIds() const {
  std::vector<ComputerId> ids;
  if (inventory_ == nullptr) return ids;
  for (int row : selection_.Rows(*inventory_)) {
    if (const TComputer* computer = inventory_->Row(row)) ids.push_back(computer->id);
  }
  return ids;
}

const TComputer* ComputerListView::SelectedComputer() const {
  return inventory_ != nullptr ? selection_.Selected(*inventory_) : nullptr;
}

int ComputerListView::SelectedRow() const {
  return inventory_ != nullptr ? selection_.SelectedRow(*inventory_) : -1;
}

void ComputerListView::SelectComputer(ComputerId id) {
  if (inventory_ == nullptr || inventory_->IndexOf(id) < 0) return;
  selection_.Select(id);
  ApplySelection();
  emit selectionChangedByRecord();
}

void ComputerListView::OnSelectionChanged() {
  if (applying_ || inventory_ == nullptr) return;
  std::vector<int> rows;
  for (const QModelIndex& index : selectionModel()->selectedRows()) rows.push_back(index.row());
  selection_.SelectRows(*inventory_, rows);
  emit selectionChangedByRecord();
}

void ComputerListView::ApplySelection() {
  if (inventory_ == nullptr) return;
  applying_ = true;
  QItemSelection rows;
  const int lastColumn = model_->columnCount() - 1;
  for (int row : selection_.Rows(*inventory_)) {
    rows.select(model_->index(row, 0), model_->index(row, lastColumn));
  }
  selectionModel()->select(rows, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  const int first = selection_.SelectedRow(*inventory_);
  if (first >= 0) {
    selectionModel()->setCurrentIndex(model_->index(first, 0), QItemSelectionModel::NoUpdate);
  }
  applying_ = false;
}

}  // namespace brivak::manager
