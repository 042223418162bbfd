#include "manager/ui/ComputerListModel.h"

#include <QBrush>
#include <QColor>
#include <QIcon>
#include <QPainter>
#include <QPixmap>

#include "manager/core/ComputerState.h"
#include "manager/ui/QtText.h"

namespace brivak::manager {

namespace {

// The state's colours: a strong one for the icon, a light one for the row.
QColor StrongColour(ComputerState state) {
  switch (state) {
    case ComputerState::Locked: return QColor(0xc0, 0x39, 0x2b);
    case ComputerState::Unlocked: return QColor(0x27, 0xae, 0x60);
    case ComputerState::Refused: return QColor(0xd6, 0x8a, 0x00);
    case ComputerState::NotAnswering: break;
  }
  return QColor(0x80, 0x80, 0x80);
}

QColor LightColour(ComputerState state) {
  switch (state) {
    case ComputerState::Locked: return QColor(0xfa, 0xdb, 0xd8);
    case ComputerState::Unlocked: return QColor(0xdf, 0xf5, 0xe6);
    case ComputerState::Refused: return QColor(0xfd, 0xeb, 0xc8);
    case ComputerState::NotAnswering: break;
  }
  return QColor(0xe6, 0xe6, 0xe6);
}

// A round badge in the state's colour, with a padlock bar when locked; drawn once per state.
QIcon StateIcon(ComputerState state) {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(StrongColour(state));
  painter.drawEllipse(1, 1, 14, 14);
  painter.setBrush(Qt::white);
  if (state == ComputerState::Locked) painter.drawRect(5, 7, 6, 5);
  if (state == ComputerState::Refused) painter.drawRect(4, 7, 8, 2);
  return QIcon(pixmap);
}

}  // namespace

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

void ComputerListModel::BeginAppend() {
  const int row = rowCount();
  beginInsertRows({}, row, row);
}

void ComputerListModel::EndAppend() { endInsertRows(); }

void ComputerListModel::RowChanged(int row) {
  if (row < 0 || row >= rowCount()) return;
  emit dataChanged(index(row, 0), index(row, kColumnCount - 1));
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
    case Qt::DecorationRole: {
      if (index.column() != 0) return {};
      static const QIcon icons[] = {StateIcon(ComputerState::Locked), StateIcon(ComputerState::Unlocked),
                                    StateIcon(ComputerState::NotAnswering), StateIcon(ComputerState::Refused)};
      return icons[static_cast<int>(StateOf(*computer))];
    }
    case Qt::BackgroundRole:
      return QBrush(LightColour(StateOf(*computer)));
    case kStateRole:
      return ToQ(std::string(StateName(StateOf(*computer))));
    default:
      return {};
  }
}

QVariant ComputerListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  return ToQ(ColumnCaption(section + 1));
}

}  // namespace brivak::manager
