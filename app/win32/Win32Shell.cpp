#include "app/win32/Win32Shell.h"

#include "common/WideText.h"

namespace jc::app::win32 {

namespace {

// While a question box is up: Escape answers No (a Yes/No box has no Cancel
// button for Escape to press).
HHOOK gEscapeHook = nullptr;

LRESULT CALLBACK EscapeAnswersNo(int code, WPARAM wp, LPARAM lp) {
  if (code == MSGF_DIALOGBOX) {
    auto* msg = reinterpret_cast<MSG*>(lp);
    if (msg && msg->message == WM_KEYDOWN && msg->wParam == VK_ESCAPE) {
      HWND box = GetAncestor(msg->hwnd, GA_ROOT);
      if (box && GetDlgItem(box, IDNO)) {
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDNO)));
        return 1;
      }
    }
  }
  return CallNextHookEx(gEscapeHook, code, wp, lp);
}

}  // namespace

void Win32Shell::Handle(MSG& msg) {
  if (pre_ && pre_(msg)) return;
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

void Win32Shell::ProcessMessages() {
  if (refresh_) refresh_();
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // The loop that runs the window ends on it, once the operation is done.
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    Handle(msg);
  }
  if (stop_) {
    const std::string why = stop_();
    stop_ = nullptr;
    throw OperationCancelled(why);
  }
}

void Win32Shell::Sleep(int ms) {
  // The operations pause between pages; the window does not respond meanwhile.
  if (ms > 0) ::Sleep(static_cast<DWORD>(ms));
}

std::wstring Win32Shell::BoxTitle() {
  wchar_t path[MAX_PATH * 2];
  const DWORD n = GetModuleFileNameW(nullptr, path, static_cast<DWORD>(std::size(path)));
  std::wstring name(path, n);
  const auto slash = name.find_last_of(L"\\/");
  if (slash != std::wstring::npos) name.erase(0, slash + 1);
  const auto dot = name.rfind(L'.');
  if (dot != std::wstring::npos && dot > 0) name.erase(dot);
  return name.empty() ? L"jumincheck" : name;
}

HWND Win32Shell::BoxOwner() const { return owner_ && IsWindowVisible(owner_) ? owner_ : nullptr; }

UINT Win32Shell::BoxFlags(UINT kind) const { return kind | (BoxOwner() ? MB_APPLMODAL : MB_TASKMODAL) | MB_SETFOREGROUND; }

int Win32Shell::Box(const std::string& text, UINT kind) {
  if (refresh_) refresh_();
  const std::wstring wide = Widen(text);
  return MessageBoxW(BoxOwner(), wide.c_str(), BoxTitle().c_str(), BoxFlags(kind));
}

void Win32Shell::ShowMessage(const std::string& text) { Box(text, MB_OK | MB_ICONINFORMATION); }

void Win32Shell::ShowError(const std::string& text) { Box(text, MB_OK | MB_ICONERROR); }

bool Win32Shell::Confirm(const std::string& text) {
  gEscapeHook = SetWindowsHookExW(WH_MSGFILTER, &EscapeAnswersNo, nullptr, GetCurrentThreadId());
  const int answer = Box(text, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
  if (gEscapeHook) UnhookWindowsHookEx(gEscapeHook);
  gEscapeHook = nullptr;
  return answer == IDYES;
}

}  // namespace jc::app::win32
