#include "crypto/ModuleLibrary.h"

#include <windows.h>

#include "common/WideText.h"
#include "crypto/SharedObjectFile.h"

namespace jc::crypto {

void* OpenModuleLibrary(const std::string& path) {
  // A copy cut short is refused here: not every loader checks that the
  // sections its headers describe are in the file.
  if (!IsCompleteSharedObjectFile(path)) return nullptr;
  // A file that is no DLL (or a damaged one) fails the load with an error
  // code; the system's "bad image" box must not stop the tool instead.
  DWORD previous = 0;
  const bool quiet = SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previous) != 0;
  // By full path; the DLLs the module itself needs are looked for in its own
  // folder first, as when the pharmacy system loads it.
  HMODULE module = LoadLibraryExW(Widen(path).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (quiet) SetThreadErrorMode(previous, nullptr);
  return reinterpret_cast<void*>(module);
}

void* ModuleLibrarySymbol(void* library, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void CloseModuleLibrary(void* library) { FreeLibrary(static_cast<HMODULE>(library)); }

}  // namespace jc::crypto
