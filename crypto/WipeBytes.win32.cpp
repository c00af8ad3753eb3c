#include "crypto/WipeBytes.h"

#include <windows.h>

namespace jc::crypto {

void WipeBytes(void* data, std::size_t size) {
  if (size != 0) SecureZeroMemory(data, size);
}

}  // namespace jc::crypto
