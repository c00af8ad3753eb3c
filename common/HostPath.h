#pragma once
// The tool names its files with fixed Windows paths ("C:\TELVARO\..."). This
// is the one place that maps them onto the host. On Windows they are used as
// they stand, unless a root folder is given: then "C:\" becomes that folder
// (a demo root, a test's throw-away folder). Elsewhere "C:\" always becomes a
// root folder ("/" when none is given), backslashes become slashes and a
// ".dll" file name takes the platform's shared-library suffix.
#include <filesystem>
#include <string>
#include <string_view>

namespace jc {

// The root folder as an absolute path: a relative root is resolved against
// the current directory now, once, because loading the crypto module later
// makes the module's folder current for the rest of the run. Empty is no
// root: "/" on Linux, and on Windows the fixed paths as they stand.
std::string AbsoluteRoot(const std::string& root);

class PathMapper {
 public:
  // root: the folder that stands for "C:\" (see AbsoluteRoot).
  explicit PathMapper(std::string root = {});
  const std::string& Root() const { return root_; }
  std::string Map(const std::string& windowsPath) const;

 private:
  std::string root_;
};

// Shared-library suffix of the platform: ".dll" on Windows, ".so" elsewhere.
const char* SharedLibrarySuffix();

// A file-system path from the tool's UTF-8 text and back, whatever the
// system's own narrow encoding (on Windows the ANSI code page).
std::filesystem::path PathFromUtf8(std::string_view utf8);
std::string PathToUtf8(const std::filesystem::path& path);

}  // namespace jc
