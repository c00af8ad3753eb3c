// The command line of a build without the embedded store (the Windows
// program): what needs the store is refused as wrong usage, in words, before
// anything starts; everything else starts up as usual.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/Cli.h"
#include "support/ModuleRootFolder.h"

namespace jc::app {
namespace {

struct Result {
  int status = -1;
  std::string out, err;
};

Result RunCommandOn(const test::ModuleRootFolder& root, const std::string& command, std::vector<std::string> args) {
  CliOptions options;
  options.root = PathToUtf8(root.Root());
  options.command = command;
  options.args = std::move(args);
  std::ostringstream out, err;
  Result r;
  r.status = RunCommand(options, out, err);
  r.out = out.str();
  r.err = err.str();
  return r;
}

void WriteIni(const test::ModuleRootFolder& root, const std::string& path) {
  std::ofstream(root.Root() / "TELVARO" / "TELVARO.ini") << "[DATAPATH]\r\nPATH=" << path << "\r\n";
}

TEST(WithoutStore, DemoAndCreateStoreAreRefusedAsWrongUsage) {
  test::CurrentDirectoryGuard cwd;
  test::ModuleRootFolder root;
  const auto target = root.Root() / "made";
  for (const char* command : {"demo", "create-store"}) {
    SCOPED_TRACE(command);
    const Result r = RunCommandOn(root, command, {PathToUtf8(target)});
    EXPECT_EQ(r.status, kExitUsage);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("no embedded store"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(target)) << "nothing was made";
  }
}

TEST(WithoutStore, AnIniNamingAStoreIsRefusedBeforeStartUp) {
  test::CurrentDirectoryGuard cwd;
  test::ModuleRootFolder root;
  root.Install(JC_MODULE_PATH);
  WriteIni(root, "sqlite:store");
  for (const std::vector<std::string>& command : std::vector<std::vector<std::string>>{
           {"sql", "SELECT 1 AS A"}, {"encrypt", "9001011234567"}, {"audit-customers"}}) {
    SCOPED_TRACE(command[0]);
    const Result r = RunCommandOn(root, command[0], {command.begin() + 1, command.end()});
    EXPECT_EQ(r.status, kExitUsage);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("names an embedded store"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("error: "), std::string::npos) << "start-up never ran: " << r.err;
    EXPECT_EQ(std::filesystem::current_path(), cwd.Saved()) << "the module was not loaded";
  }
}

TEST(WithoutStore, AServerThatCannotBeReachedFailsStartUpWithTheProvidersText) {
  // No SQL Server driver under this name: the driver manager says so, the
  // start-up shows it in the error box, and the command fails.
  test::CurrentDirectoryGuard cwd;
  test::ModuleRootFolder root;
  root.Install(JC_MODULE_PATH);
  WriteIni(root, "127.0.0.1");
  const Result r = RunCommandOn(root, "sql", {"SELECT 1 AS A"});
  EXPECT_EQ(r.status, kExitFailed);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("error: "), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("message: "), std::string::npos) << "the module loaded: " << r.err;
  EXPECT_TRUE(std::filesystem::equivalent(std::filesystem::current_path(), root.ModuleFolder()));
}

}  // namespace
}  // namespace jc::app
