// The computer list `lv`: a multi-select, whole-row, read-only report of the inventory. The
// selection is held as record ids, so it follows its records (not their rows) when the inventory
// is sorted, refreshed or loses records. A column click is only reported (`columnClicked`); the
// owner sorts the inventory and then calls InventoryChanged.
// Thread-safety: user-interface thread only.
#pragma once

#include <QTreeView>

#include <vector>

#include "manager/core/Computer.h"
#include "manager/core/SortComputers.h"
#include "manager/ui/ComputerListModel.h"

namespace brivak::manager {

class ComputerListView : public QTreeView {
  Q_OBJECT

 public:
  explicit ComputerListView(QWidget* parent = nullptr);

  // `inventory` is not owned and must outlive the view (or be replaced by nullptr first).
  void SetInventory(const TComputerList* inventory);
  // Re-reads the inventory and selects again the records selected before, wherever they now are.
  void InventoryChanged();
  // Shows the sort indicator for `lastCol` (columns 1 to 3 sort; others show none).
  void ShowSortKey(int lastCol);

  const ComputerSelection& Selection() const { return selection_; }
  // The selected records' ids in row order.
  std::vector<ComputerId> SelectedIds() const;
  // The first selected record (the "selected row"), nullptr when none.
  const TComputer* SelectedComputer() const;
  int SelectedRow() const;
  // Selects exactly the record `id` (no effect when it is not in the inventory).
  void SelectComputer(ComputerId id);

  ComputerListModel* Model() { return model_; }

  // The filter box: rows whose name, address and user all miss `text` are hidden (see
  // MatchesFilter). Rows added or changed later are filtered as they come.
  void SetFilter(const std::string& text);
  const std::string& Filter() const { return filter_; }
  // Columns wide enough for their longest usual content (an uptime of days, an address).
  void SizeColumns();

 signals:
  // The user (or SelectComputer) changed the selection, or a refresh removed selected records.
  void selectionChangedByRecord();
  // A column header was clicked; `column` counts from 1.
  void columnClicked(int column);
  // A row was double-clicked while a row is selected.
  void rowActivated();

 private:
  void OnSelectionChanged();
  void ApplySelection();
  void FilterRows(int first, int last);

  ComputerListModel* model_;
  const TComputerList* inventory_ = nullptr;
  ComputerSelection selection_;
  bool applying_ = false;
  std::string filter_;
};

}  // namespace brivak::manager
