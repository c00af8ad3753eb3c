// A DLL's image as its headers describe it: the DOS header's pointer to the
// PE headers, the optional header of this process's kind, the section table,
// and every section's bytes in the file. The system's loader is left to
// judge the rest; this only refuses a file cut short, which some loaders map
// anyway (the missing bytes then read as zeros or fault when touched).
#include "crypto/SharedObjectFile.h"

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>

#include "common/HostPath.h"

namespace jc::crypto {

namespace {

template <typename T>
bool ReadAt(std::string_view bytes, std::uint64_t offset, T& out) {
  if (offset > bytes.size() || bytes.size() - offset < sizeof(T)) return false;
  std::memcpy(&out, bytes.data() + offset, sizeof(T));
  return true;
}

#ifdef _WIN64
using OptionalHeader = IMAGE_OPTIONAL_HEADER64;
constexpr WORD kMachine = IMAGE_FILE_MACHINE_AMD64;
#else
using OptionalHeader = IMAGE_OPTIONAL_HEADER32;
constexpr WORD kMachine = IMAGE_FILE_MACHINE_I386;
#endif

}  // namespace

bool IsCompleteSharedObject(std::string_view bytes) {
  IMAGE_DOS_HEADER dos;
  if (!ReadAt(bytes, 0, dos) || dos.e_magic != IMAGE_DOS_SIGNATURE || dos.e_lfanew < 0) return false;
  const std::uint64_t pe = static_cast<std::uint64_t>(dos.e_lfanew);
  DWORD signature = 0;
  IMAGE_FILE_HEADER file;
  if (!ReadAt(bytes, pe, signature) || signature != IMAGE_NT_SIGNATURE) return false;
  if (!ReadAt(bytes, pe + sizeof(DWORD), file)) return false;
  if (file.Machine != kMachine || !(file.Characteristics & IMAGE_FILE_DLL)) return false;
  if (file.SizeOfOptionalHeader < sizeof(OptionalHeader)) return false;
  const std::uint64_t optionalAt = pe + sizeof(DWORD) + sizeof(IMAGE_FILE_HEADER);
  OptionalHeader optional;
  if (!ReadAt(bytes, optionalAt, optional) || optional.SizeOfHeaders > bytes.size()) return false;
  const std::uint64_t sectionsAt = optionalAt + file.SizeOfOptionalHeader;
  for (WORD i = 0; i < file.NumberOfSections; ++i) {
    IMAGE_SECTION_HEADER section;
    if (!ReadAt(bytes, sectionsAt + std::uint64_t{i} * sizeof(IMAGE_SECTION_HEADER), section)) return false;
    const std::uint64_t end = std::uint64_t{section.PointerToRawData} + section.SizeOfRawData;
    if (section.SizeOfRawData != 0 && end > bytes.size()) return false;
  }
  return true;
}

bool IsCompleteSharedObjectFile(const std::string& path) {
  std::ifstream in(PathFromUtf8(path), std::ios::binary);
  if (!in) return false;
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return false;
  return IsCompleteSharedObject(bytes);
}

}  // namespace jc::crypto
