#pragma once
// The rows of an open query, written once front to back and then read once
// front to back. Up to a bound they stay in memory; past it, whole chunks go
// to a temporary file, so a result of millions of rows costs a few megabytes
// of memory however large it is. The file is removed when it is made (on
// Windows, when it is closed) and its contents are encrypted with a key that
// exists only in this object: the rows (names, resident numbers) are never
// readable on disk, not even in the blocks the file leaves behind.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "common/SpillFile.h"
#include "db/Backend.h"

namespace jc::db {

class RowStore {
 public:
  // Memory kept for rows before chunks go to the file, and the size of a
  // chunk.
  static constexpr std::size_t kDefaultMemoryBytes = std::size_t{4} << 20;
  static constexpr std::size_t kDefaultChunkBytes = std::size_t{256} << 10;

  explicit RowStore(std::size_t memoryBytes = kDefaultMemoryBytes, std::size_t chunkBytes = kDefaultChunkBytes);
  ~RowStore();
  RowStore(const RowStore&) = delete;
  RowStore& operator=(const RowStore&) = delete;

  // Empties the store (and drops its file) for a new result.
  void Clear();

  // Writing: one row after the other, then Finish once.
  void Append(const std::vector<Cell>& cells);
  void Finish();

  std::size_t Count() const { return count_; }
  // True once rows went to the temporary file.
  bool Spilled() const { return spill_ && spill_->Opened(); }

  // Reading, after Finish: the next row into cells (its size set to the
  // row's); false past the last row. Rewind starts again at the first.
  bool Read(std::vector<Cell>& cells);
  void Rewind();

 private:
  struct Chunk {
    std::string bytes;            // in memory; empty when in the file
    SpillFile::Block block;       // in the file
    std::size_t size = 0;         // bytes of the chunk
  };
  void Seal();
  void LoadChunk(std::size_t index);

  std::size_t memoryBytes_;
  std::size_t chunkBytes_;
  std::vector<Chunk> chunks_;
  std::string open_;        // the chunk being written
  std::size_t inMemory_ = 0;  // bytes of the sealed chunks kept in memory
  std::size_t count_ = 0;
  std::unique_ptr<SpillFile> spill_;  // made when the first chunk goes out

  // Reading position.
  std::size_t readChunk_ = 0;
  std::size_t readPos_ = 0;
  const std::string* readBytes_ = nullptr;
  std::string loaded_;  // a chunk read back from the file
  std::size_t loadedIndex_ = static_cast<std::size_t>(-1);
};

}  // namespace jc::db
