#pragma once
// The window classes of the views' own drawn controls and of the main window:
// registered once per process, and a drawn child of such a class made with
// its view object attached (GWLP_USERDATA), which its procedure reads back.
#include <windows.h>

namespace jc::ui::win32 {

// Registers className with proc, the arrow cursor and the given background
// and icon (none: the procedure paints everything); a second call for the
// same name does nothing.
void RegisterWindowClass(const wchar_t* className, WNDPROC proc, HBRUSH background = nullptr, HICON icon = nullptr);

// A visible child of parent of the class className (registered with proc
// first), with the control id id and self attached.
HWND CreateDrawnChild(HWND parent, const wchar_t* className, WNDPROC proc, int id, void* self);

}  // namespace jc::ui::win32
