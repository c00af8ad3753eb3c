// Commands run in-process against a demo root: input they must refuse as
// wrong usage, settings that must not reach the connection string, and a
// store that can no longer be written.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/Cli.h"
#include "common/CurrentDirectoryGuard.h"
#include "demo/DemoRoot.h"
#include "support/FakeShell.h"
#include "support/FaultVfs.h"

namespace jc::app {
namespace {

namespace fs = std::filesystem;

struct Result {
  int status = -1;
  std::string out, err;
};

class CommandLineTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    root_ = fs::temp_directory_path() / ("jc_cli_" + std::to_string(::getpid()));
    fs::remove_all(root_);
    demo::DemoRootOptions o;
    o.dir = root_.string();
    o.modulePath = JC_MODULE_PATH;
    o.data.customers = 20;
    test::FakeShell shell;
    CurrentDirectoryGuard cwd;
    demo::MakeDemoRoot(o, shell);
  }
  static void TearDownTestSuite() { fs::remove_all(root_); }

  static Result Run(const std::string& command, std::vector<std::string> args) {
    CliOptions options;
    options.root = root_.string();
    options.command = command;
    options.args = std::move(args);
    std::ostringstream out, err;
    Result r;
    r.status = RunCommand(options, out, err);
    r.out = out.str();
    r.err = err.str();
    return r;
  }

  static fs::path root_;
  CurrentDirectoryGuard cwd_;
};
fs::path CommandLineTest::root_;

TEST_F(CommandLineTest, AuditDatesMustExistAndBeInOrder) {
  struct Case {
    const char* from;
    const char* to;
    bool usage;
  } cases[] = {
      {"20240231", "20240301", true},   // no 31 February
      {"20230229", "20230301", true},   // 2023 is no leap year
      {"19000229", "19000301", true},   // nor is 1900
      {"20240431", "20240501", true},
      {"20240100", "20240131", true},
      {"00000101", "00000102", true},
      {"20240231", "20230101", true},   // the reported case: impossible and reversed
      {"20240102", "20240101", true},   // start after end
      {"20000229", "20240229", false},  // 2000 and 2024 are leap years
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.from) + " " + c.to);
    const Result r = Run("audit-customers", {"--from", c.from, "--to", c.to});
    if (c.usage) {
      EXPECT_EQ(r.status, kExitUsage);
      EXPECT_NE(r.err.find("usage:"), std::string::npos) << r.err;
    } else {
      EXPECT_EQ(r.status, kExitOk) << r.err;
    }
  }
}

TEST_F(CommandLineTest, AHostWithConnectionKeysInTheIniIsRefused) {
  // A second root whose INI names a missing store and then, through a ';',
  // the demo's own store.
  const fs::path other = root_.string() + "_ini";
  fs::remove_all(other);
  fs::create_directories(other / "TELVARO");
  fs::copy(root_ / "TELVARO/Dll", other / "TELVARO/Dll", fs::copy_options::recursive);
  std::ofstream(other / "TELVARO/TELVARO.ini")
      << "[DATAPATH]\nPATH=sqlite:/nowhere;Data Source=sqlite:" << (root_ / "store").string() << "\n";
  CliOptions options;
  options.root = other.string();
  options.command = "sql";
  options.args = {"SELECT COUNT(*) AS N FROM TV_BASE..CD_PERSON"};
  std::ostringstream out, err;
  EXPECT_EQ(RunCommand(options, out, err), kExitFailed);
  EXPECT_EQ(out.str(), "");
  EXPECT_NE(err.str().find("is not a host name"), std::string::npos) << err.str();
  fs::remove_all(other);
}

TEST_F(CommandLineTest, AReadOnlyStoreFileIsNamedAndTheCommandFails) {
  test::FaultVfs vfs;
  vfs.readOnly = {"/TV_BASE.db"};
  const Result read = Run("sql", {"SELECT COUNT(*) AS N FROM TV_BASE..CD_PERSON"});
  EXPECT_EQ(read.status, kExitOk) << read.out << read.err;
  const Result write = Run("sql", {"UPDATE TV_BASE..CD_PERSON SET SEQ = SEQ"});
  EXPECT_EQ(write.status, kExitFailed);
  EXPECT_EQ(write.out.rfind("FAILED: The store file '" + (root_ / "store" / "TV_BASE.db").string() + "' is read-only", 0),
            0u)
      << write.out << write.err;
}

// --technician opens the window in the technician's view; with a command it
// is wrong usage, not silently dropped.
TEST(CommandLineOptions, TechnicianIsAWindowOptionAndTakesNoCommand) {
  struct Case {
    std::vector<const char*> argv;
    bool proceeds;
    bool technician;
  } cases[] = {
      {{"jumincheck", "--technician"}, true, true},
      {{"jumincheck", "--root", "/r", "--technician"}, true, true},
      {{"jumincheck"}, true, false},
      {{"jumincheck", "--technician", "audit-customers"}, false, true},
  };
  for (Case& c : cases) {
    CliOptions options;
    std::ostringstream out, err;
    int exit = -1;
    const bool proceeds =
        ParseCommandLine(static_cast<int>(c.argv.size()), const_cast<char**>(c.argv.data()), options, out, err, exit);
    EXPECT_EQ(proceeds, c.proceeds) << c.argv.size();
    EXPECT_EQ(options.technician, c.technician) << c.argv.size();
    if (!c.proceeds) {
      EXPECT_EQ(exit, kExitUsage);
      EXPECT_NE(err.str().find("--technician"), std::string::npos) << err.str();
    }
  }
}

}  // namespace
}  // namespace jc::app
