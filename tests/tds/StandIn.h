#pragma once
// The stand-in database server (tds_server.py beside this file) run for one
// test: started on 127.0.0.1 with a fresh database, its instance browser on
// UDP 1434, a scenario the test can change between program runs, and the log
// of every batch it received. A root folder for the program names it as the
// database host. Nothing here reaches an address other than 127.0.0.1.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/ModuleRootFolder.h"
#include "support/RunProgram.h"

extern char** environ;

namespace jc::test {

// One stand-in at a time on this machine: the instance browser's UDP port is
// fixed. CTest runs these tests under one resource lock; this file lock also
// keeps apart test runs that do not share a CTest (other build trees).
class BrowserPortLock {
 public:
  explicit BrowserPortLock(std::chrono::seconds wait) {
    fd_ = ::open("/tmp/jumincheck-tds-browser.lock", O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd_ < 0) return;
    const auto until = std::chrono::steady_clock::now() + wait;
    while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
      if (std::chrono::steady_clock::now() >= until) {
        ::close(fd_);
        fd_ = -1;
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    held_ = true;
  }
  ~BrowserPortLock() {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock
  }
  BrowserPortLock(const BrowserPortLock&) = delete;
  BrowserPortLock& operator=(const BrowserPortLock&) = delete;
  bool Held() const { return held_; }

 private:
  int fd_ = -1;
  bool held_ = false;
};

// One line of the server's log: a login ("login", the user) or a batch (its
// outcome: "ok", "ok N" rows affected, "rows N", "error", "lock R",
// "unlock", "closed", "hung"; and the statement).
struct ServerLogLine {
  int session = 0;
  std::string outcome;
  std::string text;
};

class StandInServer {
 public:
  StandInServer() : lock_(std::chrono::seconds(300)) {
    if (!lock_.Held()) {
      skip_ = "another test run holds the stand-in server's port (UDP 1434) for more than 5 minutes";
      return;
    }
    const std::string python = Which("python3");
    if (python.empty()) {
      skip_ = "python3 is missing: run scripts/install-deps.sh";
      return;
    }
    std::string pattern = (std::filesystem::temp_directory_path() / "jc-tds-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    dir_ = pattern;
    SetScenario("{}");
    Start(python);
  }

  ~StandInServer() {
    if (pid_ > 0) {
      ::close(stdin_);  // the server ends when its input closes
      ::kill(pid_, SIGTERM);
      int status = 0;
      ::waitpid(pid_, &status, 0);
    }
    if (stdout_ >= 0) ::close(stdout_);
    std::error_code ec;
    if (!dir_.empty()) std::filesystem::remove_all(dir_, ec);
  }
  StandInServer(const StandInServer&) = delete;
  StandInServer& operator=(const StandInServer&) = delete;

  // Why the server cannot run here (empty when it runs).
  const std::string& SkipReason() const { return skip_; }
  int Port() const { return port_; }
  // The host the tool is given: the named instance on it is looked up
  // through the instance browser.
  static std::string Host() { return "127.0.0.1"; }

  // Replaces the scenario; it takes effect at the next login.
  void SetScenario(const std::string& json) const { std::ofstream(dir_ / "scenario.json") << json; }

  std::vector<ServerLogLine> Log() const {
    std::vector<ServerLogLine> lines;
    std::ifstream in(dir_ / "log.tsv");
    for (std::string line; std::getline(in, line);) {
      const auto a = line.find('\t');
      const auto b = line.find('\t', a + 1);
      if (a == std::string::npos || b == std::string::npos) continue;
      lines.push_back({std::atoi(line.substr(0, a).c_str()), line.substr(a + 1, b - a - 1), Unescape(line.substr(b + 1))});
    }
    return lines;
  }
  // The log's batches of one session, in order.
  std::vector<ServerLogLine> Session(int session) const {
    std::vector<ServerLogLine> out;
    for (auto& l : Log())
      if (l.session == session && l.outcome != "login") out.push_back(l);
    return out;
  }
  // The session that sent a statement beginning with prefix last.
  int LastSessionOf(const std::string& prefix) const {
    int session = 0;
    for (const auto& l : Log())
      if (l.text.rfind(prefix, 0) == 0) session = l.session;
    return session;
  }

 private:
  static std::string Unescape(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] != '\\' || i + 1 == text.size()) {
        out += text[i];
        continue;
      }
      const char c = text[++i];
      out += c == 't' ? '\t' : c == 'r' ? '\r' : c == 'n' ? '\n' : c;
    }
    return out;
  }

  void Start(const std::string& python) {
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, in[1]);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    const std::string script = std::string(JC_SOURCE_DIR) + "/tests/tds/tds_server.py";
    std::vector<std::string> argv = {python, script, "--db", (dir_ / "server.db").string(), "--scenario",
                                     (dir_ / "scenario.json").string(), "--log", (dir_ / "log.tsv").string()};
    std::vector<char*> args;
    for (auto& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    const int rc = posix_spawn(&pid_, python.c_str(), &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    stdin_ = in[1];
    stdout_ = out[0];
    if (rc != 0) {
      pid_ = -1;
      throw std::runtime_error("cannot start " + python);
    }
    // The first line says whether it listens: "ready PORT" or "no-browser WHY".
    std::string line;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (line.find('\n') == std::string::npos && std::chrono::steady_clock::now() < until) {
      pollfd p{stdout_, POLLIN, 0};
      if (::poll(&p, 1, 200) <= 0) continue;
      char buf[256];
      const ssize_t n = ::read(stdout_, buf, sizeof buf);
      if (n <= 0) break;
      line.append(buf, static_cast<std::size_t>(n));
    }
    line = line.substr(0, line.find('\n'));
    if (line.rfind("ready ", 0) == 0) {
      port_ = std::atoi(line.c_str() + 6);
      return;
    }
    if (line.rfind("no-browser ", 0) == 0) {
      skip_ = "the stand-in server cannot answer the instance browser: " + line.substr(11);
    } else {
      throw std::runtime_error("the stand-in server did not start: '" + line + "'");
    }
  }

  BrowserPortLock lock_;
  std::filesystem::path dir_;
  std::string skip_;
  pid_t pid_ = -1;
  int stdin_ = -1;
  int stdout_ = -1;
  int port_ = 0;
};

// The program the stand-in's tests run: this build's jumincheck, or, when
// JC_TDS_WINDOWS_BUILD names the folder of a Windows build, that build's
// jumincheck.exe under Wine (through the build's wine-run) with the Windows
// crypto module, reaching the server through Wine's ODBC and the host's
// FreeTDS of the program's own bitness.
class ProgramUnderTest {
 public:
  // thisBuild: this build's own program whatever JC_TDS_WINDOWS_BUILD says.
  explicit ProgramUnderTest(bool thisBuild = false) {
    const char* windows = thisBuild ? nullptr : std::getenv("JC_TDS_WINDOWS_BUILD");
    if (windows && *windows) {
      const std::filesystem::path build = windows;
      launcher_ = (build / "wine-run").string();
      program_ = (build / "bin" / "jumincheck.exe").string();
      module_ = (build / "bin" / "IndvInfmCrypto.dll").string();
      moduleName_ = "IndvInfmCrypto.dll";
      // Wine shows this machine's folders on its drive Z:.
      rootPrefix_ = "Z:";
      env_ = {"JUMINCHECK_ODBC_DRIVER=FreeTDS"};
    } else {
      program_ = std::string(JC_BIN_DIR) + "/jumincheck";
      module_ = JC_MODULE_PATH;
      moduleName_ = std::string("IndvInfmCrypto") + SharedLibrarySuffix();
    }
  }
  bool Windows() const { return !launcher_.empty(); }

  // Copies the program's crypto module into a root folder.
  void InstallModule(const ModuleRootFolder& folder) const {
    folder.MakeFolder();
    std::filesystem::copy_file(module_, folder.ModuleFolder() / moduleName_,
                               std::filesystem::copy_options::overwrite_existing);
  }

  // The command line that runs the program on a root folder.
  std::vector<std::string> CommandLine(const std::filesystem::path& root) const {
    std::vector<std::string> line;
    if (!launcher_.empty()) line.push_back(launcher_);
    line.insert(line.end(), {program_, "--root", rootPrefix_ + root.string()});
    return line;
  }
  const std::vector<std::string>& Environment() const { return env_; }
  // A path of this machine as the program names it.
  std::string PathFor(const std::filesystem::path& path) const { return rootPrefix_ + path.string(); }

 private:
  std::string launcher_, program_, module_, moduleName_, rootPrefix_;
  std::vector<std::string> env_;
};

// A root folder for the program: the crypto module installed, and the INI
// file naming the stand-in's host.
class ServerRoot {
 public:
  explicit ServerRoot(bool thisBuildsProgram = false) : program_(thisBuildsProgram) {
    program_.InstallModule(folder_);
    std::ofstream(folder_.Root() / "TELVARO" / "TELVARO.ini")
        << "[DATAPATH]\nPATH=" << StandInServer::Host() << "\n";
  }
  std::string Path() const { return folder_.Root().string(); }
  const ProgramUnderTest& Program() const { return program_; }

  // Runs the program on this root, killed after limitSeconds (status 124)
  // so that a hang fails the test instead of stalling it.
  ProgramResult Run(std::vector<std::string> args, int limitSeconds = 120,
                    std::vector<std::string> extraEnv = {}) const {
    std::vector<std::string> line = {Which("timeout"), "-k", "5", std::to_string(limitSeconds)};
    const std::vector<std::string> program = program_.CommandLine(folder_.Root());
    line.insert(line.end(), program.begin(), program.end());
    args.insert(args.begin(), line.begin(), line.end());
    extraEnv.insert(extraEnv.begin(), program_.Environment().begin(), program_.Environment().end());
    return RunProgram(args, extraEnv);
  }

 private:
  ModuleRootFolder folder_;
  ProgramUnderTest program_;
};

}  // namespace jc::test
