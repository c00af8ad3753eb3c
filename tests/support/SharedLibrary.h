#pragma once
// A library loaded by a test the way the tool loads the crypto module (every
// symbol resolved at once), for calling it or reading a test module's log.
#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <string>

#include "common/HostPath.h"

namespace jc::test {

class SharedLibrary {
 public:
  explicit SharedLibrary(const std::string& path) {
#ifdef _WIN32
    handle_ = reinterpret_cast<void*>(LoadLibraryW(PathFromUtf8(path).wstring().c_str()));
    if (!handle_) error_ = "LoadLibrary failed with error " + std::to_string(GetLastError());
#else
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) error_ = dlerror();
#endif
  }
  ~SharedLibrary() {
    if (!handle_) return;
#ifdef _WIN32
    FreeLibrary(static_cast<HMODULE>(handle_));
#else
    dlclose(handle_);
#endif
  }
  SharedLibrary(const SharedLibrary&) = delete;
  SharedLibrary& operator=(const SharedLibrary&) = delete;

  bool Loaded() const { return handle_ != nullptr; }
  const std::string& Error() const { return error_; }
  // The address of an export, or null.
  void* Symbol(const char* name) const {
    if (!handle_) return nullptr;
#ifdef _WIN32
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
#else
    return dlsym(handle_, name);
#endif
  }

 private:
  void* handle_ = nullptr;
  std::string error_;
};

}  // namespace jc::test
