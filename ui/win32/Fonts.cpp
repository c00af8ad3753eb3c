#include "ui/win32/Fonts.h"

#include <commctrl.h>

#include <map>
#include <tuple>

#include "common/WideText.h"
#include "ui/win32/Scale.h"

namespace jc::ui::win32 {

namespace {

HFONT Make(const FontSpec& spec, int dpi, bool bold) {
  using Key = std::tuple<std::string, int, bool>;
  static std::map<Key, HFONT> made;  // the window's few fonts, for the whole run
  const int height = Scale(spec.height > 0 ? spec.height : 11, dpi);
  const Key key{spec.name, height, bold};
  if (auto it = made.find(key); it != made.end()) return it->second;
  LOGFONTW lf{};
  // A negative height asks for the character height, as the layout gives it.
  lf.lfHeight = -height;
  lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
  lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  lf.lfQuality = DEFAULT_QUALITY;
  lf.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
  const std::wstring face = Widen(spec.name);
  lstrcpynW(lf.lfFaceName, face.c_str(), LF_FACESIZE);
  HFONT font = CreateFontIndirectW(&lf);
  made.emplace(key, font);
  return font;
}

}  // namespace

HFONT FontFor(const FontSpec& spec, int dpi) { return Make(spec, dpi, spec.bold); }
HFONT BoldFontFor(const FontSpec& spec, int dpi) { return Make(spec, dpi, true); }

DWORD EditAlignStyle(Align align) {
  switch (align) {
    case Align::Center: return ES_CENTER;
    case Align::Right: return ES_RIGHT;
    case Align::Left: break;
  }
  return ES_LEFT;
}

DWORD StaticAlignStyle(Align align) {
  switch (align) {
    case Align::Center: return SS_CENTER;
    case Align::Right: return SS_RIGHT;
    case Align::Left: break;
  }
  return SS_LEFT;
}

int ListColumnFormat(Align align) {
  switch (align) {
    case Align::Center: return LVCFMT_CENTER;
    case Align::Right: return LVCFMT_RIGHT;
    case Align::Left: break;
  }
  return LVCFMT_LEFT;
}

int ScreenDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : kDesignDpi;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : kDesignDpi;
}

}  // namespace jc::ui::win32
