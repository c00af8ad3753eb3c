// Program entry: a command runs headless; without one the window opens.
#include <iostream>

#include "app/Cli.h"
#include "app/ProgramConsole.h"
#ifdef JC_WITH_GUI
#include "app/RunWindow.h"
#endif

int main(int argc, char** argv) {
  jc::app::PrepareConsole();
  // The command line in UTF-8, whatever the system keeps it in.
  std::vector<std::string> arguments = jc::app::ProgramArguments(argc, argv);
  std::vector<char*> args;
  for (std::string& a : arguments) args.push_back(a.data());
  args.push_back(nullptr);
  const int count = static_cast<int>(arguments.size());

  jc::app::CliOptions options;
  int exitCode = 0;
  if (!jc::app::ParseCommandLine(count, args.data(), options, std::cout, std::cerr, exitCode))
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
