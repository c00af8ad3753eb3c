#include "db/RowStore.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>

#include "db/TemporaryFile.h"


namespace jc::db {

// ---------------------------------------------------------------- ChaCha20

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

// ---------------------------------------------------------------- encoding

namespace {

// A row: its number of cells, then per cell 0 for NULL or the length plus
// one, then the bytes; numbers as base-128 varints.
void PutVarint(std::string& out, std::uint64_t v) {
  while (v >= 0x80) {
    out.push_back(static_cast<char>((v & 0x7f) | 0x80));
    v >>= 7;
  }
  out.push_back(static_cast<char>(v));
}

std::uint64_t GetVarint(const std::string& in, std::size_t& pos) {
  std::uint64_t v = 0;
  for (int shift = 0;; shift += 7) {
    const auto byte = static_cast<unsigned char>(in[pos++]);
    v |= static_cast<std::uint64_t>(byte & 0x7f) << shift;
    if (!(byte & 0x80)) return v;
  }
}

[[noreturn]] void FileFailed(const char* what) {
  const int error = errno;
  throw DbError(std::string("The rows of the result could not be kept in a temporary file (") + what +
                "): " + std::strerror(error));
}

}  // namespace

// ---------------------------------------------------------------- store

RowStore::RowStore(std::size_t memoryBytes, std::size_t chunkBytes)
    : memoryBytes_(memoryBytes), chunkBytes_(chunkBytes ? chunkBytes : 1) {}

RowStore::~RowStore() { Clear(); }

void RowStore::Clear() {
  chunks_.clear();
  chunks_.shrink_to_fit();
  std::string().swap(open_);
  std::string().swap(loaded_);
  inMemory_ = 0;
  count_ = 0;
  if (file_) std::fclose(file_);
  file_ = nullptr;
  fileSize_ = 0;
  readChunk_ = 0;
  readPos_ = 0;
  readBytes_ = nullptr;
  loadedIndex_ = static_cast<std::size_t>(-1);
}

void RowStore::Append(const std::vector<Cell>& cells) {
  PutVarint(open_, cells.size());
  for (const Cell& cell : cells) {
    if (!cell) {
      open_.push_back('\0');
      continue;
    }
    PutVarint(open_, static_cast<std::uint64_t>(cell->size()) + 1);
    open_.append(*cell);
  }
  ++count_;
  if (open_.size() >= chunkBytes_) Seal();
}

void RowStore::Finish() {
  if (!open_.empty()) Seal();
  std::string().swap(open_);
  Rewind();
}

void RowStore::Seal() {
  Chunk chunk;
  chunk.size = open_.size();
  if (inMemory_ + open_.size() <= memoryBytes_) {
    inMemory_ += open_.size();
    chunk.bytes = std::move(open_);
  } else {
    WriteToFile(chunk, open_, chunks_.size());
  }
  chunks_.push_back(std::move(chunk));
  open_.clear();
  open_.reserve(chunkBytes_ + chunkBytes_ / 8);
}

void RowStore::WriteToFile(Chunk& chunk, std::string& bytes, std::uint64_t index) {
  if (!file_) {
    file_ = OpenTemporaryFile();
    if (!file_) FileFailed("create");
    std::random_device random;
    for (std::uint32_t& word : key_) word = random();
  }
  // The chunk's number is its nonce: no two chunks share a key stream.
  const std::uint32_t nonce[3] = {static_cast<std::uint32_t>(index), static_cast<std::uint32_t>(index >> 32), 0};
  ChaCha20Xor(key_, nonce, 0, reinterpret_cast<unsigned char*>(bytes.data()), bytes.size());
  if (!SeekTo(file_, fileSize_)) FileFailed("seek");
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) FileFailed("write");
  chunk.offset = fileSize_;
  fileSize_ += bytes.size();
}

void RowStore::LoadChunk(std::size_t index) {
  const Chunk& chunk = chunks_[index];
  if (chunk.bytes.size() == chunk.size) {
    readBytes_ = &chunk.bytes;
    return;
  }
  if (loadedIndex_ != index) {
    if (std::fflush(file_) != 0) FileFailed("write");
    if (!SeekTo(file_, chunk.offset)) FileFailed("seek");
    loaded_.resize(chunk.size);
    if (std::fread(loaded_.data(), 1, chunk.size, file_) != chunk.size) FileFailed("read");
    const std::uint32_t nonce[3] = {static_cast<std::uint32_t>(index),
                                    static_cast<std::uint32_t>(static_cast<std::uint64_t>(index) >> 32), 0};
    ChaCha20Xor(key_, nonce, 0, reinterpret_cast<unsigned char*>(loaded_.data()), loaded_.size());
    loadedIndex_ = index;
  }
  readBytes_ = &loaded_;
}

void RowStore::Rewind() {
  readChunk_ = 0;
  readPos_ = 0;
  readBytes_ = nullptr;
}

bool RowStore::Read(std::vector<Cell>& cells) {
  while (!readBytes_ || readPos_ >= readBytes_->size()) {
    if (readBytes_) {
      ++readChunk_;
      readPos_ = 0;
      readBytes_ = nullptr;
    }
    if (readChunk_ >= chunks_.size()) return false;
    LoadChunk(readChunk_);
  }
  const std::string& in = *readBytes_;
  const auto n = static_cast<std::size_t>(GetVarint(in, readPos_));
  cells.resize(n);
  for (Cell& cell : cells) {
    const std::uint64_t head = GetVarint(in, readPos_);
    if (head == 0) {
      cell.reset();
      continue;
    }
    const auto len = static_cast<std::size_t>(head - 1);
    if (cell) cell->assign(in, readPos_, len);
    else cell.emplace(in, readPos_, len);
    readPos_ += len;
  }
  return true;
}

}  // namespace jc::db
