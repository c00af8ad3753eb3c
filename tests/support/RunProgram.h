#pragma once
// Runs a program as a subprocess and collects its stdout, stderr and exit
// status, as a user's shell would see them.
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

namespace jc::test {

// The full path of a program found on PATH, or empty.
inline std::string Which(const std::string& tool) {
  const char* path = std::getenv("PATH");
  std::stringstream dirs(path ? path : "/usr/bin:/bin");
  std::string dir;
  while (std::getline(dirs, dir, ':')) {
    const auto candidate = std::filesystem::path(dir) / tool;
    if (access(candidate.c_str(), X_OK) == 0) return candidate.string();
  }
  return {};
}

struct ProgramResult {
  int status = -1;  // exit status; 128 + signal when killed
  std::string out;
  std::string err;
};

// argv[0] is the program's path. extraEnv entries ("NAME=value") are added to
// (or override) the current environment. workingDir, when given, is the
// program's current directory (a relative path in argv resolves against it).
inline ProgramResult RunProgram(const std::vector<std::string>& argv,
                                const std::vector<std::string>& extraEnv = {},
                                const std::string& workingDir = {}) {
  int outPipe[2], errPipe[2];
  if (pipe(outPipe) != 0 || pipe(errPipe) != 0) throw std::runtime_error("pipe failed");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
  posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
  posix_spawn_file_actions_addclose(&actions, outPipe[0]);
  posix_spawn_file_actions_addclose(&actions, errPipe[0]);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", 0, 0);
  if (!workingDir.empty()) posix_spawn_file_actions_addchdir_np(&actions, workingDir.c_str());

  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    std::string entry = *e;
    bool overridden = false;
    for (const auto& x : extraEnv)
      if (entry.substr(0, entry.find('=') + 1) == x.substr(0, x.find('=') + 1)) overridden = true;
    if (!overridden) env.push_back(entry);
  }
  env.insert(env.end(), extraEnv.begin(), extraEnv.end());
  std::vector<char*> envp, args;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::vector<std::string> argCopy = argv;
  for (auto& a : argCopy) args.push_back(a.data());
  args.push_back(nullptr);

  pid_t pid = 0;
  const int rc = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(outPipe[1]);
  close(errPipe[1]);
  if (rc != 0) {
    close(outPipe[0]);
    close(errPipe[0]);
    throw std::runtime_error("cannot start " + argv[0]);
  }
  ProgramResult result;
  pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
  std::string* sinks[2] = {&result.out, &result.err};
  int open = 2;
  char buf[8192];
  while (open > 0) {
    if (poll(fds, 2, -1) < 0) break;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      const ssize_t n = read(fds[i].fd, buf, sizeof buf);
      if (n > 0) {
        sinks[i]->append(buf, static_cast<std::size_t>(n));
      } else {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      }
    }
  }
  int wstatus = 0;
  waitpid(pid, &wstatus, 0);
  result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
  return result;
}

}  // namespace jc::test
