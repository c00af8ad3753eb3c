#include "app/ProgramConsole.h"

namespace jc::app {

std::vector<std::string> ProgramArguments(int argc, char** argv) { return std::vector<std::string>(argv, argv + argc); }

void PrepareConsole() {}

}  // namespace jc::app
