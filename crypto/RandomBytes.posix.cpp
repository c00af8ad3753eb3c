#include "crypto/RandomBytes.h"

#include <openssl/rand.h>

#include <climits>
#include <stdexcept>

namespace jc::crypto {

void RandomBytes(unsigned char* data, std::size_t size) {
  if (size > INT_MAX || RAND_bytes(data, static_cast<int>(size)) != 1)
    throw std::runtime_error("no random bytes from the system");
}

}  // namespace jc::crypto
