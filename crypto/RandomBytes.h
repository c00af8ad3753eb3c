#pragma once
// Bytes from the operating system's cryptographic random source.
#include <cstddef>

namespace jc::crypto {

// Fills data with size random bytes. Throws std::runtime_error when the
// source fails (nothing is then to be made from the bytes).
void RandomBytes(unsigned char* data, std::size_t size);

}  // namespace jc::crypto
