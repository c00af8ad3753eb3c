#pragma once
// Reading the Win32 window back through the Win32 API, and answering the
// modal boxes it raises, for the window's tests (run under Wine on a virtual
// display).
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "common/WideText.h"

namespace jc::test {

inline std::string TextOf(HWND hwnd) {
  const auto n = static_cast<int>(SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0));
  std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
  SendMessageW(hwnd, WM_GETTEXT, static_cast<WPARAM>(n + 1), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(n));
  return Narrow(text);
}

// A child's rectangle in its parent's client coordinates.
inline RECT RectInParent(HWND child) {
  RECT r;
  GetWindowRect(child, &r);
  MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

inline LOGFONTW FontOf(HWND hwnd) {
  LOGFONTW lf{};
  auto font = reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
  if (font) GetObjectW(font, sizeof lf, &lf);
  return lf;
}

inline bool HasStyle(HWND hwnd, LONG style) { return (GetWindowLongW(hwnd, GWL_STYLE) & style) == style; }

// Lets every queued message run (paints included).
inline void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

inline std::string CellText(HWND list, int item, int sub) {
  wchar_t buffer[512] = {};
  LVITEMW it{};
  it.iSubItem = sub;
  it.pszText = buffer;
  it.cchTextMax = 512;
  SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&it));
  return Narrow(buffer);
}

inline std::string HeaderText(HWND list, int col) {
  wchar_t buffer[256] = {};
  LVCOLUMNW c{};
  c.mask = LVCF_TEXT;
  c.pszText = buffer;
  c.cchTextMax = 256;
  SendMessageW(list, LVM_GETCOLUMNW, static_cast<WPARAM>(col), reinterpret_cast<LPARAM>(&c));
  return Narrow(buffer);
}

inline RECT ItemRect(HWND list, int item, int sub) {
  RECT r{};
  r.top = sub;
  r.left = LVIR_BOUNDS;
  SendMessageW(list, LVM_GETSUBITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&r));
  return r;
}

// A box the code under test raised: what it showed, how it was answered.
struct SeenBox {
  std::string title, text;
  bool ok = false, yes = false, no = false;  // its buttons
  HICON icon = nullptr;
};

namespace detail {
inline HHOOK& BoxHook() {
  static HHOOK hook = nullptr;
  return hook;
}
inline std::vector<SeenBox>*& Seen() {
  static std::vector<SeenBox>* seen = nullptr;
  return seen;
}
inline std::function<void(HWND)>& Answer() {
  static std::function<void(HWND)> answer;
  return answer;
}
inline LRESULT CALLBACK OnActivate(int code, WPARAM wp, LPARAM lp) {
  if (code == HCBT_ACTIVATE) {
    HWND box = reinterpret_cast<HWND>(wp);
    wchar_t cls[32] = {};
    GetClassNameW(box, cls, 32);
    if (std::wstring(cls) == L"#32770" && Seen() && !GetPropW(box, L"JcSeen")) {
      SetPropW(box, L"JcSeen", reinterpret_cast<HANDLE>(1));
      SeenBox b;
      b.title = TextOf(box);
      if (HWND text = GetDlgItem(box, 0xFFFF)) b.text = TextOf(text);
      b.ok = GetDlgItem(box, IDOK) != nullptr;
      b.yes = GetDlgItem(box, IDYES) != nullptr;
      b.no = GetDlgItem(box, IDNO) != nullptr;
      if (HWND icon = GetDlgItem(box, 0x0014)) b.icon = reinterpret_cast<HICON>(SendMessageW(icon, STM_GETICON, 0, 0));
      Seen()->push_back(b);
      if (Answer()) Answer()(box);
    }
  }
  return CallNextHookEx(BoxHook(), code, wp, lp);
}
}  // namespace detail

// Runs fn; every message box it raises on this thread is recorded and
// answered by answer(box) (which posts a key or a button click to it).
inline std::vector<SeenBox> WithBoxes(const std::function<void()>& fn, std::function<void(HWND)> answer) {
  std::vector<SeenBox> seen;
  detail::Seen() = &seen;
  detail::Answer() = std::move(answer);
  detail::BoxHook() = SetWindowsHookExW(WH_CBT, &detail::OnActivate, nullptr, GetCurrentThreadId());
  fn();
  UnhookWindowsHookEx(detail::BoxHook());
  detail::BoxHook() = nullptr;
  detail::Seen() = nullptr;
  detail::Answer() = nullptr;
  return seen;
}

// Answers: a button by its id, or a key pressed in the box.
inline std::function<void(HWND)> Press(int id) {
  return [id](HWND box) { PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); };
}
inline std::function<void(HWND)> Key(WPARAM vk) {
  return [vk](HWND box) {
    PostMessageW(box, WM_KEYDOWN, vk, 0);
    PostMessageW(box, WM_KEYUP, vk, 0);
  };
}

}  // namespace jc::test
