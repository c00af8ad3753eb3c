#pragma once
// The result grid as a list view in report mode over a ResultGrid: no copy of
// the cells, the list view asks the grid for each text it draws and follows
// its change notifications. Grid row 0 is the list view's header; data row r
// is item r - 1. Cells cannot be edited, columns cannot be resized, moved or
// sorted, a width of 0 hides a column, each data row carries its colour, and
// the grid's current cell is drawn bold. A left click on a data cell makes it
// current before onCellClicked runs; a right click or a press on the header
// leaves it.
#include <windows.h>
#include <commctrl.h>

#include <functional>

#include "ui/Controls.h"
#include "ui/ResultGrid.h"

namespace jc::ui::win32 {

class GridView : private ResultGrid::Listener {
 public:
  enum class Button { Left, Right, Middle };

  // dataFont: the font of the cells and of the headers that name none.
  GridView(HWND parent, ResultGrid& grid, const FontSpec& dataFont, int dpi, int id);
  ~GridView() override;
  GridView(const GridView&) = delete;
  GridView& operator=(const GridView&) = delete;

  HWND hwnd() const { return hwnd_; }
  HWND header() const { return header_; }
  ResultGrid& grid() { return grid_; }

  // Asked before a mouse press is acted on; false drops the press (the
  // window says no while an operation runs).
  std::function<bool()> acceptsMouse;
  // Any mouse button pressed over the grid, with the grid row under the
  // pointer: 0 on the header, -1 on the empty area below the rows.
  std::function<void(Button, int row)> onMousePressed;
  // A left click on a data cell, after it became current.
  std::function<void(int col, int row)> onCellClicked;

  // The parent hands the list view's WM_NOTIFY messages here; true when
  // handled, with the message's result in result.
  bool HandleNotify(const NMHDR& hdr, LRESULT& result);

  // Applies the grid's column headers, widths and alignments.
  void ApplyColumns();
  // The background a data row is drawn with: its colour, or the window's.
  COLORREF RowBackground(int row) const;
  // The font a header is drawn in.
  HFONT HeaderFont(int col) const;

 private:
  void RowsInserted(int first, int last) override;
  void RowsRemoved(int first, int last) override;
  void CellsChanged(int firstRow, int lastRow) override;
  void ColumnsChanged() override;
  void CurrentChanged(int col, int row) override;

  static LRESULT CALLBACK ListProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  static LRESULT CALLBACK HeaderProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT OnMouseDown(Button button, LPARAM lp);
  LRESULT OnHeaderNotify(NMHDR& hdr);
  void SetRowHeight();
  void SyncItemCount();
  void RedrawRow(int row);

  ResultGrid& grid_;
  FontSpec dataSpec_;
  int dpi_;
  HWND hwnd_ = nullptr;
  HWND header_ = nullptr;
  HFONT font_ = nullptr, bold_ = nullptr;
  HIMAGELIST rowHeight_ = nullptr;  // a blank image list: it sets the row height
  WNDPROC listProc_ = nullptr, headerProc_ = nullptr;
  int shownCol_ = 0, shownRow_ = 1;  // the current cell as last drawn bold
  bool syncing_ = false;
};

}  // namespace jc::ui::win32
