// `SorTComputers`: the inventory's column sort, and the list's selection kept by record id, so a
// selection follows its records (not their rows) through sorts and removals.
// Thread-safety: none; the user-interface thread owns the inventory and the selection.
#pragma once

#include <string_view>
#include <vector>

#include "manager/core/Computer.h"

namespace brivak::manager {

// `lvColumnClick`: the new `lastCol` after a click on column `column` (from 1): the same column
// again flips the direction (k -> -k), any other column sorts ascending by it.
int NextSortKey(int lastCol, int column);

// Texts compared without regard to case (ASCII letters fold; other bytes compare by value, so the
// order does not depend on the machine's locale). <0, 0, >0 like strcmp.
int CompareText(std::string_view a, std::string_view b);

// `DoSort`: |lastCol| 1, 2, 3 sort by ComputerName, RemoteIP, StatusStr as text (so 192.168.1.10
// comes before 192.168.1.9), ascending for a positive key, descending for a negative one. Equal
// keys keep their order. Any other key leaves the order unchanged; returns whether it sorted.
bool DoSort(TComputerList& list, int lastCol);

// The rows selected in the list, held as record ids.
class ComputerSelection {
 public:
  void Clear() { ids_.clear(); }
  bool Empty() const { return ids_.empty(); }
  // Selects the records now at `rows` (rows beyond the inventory are ignored).
  void SelectRows(const TComputerList& list, const std::vector<int>& rows);
  void Select(ComputerId id);  // only this record
  void Add(ComputerId id);     // one more (multi-select)
  bool Contains(ComputerId id) const;

  // The rows of the selected records still in the inventory, ascending.
  std::vector<int> Rows(const TComputerList& list) const;
  // The first selected row (the list's "selected row"), -1 when none is left.
  int SelectedRow(const TComputerList& list) const;
  // Its record, nullptr when none.
  const TComputer* Selected(const TComputerList& list) const;
  // Forgets records that left the inventory.
  void Prune(const TComputerList& list);

 private:
  std::vector<ComputerId> ids_;
};

}  // namespace brivak::manager
