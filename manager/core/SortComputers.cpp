#include "manager/core/SortComputers.h"

#include <algorithm>
#include <cstdlib>

namespace brivak::manager {

namespace {

unsigned char Fold(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte >= 'A' && byte <= 'Z' ? static_cast<unsigned char>(byte - 'A' + 'a') : byte;
}

}  // namespace

int NextSortKey(int lastCol, int column) {
  return lastCol == column ? -column : column;
}

int CompareText(std::string_view a, std::string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned char x = Fold(a[i]);
    const unsigned char y = Fold(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool DoSort(TComputerList& list, int lastCol) {
  std::string TComputer::*field = nullptr;
  switch (std::abs(lastCol)) {
    case 1:
      field = &TComputer::ComputerName;
      break;
    case 2:
      field = &TComputer::RemoteIP;
      break;
    case 3:
      field = &TComputer::StatusStr;
      break;
    default:
      return false;
  }
  const bool descending = lastCol < 0;
  list.StableSort([field, descending](const TComputer& a, const TComputer& b) {
    const int order = CompareText(a.*field, b.*field);
    return descending ? order > 0 : order < 0;
  });
  return true;
}

void ComputerSelection::SelectRows(const TComputerList& list, const std::vector<int>& rows) {
  ids_.clear();
  for (const int row : rows) {
    if (const TComputer* c = list.Row(row)) Add(c->id);
  }
}

void ComputerSelection::Select(ComputerId id) {
  ids_.clear();
  Add(id);
}

void ComputerSelection::Add(ComputerId id) {
  if (id != kNoComputer && !Contains(id)) ids_.push_back(id);
}

bool ComputerSelection::Contains(ComputerId id) const {
  return std::find(ids_.begin(), ids_.end(), id) != ids_.end();
}

std::vector<int> ComputerSelection::Rows(const TComputerList& list) const {
  std::vector<int> rows;
  for (const ComputerId id : ids_) {
    if (const int row = list.IndexOf(id); row >= 0) rows.push_back(row);
  }
  std::sort(rows.begin(), rows.end());
  return rows;
}

int ComputerSelection::SelectedRow(const TComputerList& list) const {
  const std::vector<int> rows = Rows(list);
  return rows.empty() ? -1 : rows.front();
}

const TComputer* ComputerSelection::Selected(const TComputerList& list) const {
  return list.Row(SelectedRow(list));
}

void ComputerSelection::Prune(const TComputerList& list) {
  std::erase_if(ids_, [&](ComputerId id) { return list.IndexOf(id) < 0; });
}

}  // namespace brivak::manager
