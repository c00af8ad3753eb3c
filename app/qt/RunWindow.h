#pragma once
// The windowed run: makes the application, the shell, the window's model
// (TForm1) and its Qt window, runs start-up, shows the window centred and
// runs the event loop until the window closes. Returns the process status.
#include "common/HostPath.h"

namespace jc::app {

// technician: open in the technician's view.
int RunWindow(int argc, char** argv, const jc::PathMapper& paths, bool technician = false);

}  // namespace jc::app
