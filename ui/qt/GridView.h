#pragma once
// The result grid widget: shows a ResultGrid through a GridModel. Cells are
// not editable, columns cannot be resized, moved or sorted, only a vertical
// scroll bar is offered, and the focused cell is drawn bold. The grid model
// owns the current cell: a left click on a data cell makes it current before
// cellClicked is emitted; a right click or a press on the header leaves it.
#include <functional>

#include <QTableView>

#include "ui/qt/GridModel.h"

namespace jc::ui::qt {

class GridView : public QTableView {
  Q_OBJECT
 public:
  GridView(ResultGrid& grid, const QFont& dataFont, QWidget* parent = nullptr);

  GridModel& model() const { return *model_; }

  // Asked before a mouse press is acted on; false drops the press (the
  // window says no while an operation runs).
  std::function<bool()> acceptsMouse;

  // Applies the grid's column widths (0 hides a column).
  void ApplyColumns();

 signals:
  // Any mouse button pressed over the grid, with the grid row under the
  // pointer: 0 on the header, -1 on the empty area below the rows.
  void mousePressed(Qt::MouseButton button, int row);
  // A left click on a data cell, after it became current (grid coordinates).
  void cellClicked(int col, int row);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

 private:
  void ShowCurrent(int col, int row);
  GridModel* model_;
  bool syncing_ = false;
};

}  // namespace jc::ui::qt
