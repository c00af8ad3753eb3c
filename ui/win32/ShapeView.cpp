#include "ui/win32/ShapeView.h"

#include "ui/win32/Fonts.h"
#include "ui/win32/WindowClass.h"

namespace jc::ui::win32 {

namespace {
constexpr wchar_t kClass[] = L"JcShape";
}

ShapeView::ShapeView(HWND parent, const TShape& model, int id) : model_(model) {
  hwnd_ = CreateDrawnChild(parent, kClass, &ShapeView::Proc, id, this);
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
