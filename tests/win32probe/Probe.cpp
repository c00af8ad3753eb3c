// Drives the program's window from another process, as an operator would,
// and prints what it finds as "key value" lines: the stand-in server's
// window test runs it under Wine beside the program, on the same display.
//   jc_win32_probe STEP...
//     layout      waits (bounded) for the window; its client size, every
//                 control's place and state, and the boxes open
//     audit       clicks "고객 복호화검증"; waits for the final status line;
//                 prints it and Grid_Main's rows
//     history     clicks the first row of Grid_Main; prints Grid_Sub's rows
//     repair=ROW  right-clicks row ROW of Grid_Sub; prints the question and
//                 answers Yes, then prints the information box after it
//     repair-sound  the same on the first row of Grid_Sub whose number
//                 decrypts whole (no '*'), as the operator picks it
//     close       closes the window and waits until it is gone
// Clicks are real mouse input (SendInput) at the control's place on screen,
// sent once the window answers and is in front.
#include <windows.h>
#include <commctrl.h>
#include <fcntl.h>
#include <io.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/win32/ControlIds.h"
#include "common/WideText.h"

namespace {

using jc::Narrow;
using jc::Widen;
using jc::app::win32::ControlId;

const wchar_t kTitle[] = L"소득공제 주민번호 검증(ver 1.0)";

[[noreturn]] void Fail(const std::string& why) {
  std::printf("error %s\n", why.c_str());
  std::fflush(stdout);
  std::exit(1);
}

// Waits, bounded, for what `ready` looks for; polls every 50 ms.
bool WaitFor(const std::function<bool()>& ready, int seconds) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (!ready()) {
    if (std::chrono::steady_clock::now() > until) return false;
    Sleep(50);
  }
  return true;
}

std::string Text(HWND hwnd) {
  wchar_t buffer[4096] = {};
  SendMessageTimeoutW(hwnd, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(buffer), SMTO_BLOCK, 5000, nullptr);
  return Narrow(buffer);
}

std::string OneLine(std::string s) {
  for (char& c : s)
    if (c == '\n' || c == '\r' || c == '\t') c = ' ';
  return s;
}

HWND gMain = nullptr;
DWORD gPid = 0;

HWND Control(const char* name) { return GetDlgItem(gMain, ControlId(name)); }

// The program's message boxes that show.
std::vector<HWND> Boxes() {
  std::vector<HWND> boxes;
  EnumWindows(
      [](HWND hwnd, LPARAM lp) -> BOOL {
        wchar_t cls[32] = {};
        GetClassNameW(hwnd, cls, 32);
        DWORD pid = 0;
        GetWindowThreadProcessId(hwnd, &pid);
        if (pid == gPid && IsWindowVisible(hwnd) && std::wstring(cls) == L"#32770")
          reinterpret_cast<std::vector<HWND>*>(lp)->push_back(hwnd);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&boxes));
  return boxes;
}

// Waits (bounded) until the program's window thread answers a message and
// its window is the foreground one: input sent before that can reach a
// window that is still being activated, and be lost on the way.
void ReadyForInput() {
  DWORD_PTR ignored = 0;
  if (!SendMessageTimeoutW(gMain, WM_NULL, 0, 0, SMTO_BLOCK, 60000, &ignored)) Fail("the window does not answer");
  if (GetForegroundWindow() != gMain) SetForegroundWindow(gMain);
  if (!WaitFor([] { return GetForegroundWindow() == gMain; }, 10)) std::printf("note the window is not in front\n");
}

POINT CentreOf(HWND hwnd) {
  RECT r;
  GetWindowRect(hwnd, &r);
  return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// Real mouse input at a point of the screen: one event (a move, a press or
// a release) at that point.
void SendMouse(POINT p, DWORD what) {
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dx = static_cast<LONG>(p.x * 65535LL / (w - 1));
  in.mi.dy = static_cast<LONG>(p.y * 65535LL / (h - 1));
  in.mi.dwFlags = what | MOUSEEVENTF_ABSOLUTE;
  SendInput(1, &in, sizeof(INPUT));
}

// A click at a point of the screen, on a window that answers.
void ClickAt(POINT p, bool right) {
  ReadyForInput();
  SendMouse(p, MOUSEEVENTF_MOVE);
  SendMouse(p, right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN);
  SendMouse(p, right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP);
}

// A left click on a push button of the program, as an operator makes it.
// The button is released only once it shows pressed: a press that did not
// reach it (input lost while the window was being activated) is released
// and made again, which runs nothing twice, since a button acts on its
// release only. Each press made again is printed ("click-again NAME").
void ClickButton(const char* name) {
  HWND button = Control(name);
  const auto pressed = [button] {
    DWORD_PTR state = 0;
    return SendMessageTimeoutW(button, BM_GETSTATE, 0, 0, SMTO_BLOCK, 5000, &state) && (state & BST_PUSHED);
  };
  for (int attempt = 0; attempt < 3; ++attempt) {
    ReadyForInput();
    const POINT p = CentreOf(button);
    SendMouse(p, MOUSEEVENTF_MOVE);
    SendMouse(p, MOUSEEVENTF_LEFTDOWN);
    const bool down = WaitFor(pressed, 10);
    SendMouse(p, MOUSEEVENTF_LEFTUP);
    if (down) return;
    std::printf("click-again %s\n", name);
  }
  Fail(std::string("the button ") + name + " never showed pressed under the mouse");
}

// A list view of the program, read through memory of its process (list
// view messages carry pointers that do not cross processes).
class RemoteList {
 public:
  explicit RemoteList(HWND list) : list_(list) {
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, gPid);
    if (!process_) Fail("cannot open the program's process");
    memory_ = VirtualAllocEx(process_, nullptr, 8192, MEM_COMMIT, PAGE_READWRITE);
    if (!memory_) Fail("cannot reach the program's memory");
  }
  ~RemoteList() {
    VirtualFreeEx(process_, memory_, 0, MEM_RELEASE);
    CloseHandle(process_);
  }
  int Count() const { return static_cast<int>(SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0)); }
  int Columns() const {
    HWND header = reinterpret_cast<HWND>(SendMessageW(list_, LVM_GETHEADER, 0, 0));
    return static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
  }
  std::string Cell(int item, int sub) const {
    LVITEMW it{};
    it.iSubItem = sub;
    it.cchTextMax = 1024;
    it.pszText = reinterpret_cast<wchar_t*>(static_cast<char*>(memory_) + 1024);
    WriteProcessMemory(process_, memory_, &it, sizeof it, nullptr);
    SendMessageW(list_, LVM_GETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(memory_));
    wchar_t text[1024] = {};
    ReadProcessMemory(process_, it.pszText, text, sizeof text - sizeof(wchar_t), nullptr);
    return Narrow(text);
  }
  // The cell's place on the screen.
  POINT CellCentre(int item, int sub) const {
    RECT r{};
    r.top = sub;
    r.left = LVIR_BOUNDS;
    WriteProcessMemory(process_, memory_, &r, sizeof r, nullptr);
    SendMessageW(list_, LVM_GETSUBITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(memory_));
    ReadProcessMemory(process_, memory_, &r, sizeof r, nullptr);
    POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ClientToScreen(list_, &p);
    return p;
  }
  void Print(const char* key) const {
    std::printf("%s-rows %d\n", key, Count());
    for (int i = 0; i < Count(); ++i) {
      std::string line;
      for (int c = 0; c < Columns(); ++c) {
        if (c) line += '\t';
        line += OneLine(Cell(i, c));
      }
      std::printf("%s-row %s\n", key, line.c_str());
    }
  }

 private:
  HWND list_;
  HANDLE process_ = nullptr;
  void* memory_ = nullptr;
};

HWND WaitForBox(int seconds) {
  HWND box = nullptr;
  if (!WaitFor([&] { auto b = Boxes(); box = b.empty() ? nullptr : b.front(); return box != nullptr; }, seconds))
    return nullptr;
  return box;
}

std::string BoxText(HWND box) { return OneLine(Text(GetDlgItem(box, 0xFFFF))); }

void Answer(HWND box, int id) {
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, id)));
  if (!WaitFor([&] { return !IsWindow(box) || !IsWindowVisible(box); }, 30)) Fail("the box stayed open");
}

void Layout() {
  RECT client;
  GetClientRect(gMain, &client);
  std::printf("client %ldx%ld\n", client.right, client.bottom);
  for (std::string_view name : jc::app::win32::kControlNames) {
    HWND h = GetDlgItem(gMain, ControlId(name));
    if (!h) continue;
    RECT r;
    GetWindowRect(h, &r);
    MapWindowPoints(HWND_DESKTOP, gMain, reinterpret_cast<POINT*>(&r), 2);
    const bool visible = (GetWindowLongW(h, GWL_STYLE) & WS_VISIBLE) != 0;
    std::printf("control %.*s %ld %ld %ld %ld %d %d\n", static_cast<int>(name.size()), name.data(), r.left, r.top,
                r.right - r.left, r.bottom - r.top, visible ? 1 : 0, IsWindowEnabled(h) ? 1 : 0);
  }
  std::printf("boxes %zu\n", Boxes().size());
}

void Audit() {
  ClickButton("Btn_De_Custom");
  // The audit ends with its totals in the status line ("... 검색").
  if (!WaitFor([] { return Text(Control("LB_Msg")).find("검색") != std::string::npos; }, 120)) {
    DWORD_PTR ignored = 0;
    const bool answers = SendMessageTimeoutW(gMain, WM_NULL, 0, 0, SMTO_BLOCK, 5000, &ignored) != 0;
    Fail("the audit did not end: status '" + Text(Control("LB_Msg")) + "', boxes " + std::to_string(Boxes().size()) +
         (answers ? ", Grid_Main items " + std::to_string(RemoteList(Control("Grid_Main")).Count())
                  : std::string(", the window does not answer")));
  }
  std::printf("status %s\n", OneLine(Text(Control("LB_Msg"))).c_str());
  std::printf("year %s\n", Text(Control("Combo_Year")).c_str());
  RemoteList(Control("Grid_Main")).Print("main");
}

void History() {
  RemoteList main(Control("Grid_Main"));
  if (main.Count() < 1) Fail("Grid_Main lists nothing");
  ClickAt(main.CellCentre(0, 1), false);
  RemoteList sub(Control("Grid_Sub"));
  if (!WaitFor([&] { return sub.Count() >= 1 && !sub.Cell(0, 1).empty(); }, 60)) Fail("Grid_Sub stayed empty");
  sub.Print("sub");
}

void Repair(int row) {
  RemoteList sub(Control("Grid_Sub"));
  if (sub.Count() < row) Fail("Grid_Sub has no row " + std::to_string(row));
  ClickAt(sub.CellCentre(row - 1, 1), true);
  HWND question = WaitForBox(60);
  if (!question) Fail("no question after the right click");
  std::printf("question %s\n", BoxText(question).c_str());
  std::printf("question-buttons %d%d%d\n", GetDlgItem(question, IDYES) != nullptr, GetDlgItem(question, IDNO) != nullptr,
              GetDlgItem(question, IDOK) != nullptr);
  Answer(question, IDYES);
  HWND message = WaitForBox(60);
  if (!message) Fail("no box after the repair");
  std::printf("message %s\n", BoxText(message).c_str());
  Answer(message, IDOK);
}

void RepairSound() {
  RemoteList sub(Control("Grid_Sub"));
  for (int i = 0; i < sub.Count(); ++i) {
    const std::string plain = sub.Cell(i, 3);
    if (!plain.empty() && plain.find('*') == std::string::npos) {
      std::printf("repair-row %d\n", i + 1);
      Repair(i + 1);
      return;
    }
  }
  Fail("Grid_Sub has no row that decrypts whole");
}

void Close() {
  PostMessageW(gMain, WM_CLOSE, 0, 0);
  if (!WaitFor([] { return !IsWindow(gMain); }, 30)) Fail("the window stayed after its close");
  std::printf("closed yes\n");
}

}  // namespace

int main(int argc, char** argv) {
  // Lines end in "\n", as the test that reads them expects.
  _setmode(_fileno(stdout), _O_BINARY);
  if (!WaitFor([] { gMain = FindWindowW(L"JcMainWindow", kTitle); return gMain && IsWindowVisible(gMain); }, 90))
    Fail("no window within 90 s; boxes of other programs: none looked at");
  GetWindowThreadProcessId(gMain, &gPid);
  for (int i = 1; i < argc; ++i) {
    const std::string step = argv[i];
    if (step == "layout") Layout();
    else if (step == "audit") Audit();
    else if (step == "history") History();
    else if (step.rfind("repair=", 0) == 0) Repair(std::atoi(step.c_str() + 7));
    else if (step == "repair-sound") RepairSound();
    else if (step == "close") Close();
    else Fail("unknown step " + step);
    std::fflush(stdout);
  }
  return 0;
}
