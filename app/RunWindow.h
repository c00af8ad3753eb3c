#pragma once
// The windowed run: makes the shell, the window's model (TForm1) and its
// window (Qt on Linux, app/qt/; the Win32 API on Windows, app/win32/), runs
// start-up, shows the window centred and runs the message loop until the
// window closes. Returns the process status.
#include "common/HostPath.h"

namespace jc::app {

// technician: open in the technician's view.
int RunWindow(int argc, char** argv, const jc::PathMapper& paths, bool technician = false);

}  // namespace jc::app
