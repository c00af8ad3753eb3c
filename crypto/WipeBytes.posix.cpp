#include "crypto/WipeBytes.h"

#include <openssl/crypto.h>

namespace jc::crypto {

void WipeBytes(void* data, std::size_t size) {
  if (size != 0) OPENSSL_cleanse(data, size);
}

}  // namespace jc::crypto
