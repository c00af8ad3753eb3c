#include "app/RunWindow.h"

#include <windows.h>
#include <commctrl.h>

#include "app/TForm1.h"
#include "app/win32/MainWindow.h"
#include "app/win32/Win32Shell.h"

namespace jc::app {

namespace {

// Started from the desktop (the Start menu), a console program gets a
// console window of its own; the window does not need it, so it goes. A
// console the program shares with the shell that started it stays.
void ReleaseOwnConsole() {
  DWORD processes[2];
  if (GetConsoleWindow() && GetConsoleProcessList(processes, 2) == 1) FreeConsole();
}

}  // namespace

int RunWindow(int, char**, const jc::PathMapper& paths, bool technician) {
  ReleaseOwnConsole();
  // Positions and fonts are scaled to the screen's dpi by the window itself.
  SetProcessDPIAware();
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_DATE_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  win32::Win32Shell shell;
  TForm1 form(shell, paths);
  win32::MainWindow window(form);
  window.SetQuitOnDestroy(true);
  // Start-up runs while the window is being made; an error ends it in the
  // error box and the window opens anyway.
  form.RunEvent([&form] { form.FormCreate(); });
  if (technician) form.RunEvent([&form] { form.ShowTechnicianView(); });
  window.SyncFromModel();
  window.ShowCentred();
  const int status = window.RunMessageLoop();
  // Shutdown runs in the window's close; this covers a loop ended otherwise.
  form.RunEvent([&form] { form.FormClose(); });
  return status;
}

}  // namespace jc::app
