#include "ui/qt/GridView.h"

#include <QHeaderView>
#include <QMouseEvent>

#include "ui/qt/Fonts.h"

namespace jc::ui::qt {

namespace {
constexpr int kRowHeight = 22;
}

GridView::GridView(ResultGrid& grid, const QFont& dataFont, QWidget* parent)
    : QTableView(parent), model_(new GridModel(grid, dataFont, dataFont, this)) {
  setModel(model_);
  setFont(dataFont);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionMode(QAbstractItemView::NoSelection);
  setSortingEnabled(false);
  setDragEnabled(false);
  setWordWrap(false);
  setTabKeyNavigation(false);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);

  QHeaderView* header = horizontalHeader();
  header->setSectionResizeMode(QHeaderView::Fixed);
  header->setSectionsMovable(false);
  header->setSectionsClickable(false);
  header->setHighlightSections(false);
  header->setSortIndicatorShown(false);
  header->setStretchLastSection(false);
  header->setMinimumSectionSize(0);
  header->setFixedHeight(kRowHeight);
  header->viewport()->installEventFilter(this);

  verticalHeader()->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setMinimumSectionSize(1);
  verticalHeader()->setDefaultSectionSize(kRowHeight);

  ApplyColumns();
  connect(model_, &GridModel::columnsChanged, this, &GridView::ApplyColumns);
  connect(model_, &GridModel::currentCellChanged, this, &GridView::ShowCurrent);
  ShowCurrent(grid.CurrentCol(), grid.CurrentRow());
}

void GridView::ApplyColumns() {
  ResultGrid& g = model_->grid();
  for (int c = 0; c < g.ColCount(); ++c) {
    const int w = g.Column(c).width;
    setColumnHidden(c, w <= 0);
    if (w > 0) setColumnWidth(c, w);
  }
}

void GridView::ShowCurrent(int col, int row) {
  const QModelIndex index = model_->IndexOfCell(col, row);
  if (!index.isValid() || !selectionModel()) return;
  syncing_ = true;
  selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
  syncing_ = false;
}

void GridView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  QTableView::currentChanged(current, previous);
  // Keyboard navigation moves the grid's current cell.
  if (!syncing_ && current.isValid()) model_->grid().SetCurrent(current.column(), current.row() + 1);
}

void GridView::mousePressEvent(QMouseEvent* event) {
  if (acceptsMouse && !acceptsMouse()) return;
  setFocus(Qt::MouseFocusReason);
  const QModelIndex index = indexAt(event->position().toPoint());
  const bool leftOnCell = event->button() == Qt::LeftButton && index.isValid();
  if (leftOnCell) model_->grid().SetCurrent(index.column(), index.row() + 1);
  emit mousePressed(event->button(), index.isValid() ? index.row() + 1 : -1);
  if (leftOnCell) emit cellClicked(index.column(), index.row() + 1);
}

// Dragging, releasing and double clicks neither select nor edit.
void GridView::mouseMoveEvent(QMouseEvent* event) { event->accept(); }
void GridView::mouseReleaseEvent(QMouseEvent* event) { event->accept(); }
void GridView::mouseDoubleClickEvent(QMouseEvent* event) { event->accept(); }

bool GridView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == horizontalHeader()->viewport()) {
    switch (event->type()) {
      case QEvent::MouseButtonPress: {
        // A press on the header row: the grid's mouse-down, no cell change.
        if (acceptsMouse && !acceptsMouse()) return true;
        setFocus(Qt::MouseFocusReason);
        emit mousePressed(static_cast<QMouseEvent*>(event)->button(), 0);
        return true;
      }
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::MouseMove:
        return true;
      default:
        break;
    }
  }
  return QTableView::eventFilter(watched, event);
}

}  // namespace jc::ui::qt
