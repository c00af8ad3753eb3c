#include "ui/win32/GaugeView.h"

#include "common/WideText.h"
#include "ui/win32/WindowClass.h"

namespace jc::ui::win32 {

namespace {
constexpr wchar_t kClass[] = L"JcGauge";
}

GaugeView::GaugeView(HWND parent, Gauge& gauge, HFONT font, int id)
    : gauge_(gauge), font_(font), shown_(gauge.PercentDone()) {
  hwnd_ = CreateDrawnChild(parent, kClass, &GaugeView::Proc, id, this);
  gauge_.OnPercentChanged = [this](int) { Refresh(); };
}

GaugeView::~GaugeView() {
  gauge_.OnPercentChanged = nullptr;
  if (hwnd_) {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
}

void GaugeView::Refresh() {
  const int percent = gauge_.PercentDone();
  if (percent == shown_) return;
  shown_ = percent;
  InvalidateRect(hwnd_, nullptr, FALSE);
}

void GaugeView::Paint(HDC dc) {
  shown_ = gauge_.PercentDone();
  RECT outer;
  GetClientRect(hwnd_, &outer);
  FrameRect(dc, &outer, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  RECT inner = outer;
  InflateRect(&inner, -1, -1);
  const int filled = (inner.right - inner.left) * shown_ / 100;
  RECT bar = inner, rest = inner;
  bar.right = inner.left + filled;
  rest.left = bar.right;
  FillRect(dc, &bar, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  FillRect(dc, &rest, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));

  const std::wstring text = Widen(gauge_.Text());
  HGDIOBJ old = SelectObject(dc, font_);
  SetBkMode(dc, TRANSPARENT);
  const int saved = SaveDC(dc);
  for (const auto& [part, colour] : {std::pair{rest, RGB(0, 0, 0)}, std::pair{bar, RGB(255, 255, 255)}}) {
    if (part.right <= part.left) continue;
    SelectClipRgn(dc, nullptr);
    IntersectClipRect(dc, part.left, part.top, part.right, part.bottom);
    SetTextColor(dc, colour);
    RECT r = inner;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  }
  RestoreDC(dc, saved);
  SelectObject(dc, old);
}

LRESULT CALLBACK GaugeView::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<GaugeView*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;  // the paint covers every pixel
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      if (self) self->Paint(dc);
      EndPaint(hwnd, &ps);
      return 0;
    }
    default:
      return DefWindowProcW(hwnd, msg, wp, lp);
  }
}

}  // namespace jc::ui::win32
