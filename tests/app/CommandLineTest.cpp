// Commands run in-process against a demo root: input they must refuse as
// wrong usage, settings that must not reach the connection string, and a
// store that can no longer be written.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>

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

// Options a command does not take, and options given twice (the last would
// silently win), are wrong usage before anything runs.
TEST_F(CommandLineTest, UnknownAndRepeatedOptionsAreWrongUsage) {
  struct Case {
    const char* command;
    std::vector<std::string> args;
    const char* why;
  } cases[] = {
      {"audit-customers", {"--year", "2023", "--year", "2024"}, "--year is given twice"},
      {"audit-customers", {"--from", "20230101", "--to", "20230201", "--to", "20230301"}, "--to is given twice"},
      {"audit-dispensing", {"--table", "PS_MAIN", "--table", "INS_COMPOS"}, "--table is given twice"},
      {"audit-dispensing", {"--table", "PS_MAIN", "--restore", "--restore"}, "--restore is given twice"},
      {"encrypt-tables", {"--yes", "--yes"}, "--yes is given twice"},
      {"migration-status", {"--check-values", "--check-values"}, "--check-values is given twice"},
      {"migration-status", {"--checkvalues"}, "unknown option '--checkvalues'"},
      {"build-mapping", {"--yes"}, "unknown option '--yes'"},
      {"report-normal", {"--root", "elsewhere"}, "unknown option '--root'"},
      {"demo", {"demo-dir", "--seed", "1", "--seed", "2"}, "--seed is given twice"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    const Result r = Run(c.command, c.args);
    EXPECT_EQ(r.status, kExitUsage) << r.err;
    EXPECT_NE(r.err.find(c.why), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("usage: jumincheck [--root DIR] " + std::string(c.command)), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
  }
  EXPECT_FALSE(fs::exists("demo-dir"));
}

// Before the command: --root and --help only. An option the program does not
// know is wrong usage, whether a command follows or not; Qt's single-dash
// options still pass to the window when no command follows.
TEST(CommandLineParse, OptionsBeforeTheCommand) {
  struct Case {
    std::vector<std::string> argv;
    bool goesOn;
    const char* command;
    const char* why;
  } cases[] = {
      {{"--root", "d1", "--yes", "encrypt-tables"}, false, "", "unknown option '--yes'"},
      {{"--roots", "d1"}, false, "", "unknown option '--roots'"},
      {{"--roots"}, false, "", "unknown option '--roots'"},
      {{"-platform", "offscreen", "sql", "SELECT 1"}, false, "", "unknown option '-platform'"},
      {{"--root", "a", "--root", "b", "sql", "SELECT 1"}, false, "", "--root is given twice"},
      {{"--root", "d1", "no-such"}, false, "", "unknown command 'no-such'"},
      {{"-platform", "offscreen"}, true, "", ""},
      {{"--root=d1", "migration-status", "--check-values"}, true, "migration-status", ""},
  };
  for (const Case& c : cases) {
    std::vector<std::string> words = {"jumincheck"};
    words.insert(words.end(), c.argv.begin(), c.argv.end());
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    SCOPED_TRACE(words[1]);
    CliOptions options;
    std::ostringstream out, err;
    int exitCode = -1;
    const bool goesOn = ParseCommandLine(static_cast<int>(words.size()), argv.data(), options, out, err, exitCode);
    EXPECT_EQ(goesOn, c.goesOn) << err.str();
    if (c.goesOn) {
      EXPECT_EQ(options.command, c.command);
    } else {
      EXPECT_EQ(exitCode, kExitUsage);
      EXPECT_NE(err.str().find(c.why), std::string::npos) << err.str();
    }
  }
}

// Without a display (and no platform that needs none) the window cannot open:
// the program says so instead of letting Qt abort.
TEST(CommandLineParse, TheWindowNeedsADisplayOrAPlatformThatNeedsNone) {
  struct Env {
    const char* name;
    const char* saved;
  } vars[] = {{"DISPLAY", nullptr}, {"WAYLAND_DISPLAY", nullptr}, {"QT_QPA_PLATFORM", nullptr}};
  std::vector<std::string> saved;
  for (auto& v : vars) saved.push_back(std::getenv(v.name) ? std::getenv(v.name) : "\x01");
  struct Case {
    const char* display;
    const char* wayland;
    const char* platform;
    bool platformArg;
    bool opens;
  } cases[] = {
      {"", "", "", false, false},       {":99", "", "", false, true},
      {"", "wayland-0", "", false, true}, {"", "", "offscreen", false, true},
      {"", "", "xcb", false, false},    {"", "", "", true, true},
  };
  for (const Case& c : cases) {
    setenv("DISPLAY", c.display, 1);
    setenv("WAYLAND_DISPLAY", c.wayland, 1);
    setenv("QT_QPA_PLATFORM", c.platform, 1);
    std::string program = "jumincheck", flag = "-platform", value = "offscreen";
    std::vector<char*> argv = {program.data()};
    if (c.platformArg) {
      argv.push_back(flag.data());
      argv.push_back(value.data());
    }
    argv.push_back(nullptr);
    EXPECT_EQ(WindowCanOpen(static_cast<int>(argv.size()) - 1, argv.data()), c.opens)
        << c.display << "|" << c.wayland << "|" << c.platform << "|" << c.platformArg;
  }
  for (std::size_t i = 0; i < saved.size(); ++i) {
    if (saved[i] == "\x01") unsetenv(vars[i].name);
    else setenv(vars[i].name, saved[i].c_str(), 1);
  }
}

// The help follows the locale: Korean under a Korean one, English otherwise,
// every command listed either way.
TEST(CommandLineParse, TheHelpFollowsTheLocale) {
  const char* names[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
  std::vector<std::string> saved;
  for (const char* n : names) saved.push_back(std::getenv(n) ? std::getenv(n) : "\x01");
  struct Case {
    const char* lcAll;
    const char* lang;
    bool korean;
  } cases[] = {{"", "ko_KR.UTF-8", true}, {"", "C.UTF-8", false}, {"en_US.UTF-8", "ko_KR.UTF-8", false},
               {"ko_KR.UTF-8", "C", true}, {"", "", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.lcAll) + "|" + c.lang);
    setenv("LC_ALL", c.lcAll, 1);
    unsetenv("LC_MESSAGES");
    setenv("LANG", c.lang, 1);
    EXPECT_EQ(KoreanMessages(), c.korean);
    std::ostringstream out;
    PrintUsage(out);
    EXPECT_EQ(out.str().rfind(c.korean ? "사용법: jumincheck" : "usage: jumincheck", 0), 0u) << out.str();
    for (const char* command : {"encrypt-tables [--yes]", "cleanup [--yes]", "migration-status [--check-values]"})
      EXPECT_NE(out.str().find(command), std::string::npos) << command;
    EXPECT_EQ(out.str().find("되돌릴 수 없음") != std::string::npos, c.korean);
  }
  for (std::size_t i = 0; i < saved.size(); ++i) {
    if (saved[i] == "\x01") unsetenv(names[i]);
    else setenv(names[i], saved[i].c_str(), 1);
  }
}

// A report refused by the operation lock prints the refusal only: no grid
// and no status line of counts it never made.
TEST_F(CommandLineTest, AReportRefusedByTheLockPrintsOnlyTheRefusal) {
  const int fd = ::open((root_ / "store").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
  const Result r = Run("report-normal", {});
  ::flock(fd, LOCK_UN);
  ::close(fd);
  EXPECT_EQ(r.status, kExitFailed);
  EXPECT_NE(r.err.find("error: 다른 프로그램(인스턴스)"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("status:"), std::string::npos) << r.err;
  EXPECT_EQ(r.out, "");
}

// migration-status goes on past a table it cannot count, and names it.
TEST_F(CommandLineTest, MigrationStatusReportsATableLackingAColumnAsUnreadable) {
  ASSERT_EQ(Run("sql", {"DROP TABLE TV_PRES..CD_MONITOR"}).status, kExitOk);
  ASSERT_EQ(Run("sql", {"CREATE TABLE TV_PRES..CD_MONITOR(PANUM NVARCHAR(20) NULL)"}).status, kExitOk);
  const Result r = Run("migration-status", {});
  EXPECT_EQ(r.status, kExitFailed) << r.err;
  EXPECT_NE(r.out.find("TV_PRES..CD_MONITOR\tPANUM\tTEMPNUM\tunreadable"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("TV_PRES..QORA_DATAINFO\tPREGNO"), std::string::npos) << r.out;  // the last table
  EXPECT_NE(r.err.find("warning: TV_PRES..CD_MONITOR.PANUM / TEMPNUM is unreadable ("), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("TEMPNUM"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("status: no mapping table"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace jc::app
