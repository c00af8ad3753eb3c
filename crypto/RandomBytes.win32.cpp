#include "crypto/RandomBytes.h"

#include <windows.h>
#include <bcrypt.h>

#include <climits>
#include <stdexcept>

namespace jc::crypto {

void RandomBytes(unsigned char* data, std::size_t size) {
  if (size > ULONG_MAX ||
      !BCRYPT_SUCCESS(BCryptGenRandom(nullptr, data, static_cast<ULONG>(size), BCRYPT_USE_SYSTEM_PREFERRED_RNG)))
    throw std::runtime_error("no random bytes from the system");
}

}  // namespace jc::crypto
