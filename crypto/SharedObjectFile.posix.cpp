#include "crypto/SharedObjectFile.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>

#include <elf.h>
#include <link.h>

namespace jc::crypto {

namespace {

// [offset, offset + count * size) lies within n bytes, without overflow.
bool Within(std::uint64_t offset, std::uint64_t count, std::uint64_t size, std::uint64_t n) {
  if (offset > n) return false;
  if (size != 0 && count > (n - offset) / size) return false;
  return true;
}

template <class T>
T Read(std::string_view bytes, std::uint64_t offset) {
  T value;
  std::memcpy(&value, bytes.data() + offset, sizeof value);
  return value;
}

constexpr unsigned char kHostClass = sizeof(void*) == 8 ? ELFCLASS64 : ELFCLASS32;
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
constexpr unsigned char kHostData = ELFDATA2LSB;
#else
constexpr unsigned char kHostData = ELFDATA2MSB;
#endif

}  // namespace

bool IsCompleteSharedObject(std::string_view bytes) {
  using Ehdr = ElfW(Ehdr);
  using Phdr = ElfW(Phdr);
  using Shdr = ElfW(Shdr);
  const std::uint64_t n = bytes.size();
  if (n < sizeof(Ehdr) || std::memcmp(bytes.data(), ELFMAG, SELFMAG) != 0) return false;
  const auto eh = Read<Ehdr>(bytes, 0);
  if (eh.e_ident[EI_CLASS] != kHostClass || eh.e_ident[EI_DATA] != kHostData || eh.e_type != ET_DYN) return false;

  // Program headers and the segments they describe: what the loader maps.
  if (eh.e_phnum == 0 || eh.e_phentsize != sizeof(Phdr) || !Within(eh.e_phoff, eh.e_phnum, sizeof(Phdr), n))
    return false;
  for (std::uint64_t i = 0; i < eh.e_phnum; ++i) {
    const auto ph = Read<Phdr>(bytes, eh.e_phoff + i * sizeof(Phdr));
    if (!Within(ph.p_offset, ph.p_filesz, 1, n)) return false;
  }

  // Section headers and the sections with bytes in the file.
  if (eh.e_shoff == 0) return true;  // none: the loader does not need them
  if (eh.e_shentsize != sizeof(Shdr) || !Within(eh.e_shoff, 1, sizeof(Shdr), n)) return false;
  std::uint64_t count = eh.e_shnum;
  if (count == 0) count = Read<Shdr>(bytes, eh.e_shoff).sh_size;  // more than SHN_LORESERVE sections
  if (!Within(eh.e_shoff, count, sizeof(Shdr), n)) return false;
  for (std::uint64_t i = 0; i < count; ++i) {
    const auto sh = Read<Shdr>(bytes, eh.e_shoff + i * sizeof(Shdr));
    if (sh.sh_type != SHT_NOBITS && !Within(sh.sh_offset, sh.sh_size, 1, n)) return false;
  }
  return true;
}

bool IsCompleteSharedObjectFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return false;
  return IsCompleteSharedObject(bytes);
}

}  // namespace jc::crypto
