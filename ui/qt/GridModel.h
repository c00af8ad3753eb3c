#pragma once
// A Qt item model over a ResultGrid: no copy of the cells, it reads the grid
// and follows its change notifications. Grid row 0 is the horizontal header;
// data row r of the grid is item row r - 1.
#include <QAbstractTableModel>
#include <QFont>

#include "ui/ResultGrid.h"

namespace jc::ui::qt {

class GridModel : public QAbstractTableModel, private ResultGrid::Listener {
  Q_OBJECT
 public:
  // dataFont: the font of the data cells (the focused one is drawn bold);
  // headerDefault: the font of headers that name none.
  GridModel(ResultGrid& grid, QFont dataFont, QFont headerDefault, QObject* parent = nullptr);
  ~GridModel() override;

  ResultGrid& grid() { return grid_; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // Item index of a grid cell (invalid for the header row or outside).
  QModelIndex IndexOfCell(int col, int row) const;

 signals:
  // The grid's current cell moved (grid coordinates).
  void currentCellChanged(int col, int row);
  // Column widths, headers or alignments changed.
  void columnsChanged();

 private:
  void RowsAboutToBeInserted(int first, int last) override;
  void RowsInserted(int first, int last) override;
  void RowsAboutToBeRemoved(int first, int last) override;
  void RowsRemoved(int first, int last) override;
  void CellsChanged(int firstRow, int lastRow) override;
  void ColumnsChanged() override;
  void CurrentChanged(int col, int row) override;

  ResultGrid& grid_;
  QFont dataFont_, boldFont_, headerDefault_;
  int shownCol_ = 0, shownRow_ = 1;  // current cell as last drawn bold
};

}  // namespace jc::ui::qt
