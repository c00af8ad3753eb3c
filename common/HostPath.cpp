#include "common/HostPath.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace jc {

std::string AbsoluteRoot(const std::string& root) {
  if (root.empty()) return "/";
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(root, ec);
  // Without a current directory (it was removed) there is nothing to
  // resolve against: the root stays as given.
  if (ec) return root;
  return absolute.lexically_normal().string();
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
#ifdef _WIN32
  return windowsPath;
#else
  std::string p = windowsPath;
  if (p.size() >= 3 && (p[0] == 'C' || p[0] == 'c') && p[1] == ':' && p[2] == '\\') {
    std::string rest = p.substr(3);
    std::string root = root_;
    if (root.back() != '/') root += '/';
    p = root + rest;
  }
  std::replace(p.begin(), p.end(), '\\', '/');
  const std::string dll = ".dll";
  if (p.size() > dll.size()) {
    std::string tail = p.substr(p.size() - dll.size());
    std::transform(tail.begin(), tail.end(), tail.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (tail == dll) p = p.substr(0, p.size() - dll.size()) + SharedLibrarySuffix();
  }
  return p;
#endif
}

}  // namespace jc
