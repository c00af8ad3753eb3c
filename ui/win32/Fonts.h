#pragma once
// The models' fonts, colours and alignments in the Win32 API: a font per
// FontSpec (family, pixel height scaled to the screen's dpi, weight), made
// once and kept for the process. The families are asked for by name
// ("Tahoma", "맑은 고딕"); Windows links Hangul into Tahoma, and a family
// that is missing falls back through the system's font substitutes.
#include <windows.h>

#include "ui/Controls.h"

namespace jc::ui::win32 {

// The font for a model's FontSpec at dpi; owned here, never deleted by the
// caller. Its colour is not part of it (see TextColor).
HFONT FontFor(const FontSpec& spec, int dpi);
// The same family and height, bold.
HFONT BoldFontFor(const FontSpec& spec, int dpi);

// A model colour (0x00BBGGRR) is a COLORREF as it stands.
inline COLORREF TextColor(Color color) { return static_cast<COLORREF>(color); }

// Edit box, static text and list view column alignment styles.
DWORD EditAlignStyle(Align align);
DWORD StaticAlignStyle(Align align);
int ListColumnFormat(Align align);

// The screen's dots per inch (horizontal).
int ScreenDpi();

}  // namespace jc::ui::win32
