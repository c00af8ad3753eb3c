#pragma once
// Blocks of bytes a process cannot keep in memory (the rows of a large query
// result, of a long grid) parked in a temporary file and read back on demand.
// The file has no name in any folder (common/TemporaryFile.h) and what is
// written is encrypted with ChaCha20 under a key that exists only in this
// object, each block under a nonce of its own: the rows (names, resident
// numbers) are never readable on disk, not even in the blocks the file leaves
// behind once the process ends.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>

namespace jc {

// A failure to create, write or read the file; what() says which and why.
class SpillError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class SpillFile {
 public:
  // Where a block lies in the file and the nonce it was written under.
  struct Block {
    std::uint64_t offset = 0;
    std::uint64_t number = 0;
    std::size_t size = 0;
  };

  // failureText begins every error's message ("The rows of the result could
  // not be kept in a temporary file"); the step and the system's reason
  // follow. The file is made by the first Write.
  explicit SpillFile(std::string failureText);
  ~SpillFile();
  SpillFile(const SpillFile&) = delete;
  SpillFile& operator=(const SpillFile&) = delete;

  // Encrypts bytes in place and appends them to the file. Blocks are never
  // overwritten: a block written again goes to the end under a new nonce.
  Block Write(std::string& bytes);
  // The block's bytes, decrypted, into bytes.
  void Read(const Block& block, std::string& bytes);

  bool Opened() const { return file_ != nullptr; }
  std::uint64_t Size() const { return size_; }

 private:
  [[noreturn]] void Fail(const char* step) const;

  std::string failureText_;
  std::FILE* file_ = nullptr;
  std::uint64_t size_ = 0;
  std::uint64_t written_ = 0;  // blocks so far: the next block's nonce
  std::uint32_t key_[8] = {};
};

// XORs data with the ChaCha20 key stream (RFC 8439) of key, nonce and the
// block counter counter: encryption and decryption alike.
void ChaCha20Xor(const std::uint32_t key[8], const std::uint32_t nonce[3], std::uint32_t counter, unsigned char* data,
                 std::size_t size);

}  // namespace jc
