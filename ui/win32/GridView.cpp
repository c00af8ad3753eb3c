#include "ui/win32/GridView.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

#include "common/WideText.h"
#include "ui/win32/Fonts.h"
#include "ui/win32/Scale.h"

namespace jc::ui::win32 {

namespace {

constexpr int kRowHeight = 22;  // data rows and the header row
constexpr wchar_t kSelf[] = L"JcGridView";

GridView* From(HWND hwnd) { return static_cast<GridView*>(GetPropW(hwnd, kSelf)); }

}  // namespace

GridView::GridView(HWND parent, ResultGrid& grid, const FontSpec& dataFont, int dpi, int id)
    : grid_(grid), dataSpec_(dataFont), dpi_(dpi) {
  font_ = FontFor(dataSpec_, dpi_);
  bold_ = BoldFontFor(dataSpec_, dpi_);
  hwnd_ = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                          WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS | WS_VSCROLL | LVS_REPORT |
                              LVS_OWNERDATA | LVS_SINGLESEL | LVS_NOSORTHEADER,
                          0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                          GetModuleHandleW(nullptr), nullptr);
  SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  header_ = reinterpret_cast<HWND>(SendMessageW(hwnd_, LVM_GETHEADER, 0, 0));
  SetPropW(hwnd_, kSelf, this);
  listProc_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&GridView::ListProc)));
  if (header_) {
    SetPropW(header_, kSelf, this);
    headerProc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(header_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&GridView::HeaderProc)));
  }
  for (int c = 0; c < grid_.ColCount(); ++c) {
    LVCOLUMNW col{};
    col.mask = LVCF_SUBITEM;
    col.iSubItem = c;
    SendMessageW(hwnd_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&col));
  }
  ApplyColumns();
  SetRowHeight();
  SyncItemCount();
  shownCol_ = grid_.CurrentCol();
  shownRow_ = grid_.CurrentRow();
  grid_.SetListener(this);
  CurrentChanged(shownCol_, shownRow_);
}

GridView::~GridView() {
  grid_.SetListener(nullptr);
  if (hwnd_) {
    RemovePropW(hwnd_, kSelf);
    if (header_) RemovePropW(header_, kSelf);
    DestroyWindow(hwnd_);
  }
  if (rowHeight_) ImageList_Destroy(rowHeight_);
}

void GridView::SetRowHeight() {
  // A list view's rows are as high as its small images (or its font, if
  // higher); the height it then adds of its own is measured and taken off.
  const int target = Scale(kRowHeight, dpi_);
  int image = target;
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (rowHeight_) ImageList_Destroy(rowHeight_);
    rowHeight_ = ImageList_Create(1, image, ILC_COLOR, 1, 0);
    SendMessageW(hwnd_, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(rowHeight_));
    SendMessageW(hwnd_, LVM_SETITEMCOUNT, 1, LVSICF_NOSCROLL);
    RECT r{};
    r.left = LVIR_BOUNDS;
    if (!SendMessageW(hwnd_, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r))) break;
    const int extra = (r.bottom - r.top) - target;
    if (extra == 0 || image - extra < 1) break;
    image -= extra;
  }
}

void GridView::ApplyColumns() {
  for (int c = 0; c < grid_.ColCount(); ++c) {
    const GridColumn& g = grid_.Column(c);
    const std::wstring text = Widen(g.header);
    LVCOLUMNW col{};
    col.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
    col.fmt = ListColumnFormat(g.headerAlign);
    col.cx = g.width > 0 ? Scale(g.width, dpi_) : 0;
    col.pszText = const_cast<wchar_t*>(text.c_str());
    SendMessageW(hwnd_, LVM_SETCOLUMNW, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&col));
  }
  if (header_) InvalidateRect(header_, nullptr, TRUE);
}

HFONT GridView::HeaderFont(int col) const {
  if (col < 0 || col >= grid_.ColCount()) return font_;
  const GridColumn& g = grid_.Column(col);
  if (g.headerFont.empty() && g.headerFontHeight == 0) return font_;
  FontSpec spec = dataSpec_;
  if (!g.headerFont.empty()) spec.name = g.headerFont;
  if (g.headerFontHeight > 0) spec.height = g.headerFontHeight;
  return FontFor(spec, dpi_);
}

COLORREF GridView::RowBackground(int row) const {
  if (auto c = grid_.RowColor(row)) return TextColor(*c);
  return GetSysColor(COLOR_WINDOW);
}

void GridView::SyncItemCount() {
  SendMessageW(hwnd_, LVM_SETITEMCOUNT, static_cast<WPARAM>(std::max(grid_.RowCount() - 1, 0)), LVSICF_NOSCROLL);
  InvalidateRect(hwnd_, nullptr, TRUE);
}

void GridView::RedrawRow(int row) {
  if (row < 1 || row >= grid_.RowCount()) return;
  SendMessageW(hwnd_, LVM_REDRAWITEMS, static_cast<WPARAM>(row - 1), static_cast<LPARAM>(row - 1));
}

void GridView::RowsInserted(int, int) { SyncItemCount(); }
void GridView::RowsRemoved(int, int) { SyncItemCount(); }

void GridView::CellsChanged(int firstRow, int lastRow) {
  if (firstRow <= 0) ApplyColumns();
  firstRow = std::max(firstRow, 1);
  lastRow = std::min(lastRow, grid_.RowCount() - 1);
  if (firstRow > lastRow) return;
  SendMessageW(hwnd_, LVM_REDRAWITEMS, static_cast<WPARAM>(firstRow - 1), static_cast<LPARAM>(lastRow - 1));
}

void GridView::ColumnsChanged() { ApplyColumns(); }

void GridView::CurrentChanged(int col, int row) {
  const int oldRow = shownRow_;
  shownCol_ = col;
  shownRow_ = row;
  if (row >= 1 && row < grid_.RowCount()) {
    syncing_ = true;
    LVITEMW item{};
    item.stateMask = LVIS_FOCUSED;
    item.state = LVIS_FOCUSED;
    SendMessageW(hwnd_, LVM_SETITEMSTATE, static_cast<WPARAM>(row - 1), reinterpret_cast<LPARAM>(&item));
    syncing_ = false;
  }
  RedrawRow(oldRow);
  RedrawRow(row);
}

bool GridView::HandleNotify(const NMHDR& hdr, LRESULT& result) {
  if (hdr.hwndFrom != hwnd_) return false;
  switch (hdr.code) {
    case LVN_GETDISPINFOW: {
      auto& info = const_cast<NMLVDISPINFOW&>(reinterpret_cast<const NMLVDISPINFOW&>(hdr));
      if ((info.item.mask & LVIF_TEXT) && info.item.pszText && info.item.cchTextMax > 0) {
        const std::wstring text = Widen(grid_.Cell(info.item.iSubItem, info.item.iItem + 1));
        const std::size_t n = std::min(text.size(), static_cast<std::size_t>(info.item.cchTextMax - 1));
        std::copy_n(text.begin(), n, info.item.pszText);
        info.item.pszText[n] = L'\0';
      }
      result = 0;
      return true;
    }
    case LVN_ITEMCHANGED: {
      const auto& change = reinterpret_cast<const NMLISTVIEW&>(hdr);
      if (!(change.uChanged & LVIF_STATE) || change.iItem < 0) break;
      // Nothing is ever selected: the current cell is drawn bold instead.
      if (change.uNewState & LVIS_SELECTED) {
        LVITEMW item{};
        item.stateMask = LVIS_SELECTED;
        SendMessageW(hwnd_, LVM_SETITEMSTATE, static_cast<WPARAM>(change.iItem), reinterpret_cast<LPARAM>(&item));
      }
      // The keyboard moved the focus: the grid's current row follows.
      if (!syncing_ && (change.uNewState & LVIS_FOCUSED) && !(change.uOldState & LVIS_FOCUSED))
        grid_.SetCurrent(grid_.CurrentCol(), change.iItem + 1);
      break;
    }
    case NM_CUSTOMDRAW: {
      auto& draw = const_cast<NMLVCUSTOMDRAW&>(reinterpret_cast<const NMLVCUSTOMDRAW&>(hdr));
      switch (draw.nmcd.dwDrawStage) {
        case CDDS_PREPAINT:
          result = CDRF_NOTIFYITEMDRAW;
          return true;
        case CDDS_ITEMPREPAINT:
          result = CDRF_NOTIFYSUBITEMDRAW;
          return true;
        case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
          const int row = static_cast<int>(draw.nmcd.dwItemSpec) + 1;
          draw.nmcd.uItemState &= ~static_cast<UINT>(CDIS_SELECTED);
          draw.clrTextBk = RowBackground(row);
          draw.clrText = GetSysColor(COLOR_WINDOWTEXT);
          const bool current = row == grid_.CurrentRow() && draw.iSubItem == grid_.CurrentCol();
          SelectObject(draw.nmcd.hdc, current ? bold_ : font_);
          result = CDRF_NEWFONT;
          return true;
        }
        default:
          result = CDRF_DODEFAULT;
          return true;
      }
    }
    default:
      break;
  }
  return false;
}

LRESULT GridView::OnHeaderNotify(NMHDR& hdr) {
  switch (hdr.code) {
    case HDN_BEGINTRACKW:
    case HDN_BEGINTRACKA:
    case HDN_DIVIDERDBLCLICKW:
    case HDN_DIVIDERDBLCLICKA:
      return TRUE;  // columns keep their widths
    case NM_CUSTOMDRAW: {
      auto& draw = reinterpret_cast<NMCUSTOMDRAW&>(hdr);
      if (draw.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
      if (draw.dwDrawStage == CDDS_ITEMPREPAINT) {
        SelectObject(draw.hdc, HeaderFont(static_cast<int>(draw.dwItemSpec)));
        return CDRF_NEWFONT;
      }
      return CDRF_DODEFAULT;
    }
    default:
      return CallWindowProcW(listProc_, hwnd_, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&hdr));
  }
}

LRESULT GridView::OnMouseDown(Button button, LPARAM lp) {
  if (acceptsMouse && !acceptsMouse()) return 0;
  SetFocus(hwnd_);
  LVHITTESTINFO hit{};
  hit.pt = POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
  SendMessageW(hwnd_, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
  const bool onCell = hit.iItem >= 0 && (hit.flags & LVHT_ONITEM) && hit.iItem + 1 < grid_.RowCount();
  const int row = onCell ? hit.iItem + 1 : -1;
  const bool leftOnCell = button == Button::Left && onCell;
  if (leftOnCell) grid_.SetCurrent(hit.iSubItem, row);
  if (onMousePressed) onMousePressed(button, row);
  if (leftOnCell && onCellClicked) onCellClicked(hit.iSubItem, row);
  return 0;
}

LRESULT CALLBACK GridView::ListProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  GridView* self = From(hwnd);
  if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
  switch (msg) {
    // Presses go to the grid's events; the list view itself neither selects
    // nor drags nor edits.
    case WM_LBUTTONDOWN:
      return self->OnMouseDown(Button::Left, lp);
    case WM_RBUTTONDOWN:
      return self->OnMouseDown(Button::Right, lp);
    case WM_MBUTTONDOWN:
      return self->OnMouseDown(Button::Middle, lp);
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
    case WM_CONTEXTMENU:
      return 0;
    case WM_NOTIFY: {
      auto* hdr = reinterpret_cast<NMHDR*>(lp);
      if (hdr && hdr->hwndFrom == self->header_) return self->OnHeaderNotify(*hdr);
      break;
    }
    default:
      break;
  }
  return CallWindowProcW(self->listProc_, hwnd, msg, wp, lp);
}

LRESULT CALLBACK GridView::HeaderProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  GridView* self = From(hwnd);
  if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
  switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
      // A press on the header row: the grid's mouse-down, no cell change.
      if (self->acceptsMouse && !self->acceptsMouse()) return 0;
      SetFocus(self->hwnd_);
      const Button b = msg == WM_LBUTTONDOWN ? Button::Left : msg == WM_RBUTTONDOWN ? Button::Right : Button::Middle;
      if (self->onMousePressed) self->onMousePressed(b, 0);
      return 0;
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
    case WM_MOUSEMOVE:
      return 0;
    case WM_SETCURSOR:
      SetCursor(LoadCursorW(nullptr, IDC_ARROW));  // no resize cursor on the dividers
      return TRUE;
    case HDM_LAYOUT: {
      const LRESULT r = CallWindowProcW(self->headerProc_, hwnd, msg, wp, lp);
      auto* layout = reinterpret_cast<HDLAYOUT*>(lp);
      const int height = Scale(kRowHeight, self->dpi_);
      if (layout && layout->pwpos && layout->prc) {
        layout->pwpos->cy = height;
        layout->prc->top = layout->pwpos->y + height;
      }
      return r;
    }
    default:
      break;
  }
  return CallWindowProcW(self->headerProc_, hwnd, msg, wp, lp);
}

}  // namespace jc::ui::win32
