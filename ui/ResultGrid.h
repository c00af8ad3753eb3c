#pragma once
// The result grid model: a table of text cells with a fixed header row 0,
// data rows 1..RowCount()-1, a current row and per-row background colours.
// The data rows live in a GridRows: a grid of a million rows stays within a
// few megabytes of memory, the rest in an encrypted temporary file (a failure
// of that file is thrown as jc::SpillError).
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ui/GridRows.h"

namespace jc::ui {

enum class Align { Left, Center, Right };

struct GridColumn {
  std::string header;       // text shown in row 0
  int width = 64;           // pixels; 0 hides the column, its cells keep data
  Align align = Align::Center;
  Align headerAlign = Align::Center;
  std::string headerFont;   // empty: the window font
  int headerFontHeight = 0; // pixels; 0: the window font's
};

// A toolkit colour value: 0x00BBGGRR (blue in the high byte).
using Color = std::uint32_t;
inline constexpr Color kRestoredRowColor = 0x00EEFFEE;  // light green

class ResultGrid {
 public:
  explicit ResultGrid(std::vector<GridColumn> columns, int rowCount = 2);
  // A copy holds the same cells but no listener.
  ResultGrid(const ResultGrid& other);
  ResultGrid& operator=(const ResultGrid& other);

  int ColCount() const;
  const GridColumn& Column(int col) const;
  void SetColumnWidth(int col, int width);

  // Empties every cell of the data rows and removes their colours; row count,
  // header row and current row stay.
  void ClearNonFixed();

  int RowCount() const;
  // Keeps rows 0..n-1 (n >= 1; smaller values are taken as 1); added rows are
  // empty and uncoloured.
  void SetRowCount(int n);
  void AppendRow();
  // count is 1 in every caller. index < RowCount: that row goes, the rest move
  // up. index == RowCount: the last row goes. index > RowCount: nothing.
  // The header row (index 0) is never removed.
  void RemoveRows(int index, int count);

  // A row at or beyond RowCount reads as "".
  std::string Cell(int col, int row) const;
  // Row 0 sets the header text of that column. A row at or beyond RowCount
  // is not stored (rows added later start empty).
  void SetCell(int col, int row, const std::string& text);
  void SetColumnHeader(int col, const std::string& text);

  // The current row is a data row: 1 <= CurrentRow() (it stays 1 while the
  // grid holds the header row alone) and, with data rows, < RowCount().
  int CurrentRow() const;
  void SetCurrentRow(int row);
  int CurrentCol() const;
  void SetCurrent(int col, int row);

  std::optional<Color> RowColor(int row) const;
  void SetRowColor(int row, Color color);

  // Told about every change (the Qt view listens here). Rows are grid rows
  // (header = 0). Insertions and removals come as a before/after pair so an
  // item model can follow them without a reset.
  struct Listener {
    virtual ~Listener() = default;
    virtual void RowsAboutToBeInserted(int /*first*/, int /*last*/) {}
    virtual void RowsInserted(int /*first*/, int /*last*/) {}
    virtual void RowsAboutToBeRemoved(int /*first*/, int /*last*/) {}
    virtual void RowsRemoved(int /*first*/, int /*last*/) {}
    // Texts or colours of rows firstRow..lastRow changed (row 0: a header).
    virtual void CellsChanged(int /*firstRow*/, int /*lastRow*/) {}
    // Header texts, widths or alignments of the columns changed.
    virtual void ColumnsChanged() {}
    virtual void CurrentChanged(int /*col*/, int /*row*/) {}
  };
  void SetListener(Listener* listener);

 private:
  bool IsDataRow(int row) const { return row >= 1 && row < RowCount(); }
  void InsertRows(int first, int count);
  void EraseRows(int first, int count);
  void ClampCurrent();

  std::vector<GridColumn> columns_;
  GridRows rows_;  // data rows: rows_ row 0 is grid row 1
  int currentRow_ = 1;
  int currentCol_ = 0;
  Listener* listener_ = nullptr;
};

}  // namespace jc::ui
