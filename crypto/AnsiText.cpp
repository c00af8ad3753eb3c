#include "crypto/AnsiText.h"

namespace jc::crypto {

std::size_t Utf16Length(std::string_view utf8) {
  std::size_t n = 0;
  for (unsigned char c : utf8) {
    if ((c & 0xC0) != 0x80) ++n;  // a lead (or single) byte
    if (c >= 0xF0) ++n;           // four-byte sequence: a surrogate pair
  }
  return n;
}

}  // namespace jc::crypto
