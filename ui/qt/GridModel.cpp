#include "ui/qt/GridModel.h"

#include <QBrush>

#include "ui/qt/Fonts.h"

namespace jc::ui::qt {

GridModel::GridModel(ResultGrid& grid, QFont dataFont, QFont headerDefault, QObject* parent)
    : QAbstractTableModel(parent),
      grid_(grid),
      dataFont_(std::move(dataFont)),
      boldFont_(dataFont_),
      headerDefault_(std::move(headerDefault)) {
  boldFont_.setBold(true);
  shownCol_ = grid_.CurrentCol();
  shownRow_ = grid_.CurrentRow();
  grid_.SetListener(this);
}

GridModel::~GridModel() { grid_.SetListener(nullptr); }

int GridModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : grid_.RowCount() - 1;
}

int GridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : grid_.ColCount();
}

QModelIndex GridModel::IndexOfCell(int col, int row) const {
  if (row < 1 || row >= grid_.RowCount() || col < 0 || col >= grid_.ColCount()) return {};
  return index(row - 1, col);
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const int col = index.column();
  const int row = index.row() + 1;
  switch (role) {
    case Qt::DisplayRole:
      return QString::fromStdString(grid_.Cell(col, row));
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(ToQtAlignment(grid_.Column(col).align));
    case Qt::FontRole:
      return (row == grid_.CurrentRow() && col == grid_.CurrentCol()) ? boldFont_ : dataFont_;
    case Qt::BackgroundRole:
      if (auto c = grid_.RowColor(row)) return QBrush(ToQColor(*c));
      return {};
    default:
      return {};
  }
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= grid_.ColCount()) return {};
  const GridColumn& c = grid_.Column(section);
  switch (role) {
    case Qt::DisplayRole:
      return QString::fromStdString(c.header);
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(ToQtAlignment(c.headerAlign));
    case Qt::FontRole: {
      if (c.headerFont.empty() && c.headerFontHeight == 0) return headerDefault_;
      QFont f = headerDefault_;
      if (!c.headerFont.empty()) f.setFamily(ResolveFamily(c.headerFont));
      if (c.headerFontHeight > 0) f.setPixelSize(c.headerFontHeight);
      return f;
    }
    default:
      return {};
  }
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

void GridModel::RowsAboutToBeInserted(int first, int last) { beginInsertRows({}, first - 1, last - 1); }
void GridModel::RowsInserted(int, int) { endInsertRows(); }
void GridModel::RowsAboutToBeRemoved(int first, int last) { beginRemoveRows({}, first - 1, last - 1); }
void GridModel::RowsRemoved(int, int) { endRemoveRows(); }

void GridModel::CellsChanged(int firstRow, int lastRow) {
  if (firstRow <= 0) emit headerDataChanged(Qt::Horizontal, 0, grid_.ColCount() - 1);
  firstRow = std::max(firstRow, 1);
  lastRow = std::min(lastRow, grid_.RowCount() - 1);
  if (firstRow > lastRow || grid_.ColCount() == 0) return;
  emit dataChanged(index(firstRow - 1, 0), index(lastRow - 1, grid_.ColCount() - 1));
}

void GridModel::ColumnsChanged() {
  if (grid_.ColCount() > 0) emit headerDataChanged(Qt::Horizontal, 0, grid_.ColCount() - 1);
  emit columnsChanged();
}

void GridModel::CurrentChanged(int col, int row) {
  // Repaint the cell that loses the bold face and the one that gains it.
  const QModelIndex old = IndexOfCell(shownCol_, shownRow_);
  shownCol_ = col;
  shownRow_ = row;
  if (old.isValid()) emit dataChanged(old, old, {Qt::FontRole});
  const QModelIndex now = IndexOfCell(col, row);
  if (now.isValid()) emit dataChanged(now, now, {Qt::FontRole});
  emit currentCellChanged(col, row);
}

}  // namespace jc::ui::qt
