#include "common/Shell.h"

namespace jc {

std::string FormatErrorText(const std::string& message) {
  if (message.empty()) return message;
  const auto last = static_cast<unsigned char>(message.back());
  // A multi-byte UTF-8 character ends in a byte >= 0x80, above '.', as its
  // code point is; so the byte test gives the character test.
  if (last > static_cast<unsigned char>('.')) return message + ".";
  return message;
}

}  // namespace jc
