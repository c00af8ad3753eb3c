#pragma once
// Overwrites memory that held a secret, in a way the compiler may not drop
// as a dead store: the system's own function for it.
#include <cstddef>

namespace jc::crypto {

void WipeBytes(void* data, std::size_t size);

}  // namespace jc::crypto
