#pragma once
// The system's loader for the crypto module: load a library by its full path,
// find an exported function by name, unload.
#include <string>

namespace jc::crypto {

// Loads the library at path (UTF-8) with every symbol it needs resolved at
// once; null on any failure, a damaged or cut-short file included, and
// without any dialog of the system's.
void* OpenModuleLibrary(const std::string& path);
// The address of the export name, or null.
void* ModuleLibrarySymbol(void* library, const char* name);
void CloseModuleLibrary(void* library);

}  // namespace jc::crypto
