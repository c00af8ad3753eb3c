// The Win32 window over TForm1's models, read back through the Win32 API:
// every control's place, caption, font, colour and start state (at 96 dpi
// and scaled), the tab order, the grids and the gauge as drawn, the mouse
// and keys forwarded to the handlers, the technician's view, the boxes of
// the Win32 shell, one operation at a time and the deferred close.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "app/TForm1.h"
#include "app/win32/ControlIds.h"
#include "app/win32/MainWindow.h"
#include "app/win32/Win32Shell.h"
#include "support/FakeShell.h"
#include "support/ModuleRootFolder.h"
#include "ui/win32/Scale.h"
#include "win32ui/Win32Support.h"

namespace jc::test {
namespace {

using app::win32::ControlId;
using app::win32::MainWindow;

struct CommonControls {
  CommonControls() {
    INITCOMMONCONTROLSEX c{sizeof c, ICC_LISTVIEW_CLASSES | ICC_DATE_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&c);
  }
};
const CommonControls kCommonControls;

// A window after start-up in an empty root (start-up ends early at the
// missing module folder; every control is in its start state), shown.
template <typename ShellType>
class WindowOn : public testing::Test {
 protected:
  void SetUp() override {
    form = std::make_unique<app::TForm1>(shell, root.Paths(), [] { return ui::DateTime{2014, 5, 1, 10, 0, 0}; });
    window = std::make_unique<MainWindow>(*form, dpi);
    WithBoxes([this] { window->Dispatch([this] { form->FormCreate(); }); }, Press(IDOK));
    window->ShowCentred();
    Pump();
  }
  void TearDown() override {
    window.reset();
    form.reset();
    Pump();
  }
  HWND C(const std::string& name) const { return GetDlgItem(window->hwnd(), ControlId(name)); }

  int dpi = 96;
  CurrentDirectoryGuard cwd;
  ModuleRootFolder root;
  ShellType shell;
  std::unique_ptr<app::TForm1> form;
  std::unique_ptr<MainWindow> window;
};
using Window = WindowOn<FakeShell>;
using ShellWindow = WindowOn<app::win32::Win32Shell>;

RECT ClientOf(HWND hwnd) {
  RECT r;
  GetClientRect(hwnd, &r);
  return r;
}

// Every control of the models, by name, at its model's place with its
// caption, font, colour and start state; the visible window as laid out.
TEST_F(Window, EveryControlReadBackAtItsPlaceWithCaptionFontColourAndState) {
  const RECT client = ClientOf(window->hwnd());
  EXPECT_EQ(client.right, 463);
  EXPECT_EQ(client.bottom, 614);
  EXPECT_EQ(TextOf(window->hwnd()), "소득공제 주민번호 검증(ver 1.0)");
  EXPECT_FALSE(HasStyle(window->hwnd(), WS_THICKFRAME));
  EXPECT_FALSE(HasStyle(window->hwnd(), WS_MAXIMIZEBOX));

  int children = 0;
  for (HWND c = GetWindow(window->hwnd(), GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) ++children;
  EXPECT_EQ(children, static_cast<int>(form->AllControls().size()));

  for (ui::TControl* m : form->AllControls()) {
    SCOPED_TRACE(m->name);
    HWND h = C(m->name);
    ASSERT_NE(h, nullptr);
    const RECT r = RectInParent(h);
    EXPECT_EQ(r.left, m->left);
    EXPECT_EQ(r.top, m->top);
    EXPECT_EQ(r.right - r.left, m->width);
    EXPECT_EQ(r.bottom - r.top, m->height);
    EXPECT_EQ(HasStyle(h, WS_VISIBLE), m->visible);
    EXPECT_EQ(IsWindowEnabled(h) != FALSE, m->enabled);
    EXPECT_EQ(HasStyle(h, WS_TABSTOP), m->tabOrder >= 0);
    wchar_t cls[64] = {};
    GetClassNameW(h, cls, 64);
    const std::wstring kind = cls;
    if (kind == L"Button" || kind == L"Static" || kind == L"BUTTON" || kind == L"STATIC") {
      EXPECT_EQ(TextOf(h), m->caption);
      // The text colour the window gives it.
      HDC dc = GetDC(h);
      SendMessageW(window->hwnd(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(h));
      EXPECT_EQ(GetTextColor(dc), static_cast<COLORREF>(m->font.color));
      ReleaseDC(h, dc);
    }
    if (m == &form->Shape1 || m == &form->Shape2 || m == &form->Gauge1Layout) continue;
    const LOGFONTW f = FontOf(h);
    EXPECT_EQ(Narrow(f.lfFaceName), m->font.name);
    EXPECT_EQ(f.lfHeight, -m->font.height);
    EXPECT_EQ(f.lfWeight >= FW_BOLD, m->font.bold);
  }

  // What the operator sees, as given.
  struct Literal {
    const char* name;
    RECT rect;
    const char* face;
  } literals[] = {
      {"Btn_De_Custom", {346, 7, 455, 32}, "Tahoma"},   {"LB_Msg", {8, 69, 452, 84}, "맑은 고딕"},
      {"Grid_Main", {8, 94, 454, 296}, "Tahoma"},       {"Grid_Sub", {8, 303, 454, 505}, "Tahoma"},
      {"Label1", {12, 524, 92, 540}, "맑은 고딕"},      {"Edit_Decrypt", {98, 586, 453, 607}, "맑은 고딕"},
      {"Label3", {690, 359, 702, 380}, "맑은 고딕"},
  };
  for (const auto& l : literals) {
    SCOPED_TRACE(l.name);
    const RECT r = RectInParent(C(l.name));
    EXPECT_TRUE(EqualRect(&r, &l.rect)) << r.left << "," << r.top << "," << r.right << "," << r.bottom;
    EXPECT_EQ(Narrow(FontOf(C(l.name)).lfFaceName), l.face);
  }
  EXPECT_TRUE(HasStyle(C("LB_Msg"), SS_RIGHT));
  EXPECT_TRUE(HasStyle(C("Label1"), SS_CENTER));
  for (const char* edit : {"Edit_En_Jumin", "Edit_Encrypt", "Edit_De_Jumin", "Edit_Decrypt"}) {
    EXPECT_TRUE(HasStyle(C(edit), ES_CENTER)) << edit;
    EXPECT_FALSE(GetWindowLongW(C(edit), GWL_EXSTYLE) & WS_EX_CLIENTEDGE) << edit;  // a flat border
    EXPECT_FALSE(HasStyle(C(edit), ES_READONLY)) << edit;
  }
  EXPECT_TRUE(HasStyle(C("Combo_Year"), CBS_DROPDOWNLIST));
  // Start-up cleared the status line; the year list stays empty in an
  // empty root; the check box is unchecked; the pickers show their model's
  // date.
  EXPECT_EQ(TextOf(C("LB_Msg")), "");
  EXPECT_EQ(SendMessageW(C("Combo_Year"), CB_GETCOUNT, 0, 0), 0);
  EXPECT_EQ(SendMessageW(C("Chk_Day"), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  form->Dtp_Start.date = ui::DateTime{2014, 5, 1, 10, 0, 0};
  window->SyncFromModel();
  SYSTEMTIME t{};
  EXPECT_EQ(SendMessageW(C("Dtp_Start"), DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&t)), GDT_VALID);
  EXPECT_EQ(t.wYear, 2014);
  EXPECT_EQ(t.wMonth, 5);
}

TEST_F(Window, TabVisitsTheVisibleControlsInOrder) {
  std::vector<std::string> order;
  HWND start = C("Grid_Main");
  HWND h = start;
  do {
    const int id = GetDlgCtrlID(h);
    order.push_back(std::string(app::win32::kControlNames[id - app::win32::kFirstControlId]));
    h = GetNextDlgTabItem(window->hwnd(), h, FALSE);
  } while (h && h != start && order.size() < 50);
  EXPECT_EQ(order, (std::vector<std::string>{"Grid_Main", "Grid_Sub", "Edit_En_Jumin", "Edit_Encrypt", "Edit_Decrypt",
                                             "Edit_De_Jumin", "Btn_De_Custom", "Combo_Year"}));
}

TEST_F(Window, EveryResizeIsRefused) {
  RECT frame;
  GetWindowRect(window->hwnd(), &frame);
  SetWindowPos(window->hwnd(), nullptr, 0, 0, 900, 900, SWP_NOMOVE | SWP_NOZORDER);
  SendMessageW(window->hwnd(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  const RECT client = ClientOf(window->hwnd());
  EXPECT_EQ(client.right, 463);
  EXPECT_EQ(client.bottom, 614);
  EXPECT_FALSE(IsZoomed(window->hwnd()));
}

TEST_F(Window, OpensCentredOnTheScreen) {
  RECT frame;
  GetWindowRect(window->hwnd(), &frame);
  const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
  EXPECT_LE(std::abs(frame.left + frame.right - sw), 1);
  EXPECT_LE(std::abs(frame.top + frame.bottom - sh), 1);
  EXPECT_TRUE(IsWindowVisible(window->hwnd()));
}

TEST_F(Window, GridsShowTheirColumnsRowsColoursAndCurrentCell) {
  struct Col {
    const char* header;
    int width;
  };
  const std::vector<Col> main = {{"SEQ", 0},      {"이름", 90},     {"주민번호", 125}, {"암호화해제 주민번호", 125},
                                 {"조제년도", 85}, {"고객코드", 0}};
  std::vector<Col> sub = main;
  sub[4].header = "고객등록일";
  sub.push_back({"TEMPNUM", 0});
  for (auto [grid, cols] : {std::pair{window->gridMain(), main}, std::pair{window->gridSub(), sub}}) {
    HWND list = grid->hwnd();
    HWND header = grid->header();
    ASSERT_EQ(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0), static_cast<LRESULT>(cols.size()));
    for (int c = 0; c < static_cast<int>(cols.size()); ++c) {
      SCOPED_TRACE(c);
      EXPECT_EQ(HeaderText(list, c), cols[c].header);
      EXPECT_EQ(SendMessageW(list, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(c), 0), cols[c].width);
    }
    RECT h;
    GetWindowRect(header, &h);
    EXPECT_EQ(h.bottom - h.top, 22);
    // The header row and one empty row.
    EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 1);
    const RECT row = ItemRect(list, 0, 1);
    EXPECT_EQ(row.bottom - row.top, 22);
  }
  // Columns 0 to 3 carry their header in the Korean font, the rest in the
  // window's.
  EXPECT_NE(window->gridMain()->HeaderFont(1), window->gridMain()->HeaderFont(4));

  // The listing convention: rows follow the model, texts come from it.
  ui::ResultGrid& g = form->Grid_Main;
  g.ClearNonFixed();
  g.SetRowCount(2);
  for (const char* name : {"김민수", "정하늘", "이영희"}) {
    g.AppendRow();
    g.SetCell(1, g.RowCount() - 2, name);
    g.SetCell(2, g.RowCount() - 2, "8207161******");
  }
  g.RemoveRows(g.RowCount(), 1);
  g.SetRowColor(2, ui::kRestoredRowColor);
  Pump();
  HWND list = window->gridMain()->hwnd();
  ASSERT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 3);
  EXPECT_EQ(CellText(list, 0, 1), "김민수");
  EXPECT_EQ(CellText(list, 2, 1), "이영희");
  EXPECT_EQ(CellText(list, 1, 2), "8207161******");
  // Drawn: the coloured row in light green, the others in the window's
  // colour (an empty cell's middle, where no text lies).
  UpdateWindow(list);
  HDC dc = GetDC(list);
  for (int item : {0, 1, 2}) {
    const RECT cell = ItemRect(list, item, 3);
    const COLORREF seen = GetPixel(dc, (cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
    EXPECT_EQ(seen, item == 1 ? RGB(238, 255, 238) : GetSysColor(COLOR_WINDOW)) << "item " << item;
  }
  ReleaseDC(list, dc);
  g.ClearNonFixed();
  Pump();
  EXPECT_EQ(window->gridMain()->RowBackground(2), GetSysColor(COLOR_WINDOW));
  // A header text written through row 0 shows in the header.
  form->Grid_Sub.SetCell(4, 0, "조제일자");
  EXPECT_EQ(HeaderText(window->gridSub()->hwnd(), 4), "조제일자");
}

// Presses on a grid, by where they land: what the grid's events receive and
// what becomes the current cell.
TEST_F(Window, MousePressesOnAGridGoToItsEventsWithTheRowUnderThePointer) {
  ui::ResultGrid& g = form->Grid_Sub;
  g.SetRowCount(4);
  for (int r = 1; r < 4; ++r) g.SetCell(1, r, "row" + std::to_string(r));
  g.SetCurrent(1, 1);
  Pump();
  auto* view = window->gridSub();
  using B = ui::win32::GridView::Button;
  std::vector<std::pair<B, int>> pressed;
  std::vector<std::pair<int, int>> clicked;
  view->onMousePressed = [&](B b, int row) { pressed.emplace_back(b, row); };
  view->onCellClicked = [&](int col, int row) { clicked.emplace_back(col, row); };
  const RECT cell = ItemRect(view->hwnd(), 1, 2);  // row 2, column 2
  const LPARAM onCell = MAKELPARAM((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
  const LPARAM below = MAKELPARAM(100, 190);
  struct Case {
    const char* what;
    HWND target;
    UINT message;
    LPARAM where;
    B button;
    int row;
    bool clicks;
    int currentRow;
  } cases[] = {
      {"right click on a row", view->hwnd(), WM_RBUTTONDOWN, onCell, B::Right, 2, false, 1},
      {"middle click on a row", view->hwnd(), WM_MBUTTONDOWN, onCell, B::Middle, 2, false, 1},
      {"left click below the rows", view->hwnd(), WM_LBUTTONDOWN, below, B::Left, -1, false, 1},
      {"left click on the header", view->header(), WM_LBUTTONDOWN, MAKELPARAM(50, 10), B::Left, 0, false, 1},
      {"right click on the header", view->header(), WM_RBUTTONDOWN, MAKELPARAM(50, 10), B::Right, 0, false, 1},
      {"left click on a row", view->hwnd(), WM_LBUTTONDOWN, onCell, B::Left, 2, true, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    pressed.clear();
    clicked.clear();
    SendMessageW(c.target, c.message, 0, c.where);
    ASSERT_EQ(pressed.size(), 1u);
    EXPECT_EQ(pressed[0].first, c.button);
    EXPECT_EQ(pressed[0].second, c.row);
    EXPECT_EQ(clicked.size(), c.clicks ? 1u : 0u);
    if (c.clicks) {
      EXPECT_EQ(clicked[0], (std::pair<int, int>{2, 2}));
    }
    EXPECT_EQ(g.CurrentRow(), c.currentRow);
  }
  EXPECT_EQ(g.CurrentCol(), 2);
  // While a handler runs, presses are dropped.
  pressed.clear();
  form->RunEvent([&] { SendMessageW(view->hwnd(), WM_LBUTTONDOWN, 0, onCell); });
  EXPECT_TRUE(pressed.empty());
}

TEST_F(Window, TypingGoesToTheModelsAndOnlyEnterInTheInputBoxesActs) {
  SetWindowTextW(C("Edit_Encrypt"), L"abc");
  SendMessageW(C("Edit_Encrypt"), WM_KEYDOWN, VK_RETURN, 0);
  SetWindowTextW(C("Edit_En_Jumin"), L"800101");
  EXPECT_EQ(form->Edit_Encrypt.text, "abc");
  EXPECT_EQ(form->Edit_En_Jumin.text, "800101");
  // Enter runs the handler (no module: an empty result), the box shows it.
  SendMessageW(C("Edit_En_Jumin"), WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_EQ(form->Edit_Encrypt.text, "");
  EXPECT_EQ(TextOf(C("Edit_Encrypt")), "");
  SetWindowTextW(C("Edit_De_Jumin"), L"xyz");
  SendMessageW(C("Edit_De_Jumin"), WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_EQ(TextOf(C("LB_Msg")), "복호화할 수 없는 값입니다.");

  // The year list, the check box and the pickers: the operator's choice is
  // the model's.
  form->Combo_Year.items = {"2013", "2012", "2011"};
  form->Combo_Year.itemIndex = 0;
  window->SyncFromModel();
  EXPECT_EQ(TextOf(C("Combo_Year")), "2013");
  SendMessageW(C("Combo_Year"), CB_SETCURSEL, 2, 0);
  SendMessageW(window->hwnd(), WM_COMMAND, MAKEWPARAM(ControlId("Combo_Year"), CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(C("Combo_Year")));
  EXPECT_EQ(form->Combo_Year.Text(), "2011");
  SendMessageW(C("Chk_Day"), BM_CLICK, 0, 0);
  EXPECT_TRUE(form->Chk_Day.checked);
  NMDATETIMECHANGE change{};
  change.nmhdr.hwndFrom = C("Dtp_End");
  change.nmhdr.idFrom = static_cast<UINT_PTR>(ControlId("Dtp_End"));
  change.nmhdr.code = DTN_DATETIMECHANGE;
  change.dwFlags = GDT_VALID;
  change.st.wYear = 2013;
  change.st.wMonth = 12;
  change.st.wDay = 31;
  SendMessageW(window->hwnd(), WM_NOTIFY, change.nmhdr.idFrom, reinterpret_cast<LPARAM>(&change));
  EXPECT_EQ(form->Dtp_End.date.Yyyymmdd(), "20131231");
  window->SyncFromModel();
  EXPECT_EQ(form->Combo_Year.Text(), "2011");
  EXPECT_TRUE(form->Chk_Day.checked);
}

TEST_F(Window, GaugeShowsItsPercentageAsABar) {
  form->Gauge1.SetMinValue(0);
  form->Gauge1.SetMaxValue(3);
  std::vector<int> shown;
  for (int i = 0; i < 3; ++i) {
    form->Gauge1.AddProgress(1);
    shown.push_back(window->gauge()->shownPercent());
  }
  EXPECT_EQ(shown, (std::vector<int>{33, 66, 100}));
  form->Gauge1.SetProgress(0);
  form->Gauge1.SetMaxValue(2);
  form->Gauge1.SetProgress(1);  // 50%
  HWND g = window->gauge()->hwnd();
  RedrawWindow(g, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  HDC dc = GetDC(g);
  RECT r = ClientOf(g);
  EXPECT_EQ(GetPixel(dc, r.right / 8, r.bottom / 2), RGB(0, 0, 0));        // the bar
  EXPECT_EQ(GetPixel(dc, r.right * 7 / 8, r.bottom / 2), RGB(255, 255, 255));  // the rest
  ReleaseDC(g, dc);
}

// The technician's view from its shortcut, after a Yes: the window grows to
// show every control at its place, the journal list and its buttons added.
TEST_F(Window, TechnicianViewFromItsShortcutAfterAYes) {
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  keys[VK_CONTROL] = keys[VK_SHIFT] = 0x80;
  SetKeyboardState(keys);
  MSG msg{C("Edit_En_Jumin"), WM_KEYDOWN, 'T', 0, 0, {}};
  shell.answer = false;
  EXPECT_TRUE(window->PreTranslate(msg));
  EXPECT_EQ(shell.questions, std::vector<std::string>{app::kTechnicianViewQuestion});
  EXPECT_EQ(ClientOf(window->hwnd()).right, 463);
  shell.answer = true;
  EXPECT_TRUE(window->PreTranslate(msg));
  keys[VK_CONTROL] = keys[VK_SHIFT] = 0;
  SetKeyboardState(keys);
  ASSERT_TRUE(form->TechnicianView);
  const RECT client = ClientOf(window->hwnd());
  EXPECT_EQ(client.right, form->ClientWidth);
  EXPECT_EQ(client.bottom, 614);
  std::vector<ui::TControl*> all = form->AllControls();
  all.insert(all.end(), {&form->Grid_JournalLayout, &form->Btn_Undo, &form->Btn_Cleanup});
  for (ui::TControl* m : all) {
    SCOPED_TRACE(m->name);
    HWND h = C(m->name);
    ASSERT_NE(h, nullptr);
    const RECT r = RectInParent(h);
    EXPECT_EQ(r.left, m->left);
    EXPECT_EQ(r.top, m->top);
    EXPECT_LE(r.right, client.right);
    EXPECT_TRUE(IsWindowVisible(h));
  }
  EXPECT_TRUE(IsWindowEnabled(C("Btn_Mapping")));
  EXPECT_TRUE(IsWindowEnabled(C("Btn_Check")));
  EXPECT_FALSE(IsWindowEnabled(C("Btn_Encrypt")));
  EXPECT_EQ(TextOf(C("Btn_Undo")), "되돌리기");
}

// Positions and font heights grow with the screen's density.
TEST(WindowDpi, LayoutAndFontsScaleWithTheDpi) {
  for (int dpi : {120, 144, 192}) {
    SCOPED_TRACE(dpi);
    CurrentDirectoryGuard cwd;
    ModuleRootFolder root;
    FakeShell shell;
    app::TForm1 form(shell, root.Paths());
    MainWindow window(form, dpi);
    const RECT client = ClientOf(window.hwnd());
    EXPECT_EQ(client.right, ui::win32::Scale(463, dpi));
    EXPECT_EQ(client.bottom, ui::win32::Scale(614, dpi));
    for (ui::TControl* m : {static_cast<ui::TControl*>(&form.Btn_De_Custom), static_cast<ui::TControl*>(&form.Label2),
                            static_cast<ui::TControl*>(&form.Edit_De_Jumin)}) {
      const RECT r = RectInParent(GetDlgItem(window.hwnd(), ControlId(m->name)));
      EXPECT_EQ(r.left, ui::win32::Scale(m->left, dpi)) << m->name;
      EXPECT_EQ(r.bottom - r.top, ui::win32::Scale(m->height, dpi)) << m->name;
      EXPECT_EQ(FontOf(GetDlgItem(window.hwnd(), ControlId(m->name))).lfHeight, -ui::win32::Scale(m->font.height, dpi));
    }
  }
  EXPECT_EQ(ui::win32::Scale(463, 96), 463);
  EXPECT_EQ(ui::win32::Scale(11, 120), 14);  // 13.75
  EXPECT_EQ(ui::win32::Scale(25, 144), 38);  // 37.5 rounds up
}

// The Win32 shell's boxes: icon, buttons, title and how each answer counts.
TEST_F(ShellWindow, BoxesShowTheirTextTitleAndButtonsAndAQuestionDefaultsToNo) {
  struct Case {
    const char* what;
    std::function<bool()> show;
    std::function<void(HWND)> answer;
    bool yesNo;
    bool result;
  } cases[] = {
      {"error", [this] { shell.ShowError("연결 실패."); return false; }, Key(VK_RETURN), false, false},
      {"information", [this] { shell.ShowMessage("복구완료"); return false; }, Press(IDOK), false, false},
      {"question, Yes", [this] { return shell.Confirm("계속?"); }, Press(IDYES), true, true},
      {"question, Enter", [this] { return shell.Confirm("계속?"); }, Key(VK_RETURN), true, false},
      {"question, Escape", [this] { return shell.Confirm("계속?"); }, Key(VK_ESCAPE), true, false},
      {"question, No", [this] { return shell.Confirm("계속?"); }, Press(IDNO), true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    bool result = !c.result;
    const auto boxes = WithBoxes([&] { result = c.show(); }, c.answer);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, Narrow(app::win32::Win32Shell::BoxTitle()));
    EXPECT_NE(boxes[0].text.find(c.yesNo ? "계속?" : std::string(c.what) == "error" ? "연결 실패." : "복구완료"),
              std::string::npos);
    EXPECT_EQ(boxes[0].yes, c.yesNo);
    EXPECT_EQ(boxes[0].no, c.yesNo);
    EXPECT_EQ(boxes[0].ok, !c.yesNo);
    EXPECT_EQ(result, c.result);
  }
  EXPECT_EQ(app::win32::Win32Shell::BoxTitle(), L"test_win32ui");
  // Owned by the window once it shows.
  EXPECT_EQ(shell.BoxOwner(), window->hwnd());
}

// One operation at a time, and a close during an operation stops it at its
// next safe point, says where, and then closes.
TEST_F(ShellWindow, SecondOperationIgnoredAndCloseStopsTheOperationAtItsNextSafePoint) {
  int statements = 0, second = 0;
  const auto boxes = WithBoxes(
      [&] {
        window->Dispatch([&] {
          form->LB_Msg.SetText("PS_MAIN 암호화중입니다..");
          EXPECT_EQ(TextOf(C("LB_Msg")), "PS_MAIN 암호화중입니다..");  // shown at once
          form->Gauge1.SetMaxValue(23);
          for (int i = 0; i < 100; ++i) {
            ++statements;
            form->Gauge1.SetProgress(i);
            if (i == 1) {
              EXPECT_FALSE(window->Dispatch([&] { ++second; }));
            }
            if (i == 3) PostMessageW(window->hwnd(), WM_CLOSE, 0, 0);
            shell.ProcessMessages();
          }
        });
      },
      Press(IDOK));
  EXPECT_EQ(second, 0);
  EXPECT_EQ(statements, 4);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text.rfind("창을 닫아 작업을 멈췄습니다(PS_MAIN 암호화중입니다.., 3/23)", 0), 0u) << boxes[0].text;
  EXPECT_FALSE(IsWindowVisible(window->hwnd()));
  EXPECT_FALSE(form->RunEvent([] {}));  // closed: shutdown ran
}

TEST_F(ShellWindow, CloseWhenIdleRunsShutdown) {
  SendMessageW(window->hwnd(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindowVisible(window->hwnd()));
  EXPECT_FALSE(form->RunEvent([] {}));
}

}  // namespace
}  // namespace jc::test
