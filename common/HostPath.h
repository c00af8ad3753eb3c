#pragma once
// The tool names its files with fixed Windows paths ("C:\TELVARO\..."). This
// is the one place that maps them onto the host: on Windows they stay as they
// are; elsewhere "C:\" becomes a root folder, backslashes become slashes and a
// ".dll" file name takes the platform's shared-library suffix.
#include <string>

namespace jc {

// The root folder as an absolute path: a relative root is resolved against
// the current directory now, once, because loading the crypto module later
// makes the module's folder current for the rest of the run. Empty is "/".
std::string AbsoluteRoot(const std::string& root);

class PathMapper {
 public:
  // root: the folder that stands for "C:\" (ignored on Windows); a relative
  // root is made absolute here (AbsoluteRoot).
  explicit PathMapper(std::string root = "/");
  const std::string& Root() const { return root_; }
  std::string Map(const std::string& windowsPath) const;

 private:
  std::string root_;
};

// Shared-library suffix of the platform: ".dll" on Windows, ".so" elsewhere.
const char* SharedLibrarySuffix();

}  // namespace jc
