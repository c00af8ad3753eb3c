#pragma once
// Restores the process's current directory when it goes out of scope.
// Loading the crypto module makes the module's folder current for the rest
// of the run; code that loads it outside the tool's own run (the demo maker,
// tests) puts the directory back with this.
#include <filesystem>
#include <system_error>

namespace jc {

class CurrentDirectoryGuard {
 public:
  CurrentDirectoryGuard() : saved_(std::filesystem::current_path()) {}
  ~CurrentDirectoryGuard() {
    std::error_code ec;
    std::filesystem::current_path(saved_, ec);
  }
  CurrentDirectoryGuard(const CurrentDirectoryGuard&) = delete;
  CurrentDirectoryGuard& operator=(const CurrentDirectoryGuard&) = delete;
  const std::filesystem::path& Saved() const { return saved_; }

 private:
  std::filesystem::path saved_;
};

}  // namespace jc
