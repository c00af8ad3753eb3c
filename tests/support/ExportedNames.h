#pragma once
// The names a shared library exports, read from the file itself: the
// functions and objects of an ELF library's dynamic symbol table, or the
// export directory of a Windows DLL (where a stdcall name left decorated
// would show as "_name@N").
#ifndef _WIN32
#include <elf.h>
#endif

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "common/HostPath.h"

namespace jc::test {

inline std::vector<char> ReadWholeFile(const std::string& path) {
  std::ifstream in(PathFromUtf8(path), std::ios::binary);
  return std::vector<char>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

#ifndef _WIN32

inline std::set<std::string> ExportedNames(const std::string& path) {
  const std::vector<char> file = ReadWholeFile(path);
  std::set<std::string> names;
  if (file.size() < sizeof(Elf64_Ehdr)) return names;
  const auto* eh = reinterpret_cast<const Elf64_Ehdr*>(file.data());
  const auto* sh = reinterpret_cast<const Elf64_Shdr*>(file.data() + eh->e_shoff);
  for (int i = 0; i < eh->e_shnum; ++i) {
    if (sh[i].sh_type != SHT_DYNSYM) continue;
    const char* strings = file.data() + sh[sh[i].sh_link].sh_offset;
    const auto* sym = reinterpret_cast<const Elf64_Sym*>(file.data() + sh[i].sh_offset);
    for (std::size_t k = 0; k < sh[i].sh_size / sizeof(Elf64_Sym); ++k) {
      const int bind = ELF64_ST_BIND(sym[k].st_info);
      if (sym[k].st_shndx != SHN_UNDEF && (bind == STB_GLOBAL || bind == STB_WEAK) && sym[k].st_name)
        names.insert(strings + sym[k].st_name);
    }
  }
  return names;
}

#else

// The PE format, read with bounds checks: DOS header -> "PE\0\0" -> optional
// header (PE32 or PE32+) -> export directory -> name pointer table.
inline std::set<std::string> ExportedNames(const std::string& path) {
  const std::vector<char> file = ReadWholeFile(path);
  std::set<std::string> names;
  auto u16 = [&](std::size_t at) -> std::uint32_t {
    if (at + 2 > file.size()) return 0;
    std::uint16_t v;
    std::memcpy(&v, file.data() + at, 2);
    return v;
  };
  auto u32 = [&](std::size_t at) -> std::uint32_t {
    if (at + 4 > file.size()) return 0;
    std::uint32_t v;
    std::memcpy(&v, file.data() + at, 4);
    return v;
  };
  const std::size_t pe = u32(0x3C);
  if (u32(pe) != 0x00004550) return names;
  const std::size_t coff = pe + 4;
  const std::uint32_t sections = u16(coff + 2);
  const std::uint32_t optionalSize = u16(coff + 16);
  const std::size_t optional = coff + 20;
  const bool plus = u16(optional) == 0x20B;
  const std::uint32_t exportRva = u32(optional + (plus ? 112 : 96));
  const std::size_t sectionTable = optional + optionalSize;
  // A relative virtual address to its offset in the file.
  auto offset = [&](std::uint32_t rva) -> std::size_t {
    for (std::uint32_t i = 0; i < sections; ++i) {
      const std::size_t s = sectionTable + 40 * i;
      const std::uint32_t va = u32(s + 12), size = u32(s + 16), raw = u32(s + 20);
      if (rva >= va && rva < va + size) return raw + (rva - va);
    }
    return file.size();
  };
  if (exportRva == 0) return names;
  const std::size_t dir = offset(exportRva);
  const std::uint32_t count = u32(dir + 24);
  const std::size_t table = offset(u32(dir + 32));
  for (std::uint32_t i = 0; i < count && table + 4 * i + 4 <= file.size(); ++i) {
    const std::size_t at = offset(u32(table + 4 * i));
    if (at >= file.size()) continue;
    const char* name = file.data() + at;
    names.insert(std::string(name, strnlen(name, file.size() - at)));
  }
  return names;
}

#endif

}  // namespace jc::test
