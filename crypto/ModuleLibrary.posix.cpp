#include "crypto/ModuleLibrary.h"

#include <dlfcn.h>

#include "crypto/SharedObjectFile.h"

namespace jc::crypto {

void* OpenModuleLibrary(const std::string& path) {
  // The dynamic loader maps a library's segments as its headers say: a file
  // cut short would kill the process when a page past its end is touched.
  if (!IsCompleteSharedObjectFile(path)) return nullptr;
  return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* ModuleLibrarySymbol(void* library, const char* name) { return dlsym(library, name); }

void CloseModuleLibrary(void* library) { dlclose(library); }

}  // namespace jc::crypto
