#pragma once
// A throw-away folder standing for "C:\" with a crypto module installed where
// the tool looks for it (<root>/TELVARO/Dll/HIRAEncryption/IndvInfmCrypto.so),
// and a guard that puts the process's current directory back (the loader
// changes it).
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "common/CurrentDirectoryGuard.h"
#include "common/HostPath.h"

namespace jc::test {

class ModuleRootFolder {
 public:
  ModuleRootFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "jc-root-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    root_ = pattern;
  }
  ~ModuleRootFolder() {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
  ModuleRootFolder(const ModuleRootFolder&) = delete;
  ModuleRootFolder& operator=(const ModuleRootFolder&) = delete;

  const std::filesystem::path& Root() const { return root_; }
  PathMapper Paths() const { return PathMapper(root_.string()); }
  std::filesystem::path ModuleFolder() const { return root_ / "TELVARO" / "Dll" / "HIRAEncryption"; }
  std::filesystem::path ModuleFile() const {
    return ModuleFolder() / (std::string("IndvInfmCrypto") + SharedLibrarySuffix());
  }

  // Makes the module folder, empty.
  void MakeFolder() const { std::filesystem::create_directories(ModuleFolder()); }
  // Copies a module file to where the tool loads it from.
  void Install(const std::string& modulePath) const {
    MakeFolder();
    std::filesystem::copy_file(modulePath, ModuleFile(), std::filesystem::copy_options::overwrite_existing);
  }

 private:
  std::filesystem::path root_;
};

using CurrentDirectoryGuard = jc::CurrentDirectoryGuard;

}  // namespace jc::test
