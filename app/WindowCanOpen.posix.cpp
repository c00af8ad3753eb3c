// Whether the Qt window has a display to open on: Qt aborts without one.
#include <cstdlib>
#include <string>

#include "app/Cli.h"

namespace jc::app {

bool WindowCanOpen(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "-platform" || a.rfind("-platform=", 0) == 0) return true;
  }
  auto set = [](const char* name) {
    const char* v = std::getenv(name);
    return v != nullptr && *v != '\0';
  };
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  if (platform && *platform) {
    const std::string p = platform;
    if (p.rfind("xcb", 0) == 0) return set("DISPLAY");
    if (p.rfind("wayland", 0) == 0) return set("WAYLAND_DISPLAY");
    return true;  // offscreen, vnc, ...: Qt needs no display for them
  }
  return set("DISPLAY") || set("WAYLAND_DISPLAY");
}

}  // namespace jc::app
