#include "common/SpillFile.h"

#include <cerrno>
#include <cstring>
#include <random>
#include <utility>

#include "common/TemporaryFile.h"

namespace jc {

namespace {

inline std::uint32_t Rotl(std::uint32_t v, int c) { return (v << c) | (v >> (32 - c)); }

inline void QuarterRound(std::uint32_t* x, int a, int b, int c, int d) {
  x[a] += x[b];
  x[d] = Rotl(x[d] ^ x[a], 16);
  x[c] += x[d];
  x[b] = Rotl(x[b] ^ x[c], 12);
  x[a] += x[b];
  x[d] = Rotl(x[d] ^ x[a], 8);
  x[c] += x[d];
  x[b] = Rotl(x[b] ^ x[c], 7);
}

void Block(const std::uint32_t key[8], const std::uint32_t nonce[3], std::uint32_t counter, unsigned char out[64]) {
  std::uint32_t state[16] = {0x61707865, 0x3320646e, 0x79622d32, 0x6b206574, key[0], key[1], key[2], key[3],
                             key[4],     key[5],     key[6],     key[7],     counter, nonce[0], nonce[1], nonce[2]};
  std::uint32_t x[16];
  std::memcpy(x, state, sizeof x);
  for (int i = 0; i < 10; ++i) {
    QuarterRound(x, 0, 4, 8, 12);
    QuarterRound(x, 1, 5, 9, 13);
    QuarterRound(x, 2, 6, 10, 14);
    QuarterRound(x, 3, 7, 11, 15);
    QuarterRound(x, 0, 5, 10, 15);
    QuarterRound(x, 1, 6, 11, 12);
    QuarterRound(x, 2, 7, 8, 13);
    QuarterRound(x, 3, 4, 9, 14);
  }
  for (int i = 0; i < 16; ++i) {
    const std::uint32_t v = x[i] + state[i];
    out[4 * i] = static_cast<unsigned char>(v);
    out[4 * i + 1] = static_cast<unsigned char>(v >> 8);
    out[4 * i + 2] = static_cast<unsigned char>(v >> 16);
    out[4 * i + 3] = static_cast<unsigned char>(v >> 24);
  }
}

}  // namespace

void ChaCha20Xor(const std::uint32_t key[8], const std::uint32_t nonce[3], std::uint32_t counter, unsigned char* data,
                 std::size_t size) {
  unsigned char stream[64];
  for (std::size_t done = 0; done < size; done += 64, ++counter) {
    Block(key, nonce, counter, stream);
    const std::size_t n = size - done < 64 ? size - done : 64;
    for (std::size_t i = 0; i < n; ++i) data[done + i] ^= stream[i];
  }
}

SpillFile::SpillFile(std::string failureText) : failureText_(std::move(failureText)) {}

SpillFile::~SpillFile() {
  if (file_) std::fclose(file_);
  volatile std::uint32_t* key = key_;
  for (int i = 0; i < 8; ++i) key[i] = 0;
}

void SpillFile::Fail(const char* step) const {
  const int error = errno;
  throw SpillError(failureText_ + " (" + step + "): " + std::strerror(error));
}

SpillFile::Block SpillFile::Write(std::string& bytes) {
  if (!file_) {
    file_ = OpenTemporaryFile();
    if (!file_) Fail("create");
    std::random_device random;
    for (std::uint32_t& word : key_) word = random();
  }
  Block block;
  block.offset = size_;
  block.number = written_++;
  block.size = bytes.size();
  const std::uint32_t nonce[3] = {static_cast<std::uint32_t>(block.number),
                                  static_cast<std::uint32_t>(block.number >> 32), 0};
  ChaCha20Xor(key_, nonce, 0, reinterpret_cast<unsigned char*>(bytes.data()), bytes.size());
  if (!SeekTo(file_, size_)) Fail("seek");
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) Fail("write");
  size_ += bytes.size();
  return block;
}

void SpillFile::Read(const Block& block, std::string& bytes) {
  if (!file_) {
    errno = EBADF;
    Fail("read");
  }
  if (std::fflush(file_) != 0) Fail("write");
  if (!SeekTo(file_, block.offset)) Fail("seek");
  bytes.resize(block.size);
  if (std::fread(bytes.data(), 1, block.size, file_) != block.size) Fail("read");
  const std::uint32_t nonce[3] = {static_cast<std::uint32_t>(block.number),
                                  static_cast<std::uint32_t>(block.number >> 32), 0};
  ChaCha20Xor(key_, nonce, 0, reinterpret_cast<unsigned char*>(bytes.data()), bytes.size());
}

}  // namespace jc
