#include "app/win32/MainWindow.h"

#include <commctrl.h>

#include <algorithm>
#include <stdexcept>

#include "app/win32/ControlIds.h"
#include "app/win32/Win32Shell.h"
#include "common/WideText.h"
#include "ui/win32/Fonts.h"
#include "ui/win32/Scale.h"
#include "ui/win32/WindowClass.h"

namespace jc::app::win32 {

using ui::win32::FontFor;
using ui::win32::Scale;

namespace {

constexpr wchar_t kClass[] = L"JcMainWindow";
constexpr wchar_t kSelf[] = L"JcMainWindow";
// The window's frame: a caption with the system menu and a minimise button;
// no sizing border and no maximise button, since every size change is refused.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_CONTROLPARENT;
// The two input boxes: which key-down handler Enter runs.
enum EnterKey { kNoEnter = 0, kEncryptEnter = 1, kDecryptEnter = 2 };
constexpr wchar_t kEnterProp[] = L"JcEnterKey";

std::wstring WindowText(HWND hwnd) {
  const int n = GetWindowTextLengthW(hwnd);
  std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
  GetWindowTextW(hwnd, text.data(), n + 1);
  text.resize(static_cast<std::size_t>(n));
  return text;
}

void SetTextIfChanged(HWND hwnd, const std::string& utf8) {
  const std::wstring text = Widen(utf8);
  if (WindowText(hwnd) != text) SetWindowTextW(hwnd, text.c_str());
}

SYSTEMTIME ToSystemTime(const ui::DateTime& d) {
  SYSTEMTIME t{};
  t.wYear = static_cast<WORD>(d.year);
  t.wMonth = static_cast<WORD>(d.month);
  t.wDay = static_cast<WORD>(d.day);
  t.wHour = static_cast<WORD>(d.hour);
  t.wMinute = static_cast<WORD>(d.minute);
  t.wSecond = static_cast<WORD>(d.second);
  return t;
}

ui::DateTime FromSystemTime(const SYSTEMTIME& t) {
  return ui::DateTime{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

bool Inside(const ui::TControl& inner, const ui::TControl& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.left + inner.width <= outer.left + outer.width &&
         inner.top + inner.height <= outer.top + outer.height;
}

}  // namespace

MainWindow::MainWindow(TForm1& form, int dpi) : form_(form), dpi_(dpi > 0 ? dpi : ui::win32::ScreenDpi()) {
  // The system's button-face colour behind the controls.
  ui::win32::RegisterWindowClass(kClass, &MainWindow::Proc,
                                 reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1)),
                                 LoadIconW(nullptr, IDI_APPLICATION));
  const SIZE frame = FrameSizeFor(WantedClientSize());
  const std::wstring caption = Widen(form_.Caption);
  hwnd_ = CreateWindowExW(kExStyle, kClass, caption.c_str(), kStyle, CW_USEDEFAULT, CW_USEDEFAULT, frame.cx, frame.cy,
                          nullptr, nullptr, GetModuleHandleW(nullptr), this);
  if (!hwnd_) throw std::runtime_error("the window could not be created");
  SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(ui::FontSpec{}, dpi_)), FALSE);

  // Combo_Year: a drop-down list without typing; the operator's choice goes
  // to the model at once.
  HWND combo = Create(WC_COMBOBOXW, form_.Combo_Year, CBS_DROPDOWNLIST | WS_VSCROLL);
  // The items shown, kept here: the operations refresh the window after
  // every row, and reading the list back each time would cost more.
  auto shownItems = std::make_shared<std::vector<std::string>>();
  Bind(form_.Combo_Year, combo, [this, combo, shownItems] {
    if (form_.Combo_Year.items != *shownItems) {
      SendMessageW(combo, CB_RESETCONTENT, 0, 0);
      for (const auto& s : form_.Combo_Year.items) {
        const std::wstring item = Widen(s);
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
      }
      *shownItems = form_.Combo_Year.items;
    }
    const int count = static_cast<int>(shownItems->size());
    const int index = form_.Combo_Year.itemIndex < count ? form_.Combo_Year.itemIndex : -1;
    if (static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0)) != index)
      SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  });

  AddButton(form_.Btn_De_Custom, &TForm1::Btn_De_CustomClick);

  gauge_ = std::make_unique<ui::win32::GaugeView>(hwnd_, form_.Gauge1, FontFor(form_.Gauge1Layout.font, dpi_),
                                                  ControlId(form_.Gauge1Layout.name));
  Bind(form_.Gauge1Layout, gauge_->hwnd(), [this] { gauge_->Refresh(); });

  status_ = AddLabel(form_.LB_Msg);
  form_.LB_Msg.OnChanged = [this](const std::string& text) {
    if (status_) SetTextIfChanged(status_, text);
  };

  AddGrids();

  AddLabel(form_.Label1);
  AddLabel(form_.Label2);
  AddEdit(form_.Edit_En_Jumin, kEncryptEnter);
  AddEdit(form_.Edit_Encrypt, kNoEnter);
  AddEdit(form_.Edit_De_Jumin, kDecryptEnter);
  AddEdit(form_.Edit_Decrypt, kNoEnter);
  for (ui::TShape* shape : {&form_.Shape1, &form_.Shape2}) {
    shapes_.push_back(std::make_unique<ui::win32::ShapeView>(hwnd_, *shape, ControlId(shape->name)));
    Bind(*shape, shapes_.back()->hwnd());
  }

  // Beyond the right edge or hidden; each keeps its handler.
  for (const TForm1::ButtonClick& b : form_.OffscreenButtons()) AddButton(b.button, b.handler);

  HWND chk = Create(L"BUTTON", form_.Chk_Day, BS_AUTOCHECKBOX);
  Bind(form_.Chk_Day, chk, [this, chk] {
    SetTextIfChanged(chk, form_.Chk_Day.caption);
    const bool checked = SendMessageW(chk, BM_GETCHECK, 0, 0) == BST_CHECKED;
    if (checked != form_.Chk_Day.checked)
      SendMessageW(chk, BM_SETCHECK, form_.Chk_Day.checked ? BST_CHECKED : BST_UNCHECKED, 0);
  });
  for (ui::TDateTimePicker* dtp : {&form_.Dtp_Start, &form_.Dtp_End}) {
    HWND picker = Create(DATETIMEPICK_CLASSW, *dtp, DTS_SHORTDATEFORMAT);
    SendMessageW(picker, DTM_SETFORMATW, 0, reinterpret_cast<LPARAM>(L"yyyy-MM-dd"));
    Bind(*dtp, picker, [dtp, picker] {
      if (dtp->date.year < 1601) return;  // no date set yet
      SYSTEMTIME shown{};
      const SYSTEMTIME wanted = ToSystemTime(dtp->date);
      if (SendMessageW(picker, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&shown)) != GDT_VALID ||
          shown.wYear != wanted.wYear || shown.wMonth != wanted.wMonth || shown.wDay != wanted.wDay ||
          shown.wHour != wanted.wHour || shown.wMinute != wanted.wMinute || shown.wSecond != wanted.wSecond)
        SendMessageW(picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&wanted));
    });
  }
  AddLabel(form_.Label3);
  AddLabel(form_.Label4);

  SetTabOrder();
  SyncFromModel();

  if (auto* shell = dynamic_cast<Win32Shell*>(&form_.shell())) {
    shell->SetBeforeProcessing([this] { SyncFromModel(); });
    shell->SetPreTranslate([this](MSG& msg) { return PreTranslate(msg); });
    shell->SetBoxOwner(hwnd_);
  }
}

MainWindow::~MainWindow() {
  form_.LB_Msg.OnChanged = nullptr;
  if (auto* shell = dynamic_cast<Win32Shell*>(&form_.shell())) {
    shell->SetBeforeProcessing({});
    shell->SetPreTranslate({});
    shell->SetBoxOwner(nullptr);
  }
  // The views let go of their models first; the window takes its controls.
  gridMain_.reset();
  gridSub_.reset();
  gridJournal_.reset();
  gauge_.reset();
  shapes_.clear();
  if (hwnd_) {
    quitOnDestroy_ = false;
    DestroyWindow(hwnd_);
  }
  for (auto& [colour, brush] : brushes_) DeleteObject(brush);
}

int MainWindow::S(int px) const { return Scale(px, dpi_); }

SIZE MainWindow::WantedClientSize() const { return SIZE{S(form_.ClientWidth), S(form_.ClientHeight)}; }

SIZE MainWindow::FrameSizeFor(SIZE client) const {
  RECT r{0, 0, client.cx, client.cy};
  AdjustWindowRectEx(&r, kStyle, FALSE, kExStyle);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

HWND MainWindow::Create(const wchar_t* cls, ui::TControl& model, DWORD style, DWORD exStyle) {
  const int id = ControlId(model.name);
  if (id < 0) throw std::logic_error("no control id for " + model.name);
  style |= WS_CHILD | WS_CLIPSIBLINGS;
  if (model.tabOrder >= 0) style |= WS_TABSTOP;
  const std::wstring caption = Widen(model.caption);
  HWND hwnd = CreateWindowExW(exStyle, cls, caption.c_str(), style, S(model.left), S(model.top), S(model.width),
                              S(model.height), hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                              GetModuleHandleW(nullptr), nullptr);
  if (!hwnd) throw std::runtime_error("the control " + model.name + " could not be created");
  SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(model.font, dpi_)), FALSE);
  return hwnd;
}

void MainWindow::Bind(ui::TControl& model, HWND hwnd, std::function<void()> sync) {
  bindings_.push_back({&model, hwnd, std::move(sync)});
}

void MainWindow::AddButton(ui::TButton& model, void (TForm1::*handler)()) {
  HWND button = Create(L"BUTTON", model, BS_PUSHBUTTON);
  clicks_[ControlId(model.name)] = [this, handler] { (form_.*handler)(); };
  Bind(model, button, [button, &model] { SetTextIfChanged(button, model.caption); });
}

HWND MainWindow::AddLabel(ui::TLabel& model) {
  HWND label = Create(L"STATIC", model, SS_NOPREFIX | SS_CENTERIMAGE | ui::win32::StaticAlignStyle(model.align));
  Bind(model, label, [label, &model] { SetTextIfChanged(label, model.caption); });
  return label;
}

HWND MainWindow::AddEdit(ui::TEdit& model, int enterKeyHandler) {
  // A flat, one-pixel border.
  HWND edit = Create(L"EDIT", model, WS_BORDER | ES_AUTOHSCROLL | ui::win32::EditAlignStyle(model.align));
  SetPropW(edit, kSelf, this);
  SetPropW(edit, kEnterProp, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(enterKeyHandler)));
  editProcs_[edit] = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MainWindow::InputEditProc)));
  Bind(model, edit, [this, edit, &model] {
    syncing_ = true;
    SetTextIfChanged(edit, model.text);
    syncing_ = false;
  });
  return edit;
}

void MainWindow::AddGrids() {
  const auto accepts = [this] { return !form_.Busy(); };
  gridMain_ = std::make_unique<ui::win32::GridView>(hwnd_, form_.Grid_Main, form_.GridFont, dpi_,
                                                    ControlId(form_.Grid_MainLayout.name));
  gridSub_ = std::make_unique<ui::win32::GridView>(hwnd_, form_.Grid_Sub, form_.GridFont, dpi_,
                                                   ControlId(form_.Grid_SubLayout.name));
  for (auto* grid : {gridMain_.get(), gridSub_.get()}) grid->acceptsMouse = accepts;
  Bind(form_.Grid_MainLayout, gridMain_->hwnd());
  Bind(form_.Grid_SubLayout, gridSub_->hwnd());
  gridMain_->onCellClicked = [this](int col, int row) {
    Dispatch([this, col, row] { form_.Grid_MainClickCell(col, row); });
  };
  gridSub_->onMousePressed = [this](ui::win32::GridView::Button b, int row) {
    const MouseButton button = b == ui::win32::GridView::Button::Right    ? MouseButton::Right
                               : b == ui::win32::GridView::Button::Middle ? MouseButton::Middle
                                                                          : MouseButton::Left;
    Dispatch([this, button, row] { form_.Grid_SubMouseDown(button, row); });
  };
}

void MainWindow::AddJournalControls() {
  gridJournal_ = std::make_unique<ui::win32::GridView>(hwnd_, form_.Grid_Journal, form_.GridFont, dpi_,
                                                       ControlId(form_.Grid_JournalLayout.name));
  gridJournal_->acceptsMouse = [this] { return !form_.Busy(); };
  Bind(form_.Grid_JournalLayout, gridJournal_->hwnd());
  AddButton(form_.Btn_Undo, &TForm1::Btn_UndoClick);
  AddButton(form_.Btn_Cleanup, &TForm1::Btn_CleanupClick);
}

void MainWindow::SetTabOrder() {
  // Tab follows the order of the children (their z-order): the focusable
  // controls first, by their tab order; then the labels above the frames
  // they lie on.
  auto order = ui::InTabOrder(bindings_, [](const Binding& b) -> const ui::TControl& { return *b.model; });
  const auto isShape = [this](const Binding& b) { return b.model == &form_.Shape1 || b.model == &form_.Shape2; };
  for (const auto& b : bindings_)
    if (b.model->tabOrder < 0 && !isShape(b)) order.push_back(&b);
  for (const auto& b : bindings_)
    if (isShape(b)) order.push_back(&b);
  HWND after = HWND_TOP;
  for (const Binding* b : order) {
    SetWindowPos(b->hwnd, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    after = b->hwnd;
  }
}

HWND MainWindow::Control(const std::string& name) const {
  for (const auto& b : bindings_)
    if (b.model->name == name) return b.hwnd;
  return nullptr;
}

void MainWindow::SyncFromModel() {
  if (!hwnd_) return;
  if (form_.TechnicianView && !gridJournal_) {
    AddJournalControls();
    SetTabOrder();
  }
  SetTextIfChanged(hwnd_, form_.Caption);
  // The client area changes only with the technician's view.
  RECT client;
  GetClientRect(hwnd_, &client);
  const SIZE wanted = WantedClientSize();
  if (client.right != wanted.cx || client.bottom != wanted.cy) {
    const SIZE frame = FrameSizeFor(wanted);
    resizing_ = true;
    SetWindowPos(hwnd_, nullptr, 0, 0, frame.cx, frame.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    resizing_ = false;
  }
  for (const auto& b : bindings_) {
    const ui::TControl& m = *b.model;
    RECT r;
    GetWindowRect(b.hwnd, &r);
    MapWindowPoints(HWND_DESKTOP, hwnd_, reinterpret_cast<POINT*>(&r), 2);
    const RECT want{S(m.left), S(m.top), S(m.left) + S(m.width), S(m.top) + S(m.height)};
    // A drop-down list's window is as high as its closed field; its height
    // in the layout is that field's.
    const bool combo = b.model == &form_.Combo_Year;
    if (r.left != want.left || r.top != want.top || r.right - r.left != want.right - want.left ||
        (!combo && r.bottom - r.top != want.bottom - want.top))
      SetWindowPos(b.hwnd, nullptr, want.left, want.top, want.right - want.left,
                   combo ? S(m.height) + S(20 * 16) : want.bottom - want.top, SWP_NOZORDER | SWP_NOACTIVATE);
    if ((IsWindowEnabled(b.hwnd) != FALSE) != m.enabled) EnableWindow(b.hwnd, m.enabled);
    const bool shown = (GetWindowLongW(b.hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
    if (shown != m.visible) ShowWindow(b.hwnd, m.visible ? SW_SHOWNA : SW_HIDE);
    if (b.sync) b.sync();
  }
}

bool MainWindow::Dispatch(const std::function<void()>& handler) {
  const bool ran = form_.RunEvent(handler);
  SyncFromModel();
  // A close asked for while the handler ran happens once it has ended.
  if (ran && !form_.Busy() && form_.CloseRequested() && !closed_ && hwnd_) OnClose();
  return ran;
}

void MainWindow::ShowCentred() {
  RECT frame;
  GetWindowRect(hwnd_, &frame);
  const int w = frame.right - frame.left, h = frame.bottom - frame.top;
  HMONITOR monitor = MonitorFromWindow(hwnd_, MONITOR_DEFAULTTOPRIMARY);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (monitor && GetMonitorInfoW(monitor, &info)) area = info.rcMonitor;
  SetWindowPos(hwnd_, nullptr, area.left + (area.right - area.left - w) / 2, area.top + (area.bottom - area.top - h) / 2,
               0, 0, SWP_NOSIZE | SWP_NOZORDER);
  ShowWindow(hwnd_, SW_SHOWNORMAL);
  UpdateWindow(hwnd_);
  if (HWND first = GetNextDlgTabItem(hwnd_, nullptr, FALSE)) SetFocus(first);
}

bool MainWindow::PreTranslate(MSG& msg) {
  if (!hwnd_ || (msg.hwnd != hwnd_ && !IsChild(hwnd_, msg.hwnd))) return false;
  // The technician's view, from the default window: asked first.
  if (msg.message == WM_KEYDOWN && msg.wParam == 'T' && GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_SHIFT) < 0) {
    Dispatch([this] { form_.TechnicianViewRequested(); });
    return true;
  }
  return IsDialogMessageW(hwnd_, &msg) != FALSE;
}

int MainWindow::RunMessageLoop() {
  MSG msg;
  auto* shell = dynamic_cast<Win32Shell*>(&form_.shell());
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (shell) {
      shell->Handle(msg);
    } else if (!PreTranslate(msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  return msg.message == WM_QUIT ? static_cast<int>(msg.wParam) : 0;
}

void MainWindow::OnClose() {
  if (closed_) return;
  if (form_.Busy()) {
    // The running operation stops at its next safe point (between two
    // statements: each statement before it took effect whole); Dispatch
    // closes the window then.
    auto describe = form_.CloseWhileBusy();
    if (auto* shell = dynamic_cast<Win32Shell*>(&form_.shell())) shell->RequestStop(std::move(describe));
    return;
  }
  form_.RunEvent([this] { form_.FormClose(); });
  closed_ = true;
  ShowWindow(hwnd_, SW_HIDE);
  if (quitOnDestroy_) DestroyWindow(hwnd_);
}

void MainWindow::OnCommand(int id, int code, HWND control) {
  if (syncing_) return;
  if (control == Control(form_.Combo_Year.name)) {
    if (code == CBN_SELCHANGE)
      form_.Combo_Year.itemIndex = static_cast<int>(SendMessageW(control, CB_GETCURSEL, 0, 0));
    return;
  }
  if (control == Control(form_.Chk_Day.name)) {
    if (code == BN_CLICKED) form_.Chk_Day.checked = SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
    return;
  }
  if (code == EN_CHANGE) {
    // What the operator types is the model's text at once: the Enter key's
    // handler reads it from there.
    for (ui::TEdit* e : {&form_.Edit_En_Jumin, &form_.Edit_Encrypt, &form_.Edit_De_Jumin, &form_.Edit_Decrypt})
      if (control == Control(e->name)) e->text = Narrow(WindowText(control));
    return;
  }
  if (code == BN_CLICKED) {
    auto it = clicks_.find(id);
    if (it != clicks_.end()) {
      auto handler = it->second;
      Dispatch(handler);
    }
  }
}

bool MainWindow::OnNotify(NMHDR& hdr, LRESULT& result) {
  for (auto* grid : {gridMain_.get(), gridSub_.get(), gridJournal_.get()})
    if (grid && grid->HandleNotify(hdr, result)) return true;
  if (hdr.code == DTN_DATETIMECHANGE) {
    // The technician's date range goes to the model, which the dispensing
    // audits read.
    const auto& change = reinterpret_cast<const NMDATETIMECHANGE&>(hdr);
    for (ui::TDateTimePicker* dtp : {&form_.Dtp_Start, &form_.Dtp_End})
      if (hdr.hwndFrom == Control(dtp->name) && change.dwFlags == GDT_VALID) dtp->date = FromSystemTime(change.st);
    result = 0;
    return true;
  }
  return false;
}

LRESULT MainWindow::OnControlColour(HDC dc, HWND control) {
  const ui::TControl* model = nullptr;
  for (const auto& b : bindings_)
    if (b.hwnd == control) model = b.model;
  COLORREF back = GetSysColor(COLOR_BTNFACE);
  COLORREF text = GetSysColor(COLOR_WINDOWTEXT);
  if (model) {
    text = ui::win32::TextColor(model->font.color);
    // A label that lies on a frame shows the frame's fill behind its text.
    for (const ui::TShape* shape : {&form_.Shape1, &form_.Shape2})
      if (model != shape && Inside(*model, *shape)) back = ui::win32::TextColor(shape->brushColor);
  }
  SetTextColor(dc, text);
  SetBkColor(dc, back);
  HBRUSH& brush = brushes_[back];
  if (!brush) brush = CreateSolidBrush(back);
  return reinterpret_cast<LRESULT>(brush);
}

LRESULT MainWindow::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:
      OnCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
      return 0;
    case WM_NOTIFY: {
      LRESULT result = 0;
      if (auto* hdr = reinterpret_cast<NMHDR*>(lp); hdr && OnNotify(*hdr, result)) return result;
      break;
    }
    case WM_CTLCOLORSTATIC:
      return OnControlColour(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp));
    case WM_GETMINMAXINFO: {
      // Every size change is refused (FormCanResize): the frame's tracking
      // size is the one size.
      auto* info = reinterpret_cast<MINMAXINFO*>(lp);
      const SIZE frame = FrameSizeFor(WantedClientSize());
      info->ptMinTrackSize = POINT{frame.cx, frame.cy};
      info->ptMaxTrackSize = POINT{frame.cx, frame.cy};
      info->ptMaxSize = POINT{frame.cx, frame.cy};
      return 0;
    }
    case WM_WINDOWPOSCHANGING: {
      auto* pos = reinterpret_cast<WINDOWPOS*>(lp);
      if (!resizing_ && !(pos->flags & SWP_NOSIZE)) {
        const SIZE frame = FrameSizeFor(WantedClientSize());
        if ((pos->cx != frame.cx || pos->cy != frame.cy) && !form_.FormCanResize(pos->cx, pos->cy)) {
          pos->cx = frame.cx;
          pos->cy = frame.cy;
        }
      }
      break;
    }
    case WM_SYSCOMMAND:
      if ((wp & 0xFFF0) == SC_MAXIMIZE || (wp & 0xFFF0) == SC_SIZE) return 0;
      break;
    case WM_CLOSE:
      OnClose();
      return 0;
    case WM_DESTROY:
      hwnd_ = nullptr;
      if (quitOnDestroy_) PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd_ ? hwnd_ : nullptr, msg, wp, lp);
}

LRESULT CALLBACK MainWindow::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    SetPropW(hwnd, kSelf, self);
    self->hwnd_ = hwnd;
  }
  auto* self = static_cast<MainWindow*>(GetPropW(hwnd, kSelf));
  if (msg == WM_NCDESTROY) RemovePropW(hwnd, kSelf);
  if (!self || self->hwnd_ != hwnd) return DefWindowProcW(hwnd, msg, wp, lp);
  return self->OnMessage(msg, wp, lp);
}

LRESULT CALLBACK MainWindow::InputEditProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = static_cast<MainWindow*>(GetPropW(hwnd, kSelf));
  if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
  const WNDPROC base = self->editProcs_[hwnd];
  const auto enter = static_cast<int>(reinterpret_cast<INT_PTR>(GetPropW(hwnd, kEnterProp)));
  switch (msg) {
    case WM_GETDLGCODE:
      // Enter reaches the box instead of pressing a default button.
      if (lp && reinterpret_cast<MSG*>(lp)->message == WM_KEYDOWN && reinterpret_cast<MSG*>(lp)->wParam == VK_RETURN)
        return CallWindowProcW(base, hwnd, msg, wp, lp) | DLGC_WANTALLKEYS;
      break;
    case WM_KEYDOWN:
      // Key 13, whatever the modifiers.
      if (wp == VK_RETURN) {
        if (enter == kEncryptEnter) self->Dispatch([self] { self->form_.Edit_En_JuminKeyDown(13); });
        if (enter == kDecryptEnter) self->Dispatch([self] { self->form_.Edit_De_JuminKeyDown(13); });
        return 0;
      }
      break;
    case WM_CHAR:
      if (wp == L'\r' || wp == L'\n') return 0;  // no beep, no line break
      break;
    case WM_NCDESTROY:
      RemovePropW(hwnd, kSelf);
      RemovePropW(hwnd, kEnterProp);
      break;
    default:
      break;
  }
  return CallWindowProcW(base, hwnd, msg, wp, lp);
}

}  // namespace jc::app::win32
