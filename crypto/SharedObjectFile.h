#pragma once
// Whether a file is a complete shared library of this platform's kind before
// it is handed to the system's loader. The loader maps a library's segments as
// its headers describe them; a file cut short (a failed copy) then kills the
// process when a page past its end is touched (SIGBUS on Linux), or loads with
// part of the library missing, instead of failing the load.
#include <string>
#include <string_view>

namespace jc::crypto {

// On Linux an ELF file of this platform's class and byte order, of type shared
// object, whose program headers, section headers, segments and sections all
// lie within the bytes; on Windows a PE file of this process's machine, a DLL,
// whose headers and sections all lie within the bytes.
bool IsCompleteSharedObject(std::string_view bytes);

// The same for a file; false when it cannot be read.
bool IsCompleteSharedObjectFile(const std::string& path);

}  // namespace jc::crypto
