#pragma once
// The window's layout is given in pixels at 96 dots per inch; on a screen of
// another density every position, size and font height grows with it.
namespace jc::ui::win32 {

inline constexpr int kDesignDpi = 96;

// px at 96 dpi to px at dpi, rounded to the nearest pixel.
constexpr int Scale(int px, int dpi) {
  const long long n = static_cast<long long>(px) * dpi;
  return static_cast<int>(n >= 0 ? (n + kDesignDpi / 2) / kDesignDpi : -((-n + kDesignDpi / 2) / kDesignDpi));
}

}  // namespace jc::ui::win32
