#pragma once
// The result grid model: a table of text cells with a fixed header row 0,
// data rows 1..RowCount()-1, a current row and per-row background colours.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

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
  void RemoveRows(int index, int count);

  // A row at or beyond RowCount reads as "".
  std::string Cell(int col, int row) const;
  // Row 0 sets the header text of that column.
  void SetCell(int col, int row, const std::string& text);
  void SetColumnHeader(int col, const std::string& text);

  int CurrentRow() const;
  void SetCurrentRow(int row);
  int CurrentCol() const;
  void SetCurrent(int col, int row);

  std::optional<Color> RowColor(int row) const;
  void SetRowColor(int row, Color color);

  // Called after every change (the Qt view listens here).
  struct Listener {
    virtual ~Listener() = default;
    virtual void GridReset() = 0;                         // structure changed
    virtual void CellsChanged(int firstRow, int lastRow) = 0;
    virtual void CurrentChanged(int col, int row) = 0;
  };
  void SetListener(Listener* listener);

 private:
  struct Row {
    std::vector<std::string> cells;
    std::optional<Color> color;
  };
  std::vector<GridColumn> columns_;
  std::vector<Row> rows_;
  int currentRow_ = 1;
  int currentCol_ = 0;
  Listener* listener_ = nullptr;
};

}  // namespace jc::ui
