// The built program on a virtual X display: a real X client answers the
// start-up boxes with Return, reads the main window's title and geometry and
// closes it as a window manager would (scripts/window_under_x.sh).
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>

#include "support/RunProgram.h"

namespace jc::test {
namespace {

std::string Which(const std::string& tool) {
  const char* path = std::getenv("PATH");
  std::stringstream dirs(path ? path : "/usr/bin:/bin");
  std::string dir;
  while (std::getline(dirs, dir, ':')) {
    const auto candidate = std::filesystem::path(dir) / tool;
    if (access(candidate.c_str(), X_OK) == 0) return candidate.string();
  }
  return {};
}

TEST(RealProgram, OpensCentredUnderXAndEndsWithStatusZeroWhenClosed) {
  for (const char* tool : {"xvfb-run", "xdotool", "xwininfo", "xdpyinfo", "python3"})
    ASSERT_FALSE(Which(tool).empty()) << tool << " is missing: run scripts/install-deps.sh";
  const std::string exe = std::string(JC_BIN_DIR) + "/jumincheck";
  ASSERT_TRUE(std::filesystem::exists(exe)) << exe;
  const std::string script = std::string(JC_SOURCE_DIR) + "/tests/gui/scripts/window_under_x.sh";

  const ProgramResult r = RunProgram({Which("xvfb-run"), "-a", "-s", "-screen 0 1280x1024x24", Which("bash"),
                                      script, exe},
                                     {"QT_QPA_PLATFORM=xcb"});
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  std::map<std::string, std::string> seen;
  std::istringstream lines(r.out);
  for (std::string line; std::getline(lines, line);) {
    const auto space = line.find(' ');
    if (space != std::string::npos) seen[line.substr(0, space)] = line.substr(space + 1);
  }
  // Start-up in an empty root: the module's load message, then the error
  // for its missing folder; the window opens once both are answered.
  EXPECT_EQ(seen["boxes"], "2") << r.out;
  EXPECT_EQ(seen["title"], "소득공제 주민번호 검증(ver 1.0)");
  EXPECT_EQ(seen["client"], "463x614");
  int sw = 0, sh = 0, x = 0, y = 0;
  ASSERT_EQ(std::sscanf(seen["screen"].c_str(), "%dx%d", &sw, &sh), 2) << r.out;
  ASSERT_EQ(std::sscanf(seen["position"].c_str(), "%d,%d", &x, &y), 2) << r.out;
  EXPECT_LE(std::abs(2 * x + 463 - sw), 1) << "x " << x << " on a screen " << sw << " wide";
  EXPECT_LE(std::abs(2 * y + 614 - sh), 1) << "y " << y << " on a screen " << sh << " high";
  EXPECT_EQ(seen["exit"], "0") << r.out;
}

}  // namespace
}  // namespace jc::test
