#pragma once
// A throw-away folder standing for "C:\" with a crypto module installed where
// the tool looks for it (<root>/TELVARO/Dll/HIRAEncryption/IndvInfmCrypto.so,
// or .dll), and a guard that puts the process's current directory back (the
// loader changes it). On Windows too the module goes only into that folder,
// never into the fixed one: a root folder stands for "C:\" in every test.
#include <cstdint>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>

#include "common/CurrentDirectoryGuard.h"
#include "common/HostPath.h"

namespace jc::test {

// A new, empty folder in the temporary folder, its name prefix followed by
// random letters; never one that existed before.
inline std::filesystem::path MakeTempFolder(const std::string& prefix) {
  static std::mt19937_64 random{std::random_device{}()};
  const std::filesystem::path base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = prefix;
    std::uint64_t bits = random();
    for (int i = 0; i < 12; ++i, bits >>= 5) name += "abcdefghijklmnopqrstuvwxyz234567"[bits & 31];
    std::error_code ec;
    if (std::filesystem::create_directory(base / name, ec)) return base / name;
  }
  throw std::runtime_error("cannot make a temporary folder in " + base.string());
}

class ModuleRootFolder {
 public:
  ModuleRootFolder() : root_(MakeTempFolder("jc-root-")) {}
  ~ModuleRootFolder() {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
  ModuleRootFolder(const ModuleRootFolder&) = delete;
  ModuleRootFolder& operator=(const ModuleRootFolder&) = delete;

  const std::filesystem::path& Root() const { return root_; }
  PathMapper Paths() const { return PathMapper(PathToUtf8(root_)); }
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
