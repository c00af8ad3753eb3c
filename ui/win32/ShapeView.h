#pragma once
// A rectangle with a one-pixel frame in its pen colour, filled with its
// brush colour (the frames of the two labels at the bottom of the window).
#include <windows.h>

#include "ui/Controls.h"

namespace jc::ui::win32 {

class ShapeView {
 public:
  ShapeView(HWND parent, const TShape& model, int id);
  ~ShapeView();
  ShapeView(const ShapeView&) = delete;
  ShapeView& operator=(const ShapeView&) = delete;
  HWND hwnd() const { return hwnd_; }

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  const TShape& model_;
  HWND hwnd_ = nullptr;
};

}  // namespace jc::ui::win32
