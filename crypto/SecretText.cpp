#include "crypto/SecretText.h"

#include "crypto/WipeBytes.h"

namespace jc::crypto {

void WipeString(std::string& s) {
  // Every byte the buffer owns: growing to the capacity reuses the buffer.
  s.resize(s.capacity());
  WipeBytes(s.data(), s.size());
  s.clear();
}

}  // namespace jc::crypto
