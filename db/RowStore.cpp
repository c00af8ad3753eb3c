#include "db/RowStore.h"

#include <utility>

#include "common/Varint.h"

// A row: its number of cells, then per cell 0 for NULL or the length plus
// one, then the bytes; numbers as varints.

namespace jc::db {

namespace {

constexpr const char* kSpillFailure = "The rows of the result could not be kept in a temporary file";

}  // namespace

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
  spill_.reset();
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
    if (!spill_) spill_ = std::make_unique<SpillFile>(kSpillFailure);
    try {
      chunk.block = spill_->Write(open_);
    } catch (const SpillError& e) {
      throw DbError(e.what());
    }
  }
  chunks_.push_back(std::move(chunk));
  open_.clear();
  open_.reserve(chunkBytes_ + chunkBytes_ / 8);
}

void RowStore::LoadChunk(std::size_t index) {
  const Chunk& chunk = chunks_[index];
  if (chunk.bytes.size() == chunk.size) {
    readBytes_ = &chunk.bytes;
    return;
  }
  if (loadedIndex_ != index) {
    try {
      spill_->Read(chunk.block, loaded_);
    } catch (const SpillError& e) {
      throw DbError(e.what());
    }
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
