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

const std::string kExe = std::string(JC_BIN_DIR) + "/jumincheck";
const std::string kTitle = "소득공제 주민번호 검증(ver 1.0)";

// Runs window_under_x.sh with args on a virtual display, from workingDir
// (when given), bounded in time; the "key value" lines it printed.
std::map<std::string, std::string> UnderX(const std::vector<std::string>& args, ProgramResult& r,
                                          const std::string& workingDir = {},
                                          std::vector<std::string> env = {}) {
  for (const char* tool : {"xvfb-run", "xdotool", "xwininfo", "xdpyinfo", "python3", "timeout"})
    if (Which(tool).empty()) throw std::runtime_error(std::string(tool) + " is missing: run scripts/install-deps.sh");
  const std::string script = std::string(JC_SOURCE_DIR) + "/tests/gui/scripts/window_under_x.sh";
  std::vector<std::string> argv = {Which("timeout"), "-k", "5",    "240", Which("xvfb-run"), "-a", "-s",
                                   "-screen 0 1280x1024x24", Which("bash"), script};
  argv.insert(argv.end(), args.begin(), args.end());
  env.push_back("QT_QPA_PLATFORM=xcb");
  r = RunProgram(argv, env, workingDir);
  std::map<std::string, std::string> seen;
  std::istringstream lines(r.out);
  for (std::string line; std::getline(lines, line);) {
    const auto space = line.find(' ');
    if (space != std::string::npos) seen[line.substr(0, space)] = line.substr(space + 1);
  }
  return seen;
}

// A fresh, empty folder, removed at the end.
struct FreshFolder {
  FreshFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "jc-fresh-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path = pattern;
  }
  ~FreshFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
  std::filesystem::path path;
};

TEST(RealProgram, OpensCentredUnderXAndEndsWithStatusZeroWhenClosed) {
  ASSERT_TRUE(std::filesystem::exists(kExe)) << kExe;
  ProgramResult r;
  auto seen = UnderX({kExe}, r);
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  // Start-up in an empty root: the module's load message, then the error
  // for its missing folder; the window opens once both are answered.
  EXPECT_EQ(seen["boxes"], "2") << r.out;
  EXPECT_EQ(seen["title"], kTitle);
  EXPECT_EQ(seen["client"], "463x614");
  int sw = 0, sh = 0, x = 0, y = 0;
  ASSERT_EQ(std::sscanf(seen["screen"].c_str(), "%dx%d", &sw, &sh), 2) << r.out;
  ASSERT_EQ(std::sscanf(seen["position"].c_str(), "%d,%d", &x, &y), 2) << r.out;
  EXPECT_LE(std::abs(2 * x + 463 - sw), 1) << "x " << x << " on a screen " << sw << " wide";
  EXPECT_LE(std::abs(2 * y + 614 - sh), 1) << "y " << y << " on a screen " << sh << " high";
  EXPECT_EQ(seen["exit"], "0") << r.out;
}

// The README's first run: a demo root made by a relative path in a fresh
// folder and the window opened on it by that path, as scripts/run.sh does.
// Start-up must raise no box at all.
TEST(RealProgram, OpensOnARelativeDemoRootWithoutABox) {
  FreshFolder fresh;
  const ProgramResult demo = RunProgram({kExe, "demo", "demo-root"}, {}, fresh.path.string());
  ASSERT_EQ(demo.status, 0) << demo.err;
  ProgramResult r;
  auto seen = UnderX({kExe, "--root", "demo-root"}, r, fresh.path.string());
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(seen["boxes"], "0") << r.out;
  EXPECT_EQ(seen["title"], kTitle);
  EXPECT_EQ(seen["exit"], "0") << r.out;
}

// scripts/run.sh itself, from a fresh clone, on the build this test belongs
// to (JC_BUILD_DIR), so nothing is built: it makes demo-root/ in the clone
// and opens the window on it. Skipped when the build is not up to date (the
// script would build) or the sources are not a git checkout.
TEST(RealProgram, RunScriptFromAFreshCloneOpensTheWindowWithoutABox) {
  const std::filesystem::path build = std::filesystem::path(JC_BIN_DIR).parent_path();
  if (Which("git").empty()) GTEST_SKIP() << "git is missing";
  if (!std::filesystem::exists(std::filesystem::path(JC_SOURCE_DIR) / ".git"))
    GTEST_SKIP() << JC_SOURCE_DIR << " is not a git checkout";
  if (Which("ninja").empty() || !std::filesystem::exists(build / "build.ninja"))
    GTEST_SKIP() << "the build is not a Ninja build: cannot tell whether run.sh would build";
  // A dry run always lists CMake's check of its globbed folders and the
  // re-run it may lead to; any other step means run.sh would compile.
  const ProgramResult dry = RunProgram({Which("ninja"), "-C", build.string(), "-n"});
  std::istringstream steps(dry.out);
  for (std::string step; std::getline(steps, step);)
    if (step.rfind("[", 0) == 0 && step.find("Re-checking globbed directories") == std::string::npos &&
        step.find("Re-running CMake") == std::string::npos)
      GTEST_SKIP() << "the build is not up to date, and run.sh would build it (" << step
                   << "): build everything first";

  FreshFolder fresh;
  const std::filesystem::path clone = fresh.path / "jumincheck";
  const ProgramResult cloned = RunProgram({Which("git"), "clone", "-q", JC_SOURCE_DIR, clone.string()});
  ASSERT_EQ(cloned.status, 0) << cloned.err;
  ProgramResult r;
  auto seen = UnderX({Which("bash"), (clone / "scripts/run.sh").string()}, r, fresh.path.string(),
                     {"JC_BUILD_DIR=" + build.string(), "JC_DEMO_ROOT="});
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(seen["boxes"], "0") << r.out;
  EXPECT_EQ(seen["title"], kTitle);
  EXPECT_EQ(seen["exit"], "0") << r.out;
  EXPECT_TRUE(std::filesystem::exists(clone / "demo-root/TELVARO/TELVARO.ini"));
}

}  // namespace
}  // namespace jc::test
