#include "ui/win32/ShapeView.h"

#include "ui/win32/Fonts.h"

namespace jc::ui::win32 {

namespace {
constexpr wchar_t kClass[] = L"JcShape";
}

ShapeView::ShapeView(HWND parent, const TShape& model, int id) : model_(model) {
  static const ATOM registered = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &ShapeView::Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kClass;
    return RegisterClassExW(&wc);
  }();
  (void)registered;
  hwnd_ = CreateWindowExW(0, kClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, 0, 0, parent,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
  SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

ShapeView::~ShapeView() {
  if (hwnd_) {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
}

LRESULT CALLBACK ShapeView::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<ShapeView*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;
    case WM_NCHITTEST:
      return HTTRANSPARENT;  // clicks go to what lies beneath
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      if (self) {
        RECT r;
        GetClientRect(hwnd, &r);
        HBRUSH fill = CreateSolidBrush(TextColor(self->model_.brushColor));
        HBRUSH frame = CreateSolidBrush(TextColor(self->model_.penColor));
        FillRect(dc, &r, fill);
        FrameRect(dc, &r, frame);
        DeleteObject(fill);
        DeleteObject(frame);
      }
      EndPaint(hwnd, &ps);
      return 0;
    }
    default:
      return DefWindowProcW(hwnd, msg, wp, lp);
  }
}

}  // namespace jc::ui::win32
