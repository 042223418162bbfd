// The list view's model (`lv`): row i shows record i of the inventory, in the seventeen columns
// the core names. The model reads the inventory; it never changes it.
// Thread-safety: user-interface thread only.
#pragma once

#include <QAbstractTableModel>

#include "manager/core/Computer.h"

namespace brivak::manager {

class ComputerListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  // The record id of a row (a qulonglong), for selections that follow their record.
  static constexpr int kIdRole = Qt::UserRole + 1;
  // The row's state name ("locked", "unlocked", "not answering", "refused"); the row also shows it
  // by an icon in its first column and by its background colour.
  static constexpr int kStateRole = Qt::UserRole + 2;

  explicit ComputerListModel(QObject* parent = nullptr);

  // `inventory` is not owned and must outlive the model (or be replaced by nullptr first).
  void SetInventory(const TComputerList* inventory);
  // The inventory changed (records removed or reordered): every row is read anew.
  void InventoryChanged();
  // One record is about to be appended to the inventory / was appended (rows inserted at the end).
  void BeginAppend();
  void EndAppend();
  // The record of `row` changed: one dataChanged over that row's columns.
  void RowChanged(int row);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  const TComputerList* inventory_ = nullptr;
};

}  // namespace brivak::manager
