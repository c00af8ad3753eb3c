#pragma once
// Unsigned numbers as base-128 varints (seven bits a byte, low bits first,
// the high bit set on every byte but the last): the lengths and counts of
// the packed rows kept in memory and in temporary files.
#include <cstddef>
#include <cstdint>
#include <string>

namespace jc {

inline void PutVarint(std::string& out, std::uint64_t v) {
  while (v >= 0x80) {
    out.push_back(static_cast<char>((v & 0x7f) | 0x80));
    v >>= 7;
  }
  out.push_back(static_cast<char>(v));
}

// Reads the varint at pos and moves pos past it. The bytes were written by
// PutVarint in this process: they are not checked.
inline std::uint64_t GetVarint(const std::string& in, std::size_t& pos) {
  std::uint64_t v = 0;
  for (int shift = 0;; shift += 7) {
    const auto byte = static_cast<unsigned char>(in[pos++]);
    v |= static_cast<std::uint64_t>(byte & 0x7f) << shift;
    if (!(byte & 0x80)) return v;
  }
}

}  // namespace jc
