#include "common/Identity.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <pwd.h>
#include <unistd.h>
#endif

#include <cstdlib>
#include <vector>

namespace jc {

#ifdef _WIN32
namespace {
std::string Utf8(const wchar_t* text, int length) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), n, nullptr, nullptr);
  return out;
}
}  // namespace

std::string MachineName() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  if (!GetComputerNameW(name, &size)) return "unknown";
  return Utf8(name, static_cast<int>(size));
}

std::string UserName() {
  wchar_t name[257];
  DWORD size = 257;
  if (!GetUserNameW(name, &size) || size == 0) return "unknown";
  return Utf8(name, static_cast<int>(size - 1));  // size counts the terminating zero
}
#else
std::string MachineName() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return "unknown";
  return name;
}

std::string UserName() {
  // The account the process runs as, not a variable anyone can set.
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_name)
    return found->pw_name;
  const char* env = std::getenv("USER");
  return env && *env ? env : "unknown";
}
#endif

}  // namespace jc
