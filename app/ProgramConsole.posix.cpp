#include "app/ProgramConsole.h"

#include <cstdlib>

namespace jc::app {

std::vector<std::string> ProgramArguments(int argc, char** argv) { return std::vector<std::string>(argv, argv + argc); }

std::string ProgramEnvironment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

void PrepareConsole() {}

}  // namespace jc::app
