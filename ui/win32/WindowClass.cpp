#include "ui/win32/WindowClass.h"

namespace jc::ui::win32 {

void RegisterWindowClass(const wchar_t* className, WNDPROC proc, HBRUSH background, HICON icon) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  if (GetClassInfoExW(GetModuleHandleW(nullptr), className, &wc)) return;
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hIcon = icon;
  wc.hbrBackground = background;
  wc.lpszClassName = className;
  RegisterClassExW(&wc);
}

HWND CreateDrawnChild(HWND parent, const wchar_t* className, WNDPROC proc, int id, void* self) {
  RegisterWindowClass(className, proc);
  HWND hwnd = CreateWindowExW(0, className, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, 0, 0, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
  SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  return hwnd;
}

}  // namespace jc::ui::win32
