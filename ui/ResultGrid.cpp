#include "ui/ResultGrid.h"

#include <algorithm>
#include <stdexcept>

namespace jc::ui {

ResultGrid::ResultGrid(std::vector<GridColumn> columns, int rowCount)
    : columns_(std::move(columns)) {
  rows_.Resize(static_cast<std::size_t>(std::max(rowCount, 1) - 1));
}

ResultGrid::ResultGrid(const ResultGrid& other)
    : columns_(other.columns_),
      rows_(other.rows_),
      currentRow_(other.currentRow_),
      currentCol_(other.currentCol_) {}

ResultGrid& ResultGrid::operator=(const ResultGrid& other) {
  if (this == &other) return *this;
  // Announce the change as a removal of every data row, then an insertion of
  // the new ones, so that a listening view stays consistent.
  if (RowCount() > 1) {
    const int last = RowCount() - 1;
    if (listener_) listener_->RowsAboutToBeRemoved(1, last);
    rows_.Resize(0);
    if (listener_) listener_->RowsRemoved(1, last);
  }
  columns_ = other.columns_;
  if (listener_) listener_->ColumnsChanged();
  if (other.RowCount() > 1) {
    const int last = other.RowCount() - 1;
    if (listener_) listener_->RowsAboutToBeInserted(1, last);
    rows_ = other.rows_;
    if (listener_) listener_->RowsInserted(1, last);
  }
  currentRow_ = other.currentRow_;
  currentCol_ = other.currentCol_;
  if (listener_) listener_->CurrentChanged(currentCol_, currentRow_);
  return *this;
}

int ResultGrid::ColCount() const { return static_cast<int>(columns_.size()); }

const GridColumn& ResultGrid::Column(int col) const {
  if (col < 0 || col >= ColCount()) throw std::out_of_range("Grid index out of range");
  return columns_[static_cast<std::size_t>(col)];
}

void ResultGrid::SetColumnWidth(int col, int width) {
  if (col < 0 || col >= ColCount()) return;
  columns_[static_cast<std::size_t>(col)].width = std::max(width, 0);
  if (listener_) listener_->ColumnsChanged();
}

void ResultGrid::ClearNonFixed() {
  rows_.ClearAll();
  if (listener_ && RowCount() > 1) listener_->CellsChanged(1, RowCount() - 1);
}

int ResultGrid::RowCount() const { return static_cast<int>(rows_.Size()) + 1; }

void ResultGrid::InsertRows(int first, int count) {
  if (count <= 0) return;
  if (listener_) listener_->RowsAboutToBeInserted(first, first + count - 1);
  // Rows are added at the end only (first == RowCount()).
  rows_.Resize(rows_.Size() + static_cast<std::size_t>(count));
  if (listener_) listener_->RowsInserted(first, first + count - 1);
}

void ResultGrid::EraseRows(int first, int count) {
  if (count <= 0) return;
  if (listener_) listener_->RowsAboutToBeRemoved(first, first + count - 1);
  rows_.Erase(static_cast<std::size_t>(first - 1), static_cast<std::size_t>(count));
  if (listener_) listener_->RowsRemoved(first, first + count - 1);
  ClampCurrent();
}

void ResultGrid::ClampCurrent() {
  const int last = std::max(RowCount() - 1, 1);
  if (currentRow_ > last) {
    currentRow_ = last;
    if (listener_) listener_->CurrentChanged(currentCol_, currentRow_);
  }
}

void ResultGrid::SetRowCount(int n) {
  n = std::max(n, 1);
  const int count = RowCount();
  if (n > count) InsertRows(count, n - count);
  else if (n < count) EraseRows(n, count - n);
}

void ResultGrid::AppendRow() { InsertRows(RowCount(), 1); }

void ResultGrid::RemoveRows(int index, int count) {
  if (count <= 0 || index < 1) return;
  const int rows = RowCount();
  if (index < rows) {
    EraseRows(index, std::min(count, rows - index));
  } else if (index == rows && rows > 1) {
    // One past the end: the last row goes, whatever it holds.
    const int n = std::min(count, rows - 1);
    EraseRows(rows - n, n);
  }
}

std::string ResultGrid::Cell(int col, int row) const {
  if (col < 0 || col >= ColCount()) return {};
  if (row == 0) return columns_[static_cast<std::size_t>(col)].header;
  if (!IsDataRow(row)) return {};
  return rows_.Cell(static_cast<std::size_t>(row - 1), static_cast<std::size_t>(col));
}

void ResultGrid::SetCell(int col, int row, const std::string& text) {
  if (col < 0 || col >= ColCount()) return;
  if (row == 0) {
    SetColumnHeader(col, text);
    return;
  }
  if (!IsDataRow(row)) return;
  if (!rows_.SetCell(static_cast<std::size_t>(row - 1), static_cast<std::size_t>(col), text)) return;
  if (listener_) listener_->CellsChanged(row, row);
}

void ResultGrid::SetColumnHeader(int col, const std::string& text) {
  if (col < 0 || col >= ColCount()) return;
  auto& header = columns_[static_cast<std::size_t>(col)].header;
  if (header == text) return;
  header = text;
  if (listener_) {
    listener_->CellsChanged(0, 0);
    listener_->ColumnsChanged();
  }
}

int ResultGrid::CurrentRow() const { return currentRow_; }
int ResultGrid::CurrentCol() const { return currentCol_; }

void ResultGrid::SetCurrentRow(int row) { SetCurrent(currentCol_, row); }

void ResultGrid::SetCurrent(int col, int row) {
  col = std::clamp(col, 0, std::max(ColCount() - 1, 0));
  row = std::clamp(row, 1, std::max(RowCount() - 1, 1));
  if (col == currentCol_ && row == currentRow_) return;
  currentCol_ = col;
  currentRow_ = row;
  if (listener_) listener_->CurrentChanged(col, row);
}

std::optional<Color> ResultGrid::RowColor(int row) const {
  if (!IsDataRow(row)) return std::nullopt;
  return rows_.Color(static_cast<std::size_t>(row - 1));
}

void ResultGrid::SetRowColor(int row, Color color) {
  if (!IsDataRow(row)) return;
  rows_.SetColor(static_cast<std::size_t>(row - 1), color);
  if (listener_) listener_->CellsChanged(row, row);
}

void ResultGrid::SetListener(Listener* listener) { listener_ = listener; }

}  // namespace jc::ui
