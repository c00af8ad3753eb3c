// Program entry: a command runs headless; without one the window opens.
#include <iostream>

#include "app/Cli.h"
#ifdef JC_WITH_GUI
#include "app/qt/RunWindow.h"
#endif

int main(int argc, char** argv) {
  jc::app::CliOptions options;
  int exitCode = 0;
  if (!jc::app::ParseCommandLine(argc, argv, options, std::cout, std::cerr, exitCode))
    return exitCode;
  if (options.command.empty()) {
#ifdef JC_WITH_GUI
    if (!jc::app::WindowCanOpen(argc, argv)) {
      std::cerr << "jumincheck: no display to open the window on (DISPLAY is not set); give a "
                   "command instead (see --help)\n";
      return jc::app::kExitUsage;
    }
    return jc::app::RunWindow(argc, argv, jc::PathMapper(options.root), options.technician);
#else
    std::cerr << "jumincheck: built without the window; give a command (see --help)\n";
    return jc::app::kExitUsage;
#endif
  }
  return jc::app::RunCommand(options, std::cout, std::cerr);
}
