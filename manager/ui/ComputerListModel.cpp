#include "manager/ui/ComputerListModel.h"

#include "manager/ui/QtText.h"

namespace brivak::manager {

ComputerListModel::ComputerListModel(QObject* parent) : QAbstractTableModel(parent) {}

void ComputerListModel::SetInventory(const TComputerList* inventory) {
  beginResetModel();
  inventory_ = inventory;
  endResetModel();
}

void ComputerListModel::InventoryChanged() {
  beginResetModel();
  endResetModel();
}

int ComputerListModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() || inventory_ == nullptr) return 0;
  return inventory_->Count();
}

int ComputerListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant ComputerListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || inventory_ == nullptr) return {};
  const TComputer* computer = inventory_->Row(index.row());
  if (computer == nullptr) return {};  // a row beyond the inventory shows nothing
  switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
      return ToQ(ColumnText(*computer, index.column() + 1));
    case kIdRole:
      return QVariant::fromValue<qulonglong>(computer->id);
    default:
      return {};
  }
}

QVariant ComputerListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  return ToQ(ColumnCaption(section + 1));
}

}  // namespace brivak::manager
