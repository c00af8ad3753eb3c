#pragma once
// The progress gauge as a window of its own: a horizontal bar filled from
// the left in black on white inside a single-line border, with the
// percentage text centred over it, white where it lies on the bar and black
// elsewhere. It repaints when the gauge's whole percentage changes.
#include <windows.h>

#include "ui/Gauge.h"

namespace jc::ui::win32 {

class GaugeView {
 public:
  GaugeView(HWND parent, Gauge& gauge, HFONT font, int id);
  ~GaugeView();
  GaugeView(const GaugeView&) = delete;
  GaugeView& operator=(const GaugeView&) = delete;

  HWND hwnd() const { return hwnd_; }
  // The percentage last painted or scheduled.
  int shownPercent() const { return shown_; }
  // Schedules a repaint when the percentage differs from the one shown.
  void Refresh();

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  void Paint(HDC dc);

  Gauge& gauge_;
  HFONT font_;
  HWND hwnd_ = nullptr;
  int shown_ = 0;
};

}  // namespace jc::ui::win32
