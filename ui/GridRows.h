#pragma once
// The data rows of a result grid: each a row of text cells and an optional
// background colour, read and changed anywhere, added at the end, removed
// anywhere. An audit or report can list a row for every record of a table of
// millions, so the rows are kept in pages of packed bytes, and past a bound
// of memory the least recently used pages go to an encrypted temporary file
// (common/SpillFile.h) and come back when a row of theirs is read or changed:
// a grid of a million rows costs a few megabytes, however long it is.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/SpillFile.h"

namespace jc::ui {

class GridRows {
 public:
  // Memory kept for resident pages before pages go to the file, and the rows
  // of a page.
  static constexpr std::size_t kDefaultMemoryBytes = std::size_t{4} << 20;
  static constexpr std::size_t kRowsPerPage = 256;

  explicit GridRows(std::size_t memoryBytes = kDefaultMemoryBytes);
  ~GridRows();
  // A copy holds the same rows (and a file of its own when they need one).
  GridRows(const GridRows& other);
  GridRows& operator=(const GridRows& other);

  std::size_t Size() const { return size_; }
  // Keeps the first n rows, or adds empty rows up to n.
  void Resize(std::size_t n);
  // Removes count rows from first on (clipped to the end).
  void Erase(std::size_t first, std::size_t count);
  // Every row empty and uncoloured; the number of rows stays.
  void ClearAll();

  // Rows and columns from 0. A cell never set, or beyond the rows, reads "".
  std::string Cell(std::size_t row, std::size_t col) const;
  // False when the cell already held text (or row is beyond the rows).
  bool SetCell(std::size_t row, std::size_t col, const std::string& text);
  std::optional<std::uint32_t> Color(std::size_t row) const;
  void SetColor(std::size_t row, std::uint32_t color);

  // True while some rows are in the temporary file.
  bool Spilled() const;

 private:
  struct Page;
  Page& Locate(std::size_t row, std::size_t& index) const;
  void Touch(Page& page) const;
  void Trim(const Page* keep) const;
  void Evict(Page& page) const;
  void DropPage(std::size_t index);
  void AppendPacked(std::string row);
  void Forget();
  void ChangeRow(Page& page, std::size_t index, std::string row);

  std::size_t memoryBytes_;
  std::size_t size_ = 0;
  // Mutable: reading a row may bring its page back from the file and send
  // another there.
  mutable std::vector<std::unique_ptr<Page>> pages_;
  mutable std::vector<Page*> resident_;
  mutable std::size_t residentBytes_ = 0;
  mutable std::uint64_t tick_ = 0;
  mutable std::unique_ptr<SpillFile> spill_;
  // The page the last row was found in, and its first row.
  mutable std::size_t cachePage_ = 0;
  mutable std::size_t cacheFirst_ = 0;
};

}  // namespace jc::ui
