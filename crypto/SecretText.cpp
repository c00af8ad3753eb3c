#include "crypto/SecretText.h"

#include <openssl/crypto.h>

namespace jc::crypto {

void WipeString(std::string& s) {
  // Every byte the buffer owns: growing to the capacity reuses the buffer.
  s.resize(s.capacity());
  if (!s.empty()) OPENSSL_cleanse(s.data(), s.size());
  s.clear();
}

}  // namespace jc::crypto
