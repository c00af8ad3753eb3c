#include "common/HostPath.h"

#include <algorithm>
#include <cctype>
#include <system_error>

namespace jc {

namespace {

#ifdef _WIN32
constexpr bool kWindows = true;
#else
constexpr bool kWindows = false;
#endif

bool HasDrivePrefix(const std::string& p) {
  return p.size() >= 3 && (p[0] == 'C' || p[0] == 'c') && p[1] == ':' && p[2] == '\\';
}

}  // namespace

std::filesystem::path PathFromUtf8(std::string_view utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string PathToUtf8(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

std::string AbsoluteRoot(const std::string& root) {
  if (root.empty()) return kWindows ? std::string() : std::string("/");
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(PathFromUtf8(root), ec);
  // Without a current directory (it was removed) there is nothing to
  // resolve against: the root stays as given.
  if (ec) return root;
  return PathToUtf8(absolute.lexically_normal().make_preferred());
}

PathMapper::PathMapper(std::string root) : root_(AbsoluteRoot(root)) {}

const char* SharedLibrarySuffix() {
#ifdef _WIN32
  return ".dll";
#elif defined(__APPLE__)
  return ".dylib";
#else
  return ".so";
#endif
}

std::string PathMapper::Map(const std::string& windowsPath) const {
  std::string p = windowsPath;
  if (kWindows) {
    // The fixed paths stand as they are unless a root folder stands for "C:\".
    if (root_.empty() || !HasDrivePrefix(p)) return p;
    std::string root = root_;
    if (root.back() != '\\' && root.back() != '/') root += '\\';
    return root + p.substr(3);
  }
  if (HasDrivePrefix(p)) {
    std::string root = root_;
    if (root.back() != '/') root += '/';
    p = root + p.substr(3);
  }
  std::replace(p.begin(), p.end(), '\\', '/');
  const std::string dll = ".dll";
  if (p.size() > dll.size()) {
    std::string tail = p.substr(p.size() - dll.size());
    std::transform(tail.begin(), tail.end(), tail.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (tail == dll) p = p.substr(0, p.size() - dll.size()) + SharedLibrarySuffix();
  }
  return p;
}

}  // namespace jc
