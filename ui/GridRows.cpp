#include "ui/GridRows.h"

#include <algorithm>
#include <utility>

#include "common/Varint.h"

// A row is packed in one string: a byte 0, or 1 followed by the colour's four
// bytes (low byte first); then the number of cells up to the last non-empty
// one, and each cell as its length and bytes. A row with neither colour nor
// text is the empty string. A page in the file is its number of rows, then
// each row as its length and bytes.

namespace jc::ui {

namespace {

constexpr const char* kSpillFailure = "The rows of the grid could not be kept in a temporary file";

struct Unpacked {
  std::optional<std::uint32_t> color;
  std::vector<std::string> cells;
};

Unpacked Unpack(const std::string& row) {
  Unpacked out;
  if (row.empty()) return out;
  std::size_t pos = 0;
  if (row[pos++] == 1) {
    std::uint32_t color = 0;
    for (int b = 0; b < 4; ++b) color |= static_cast<std::uint32_t>(static_cast<unsigned char>(row[pos++])) << (8 * b);
    out.color = color;
  }
  out.cells.resize(static_cast<std::size_t>(GetVarint(row, pos)));
  for (std::string& cell : out.cells) {
    const auto len = static_cast<std::size_t>(GetVarint(row, pos));
    cell.assign(row, pos, len);
    pos += len;
  }
  return out;
}

std::string Pack(const Unpacked& row) {
  std::size_t cells = row.cells.size();
  while (cells > 0 && row.cells[cells - 1].empty()) --cells;
  std::string out;
  if (!row.color && cells == 0) return out;
  if (row.color) {
    out.push_back(1);
    for (int b = 0; b < 4; ++b) out.push_back(static_cast<char>(*row.color >> (8 * b)));
  } else {
    out.push_back(0);
  }
  PutVarint(out, cells);
  for (std::size_t i = 0; i < cells; ++i) {
    PutVarint(out, row.cells[i].size());
    out.append(row.cells[i]);
  }
  return out;
}

std::string UnpackCell(const std::string& row, std::size_t col) {
  if (row.empty()) return {};
  std::size_t pos = row[0] == 1 ? 5 : 1;
  const auto cells = static_cast<std::size_t>(GetVarint(row, pos));
  if (col >= cells) return {};
  for (std::size_t i = 0;; ++i) {
    const auto len = static_cast<std::size_t>(GetVarint(row, pos));
    if (i == col) return row.substr(pos, len);
    pos += len;
  }
}

// Memory a row takes in a page: the string and, past its inline buffer, the
// block it points to.
std::size_t RowCost(const std::string& row) {
  return sizeof(std::string) + (row.capacity() > 15 ? row.capacity() + 1 : 0);
}

}  // namespace

struct GridRows::Page {
  std::vector<std::string> rows;  // while resident
  std::size_t count = 0;
  std::size_t bytes = 0;          // RowCost of the rows while resident
  bool resident = true;
  bool dirty = true;              // the rows differ from the stored block
  bool stored = false;
  SpillFile::Block block;
  std::uint64_t lastUse = 0;
};

GridRows::GridRows(std::size_t memoryBytes) : memoryBytes_(memoryBytes) {}

GridRows::~GridRows() = default;

GridRows::GridRows(const GridRows& other) : memoryBytes_(other.memoryBytes_) { *this = other; }

GridRows& GridRows::operator=(const GridRows& other) {
  if (this == &other) return *this;
  Resize(0);
  memoryBytes_ = other.memoryBytes_;
  for (const auto& page : other.pages_) {
    other.Touch(*page);
    for (const std::string& row : page->rows) AppendPacked(row);
  }
  return *this;
}

bool GridRows::Spilled() const { return spill_ && spill_->Opened(); }

GridRows::Page& GridRows::Locate(std::size_t row, std::size_t& index) const {
  std::size_t p = 0;
  std::size_t first = 0;
  if (cachePage_ < pages_.size() && row >= cacheFirst_) {
    p = cachePage_;
    first = cacheFirst_;
  }
  while (row >= first + pages_[p]->count) {
    first += pages_[p]->count;
    ++p;
  }
  cachePage_ = p;
  cacheFirst_ = first;
  index = row - first;
  return *pages_[p];
}

void GridRows::Touch(Page& page) const {
  page.lastUse = ++tick_;
  if (page.resident) return;
  std::string bytes;
  spill_->Read(page.block, bytes);
  std::size_t pos = 0;
  page.rows.resize(static_cast<std::size_t>(GetVarint(bytes, pos)));
  page.bytes = 0;
  for (std::string& row : page.rows) {
    const auto len = static_cast<std::size_t>(GetVarint(bytes, pos));
    row.assign(bytes, pos, len);
    pos += len;
    page.bytes += RowCost(row);
  }
  page.resident = true;
  page.dirty = false;
  resident_.push_back(&page);
  residentBytes_ += page.bytes;
  Trim(&page);
}

void GridRows::Trim(const Page* keep) const {
  while (residentBytes_ > memoryBytes_) {
    Page* oldest = nullptr;
    for (Page* page : resident_)
      if (page != keep && (!oldest || page->lastUse < oldest->lastUse)) oldest = page;
    if (!oldest) return;
    Evict(*oldest);
  }
}

void GridRows::Evict(Page& page) const {
  if (page.dirty || !page.stored) {
    std::string bytes;
    PutVarint(bytes, page.rows.size());
    for (const std::string& row : page.rows) {
      PutVarint(bytes, row.size());
      bytes.append(row);
    }
    if (!spill_) spill_ = std::make_unique<SpillFile>(kSpillFailure);
    page.block = spill_->Write(bytes);
    page.stored = true;
  }
  std::vector<std::string>().swap(page.rows);
  residentBytes_ -= page.bytes;
  page.bytes = 0;
  page.resident = false;
  page.dirty = false;
  resident_.erase(std::find(resident_.begin(), resident_.end(), &page));
}

void GridRows::AppendPacked(std::string row) {
  if (pages_.empty() || pages_.back()->count == kRowsPerPage) {
    pages_.push_back(std::make_unique<Page>());
    resident_.push_back(pages_.back().get());
  }
  Page& page = *pages_.back();
  Touch(page);
  const std::size_t cost = RowCost(row);
  page.rows.push_back(std::move(row));
  ++page.count;
  page.bytes += cost;
  page.dirty = true;
  residentBytes_ += cost;
  ++size_;
  Trim(&page);
}

void GridRows::Resize(std::size_t n) {
  if (n < size_) Erase(n, size_ - n);
  while (size_ < n) AppendPacked(std::string());
}

void GridRows::DropPage(std::size_t index) {
  Page* page = pages_[index].get();
  if (page->resident) {
    residentBytes_ -= page->bytes;
    resident_.erase(std::find(resident_.begin(), resident_.end(), page));
  }
  pages_.erase(pages_.begin() + static_cast<std::ptrdiff_t>(index));
}

void GridRows::Erase(std::size_t first, std::size_t count) {
  if (first >= size_) return;
  count = std::min(count, size_ - first);
  std::size_t p = 0;
  std::size_t pageFirst = 0;
  while (count > 0) {
    Page& page = *pages_[p];
    if (first >= pageFirst + page.count) {
      pageFirst += page.count;
      ++p;
      continue;
    }
    const std::size_t from = first - pageFirst;
    const std::size_t n = std::min(count, page.count - from);
    if (from == 0 && n == page.count) {
      // A whole page goes without being read back.
      DropPage(p);
    } else {
      Touch(page);
      const auto begin = page.rows.begin() + static_cast<std::ptrdiff_t>(from);
      const auto end = begin + static_cast<std::ptrdiff_t>(n);
      for (auto it = begin; it != end; ++it) {
        page.bytes -= RowCost(*it);
        residentBytes_ -= RowCost(*it);
      }
      page.rows.erase(begin, end);
      page.count -= n;
      page.dirty = true;
      pageFirst += page.count;
      ++p;
    }
    count -= n;
    size_ -= n;
  }
  cachePage_ = 0;
  cacheFirst_ = 0;
  Forget();
}

void GridRows::Forget() {
  // With every page in memory the file holds nothing still needed: it goes,
  // and with it every copy of the rows written there.
  for (const auto& page : pages_)
    if (!page->resident) return;
  for (const auto& page : pages_) {
    page->stored = false;
    page->dirty = true;
  }
  spill_.reset();
}

void GridRows::ClearAll() {
  const std::size_t n = size_;
  Resize(0);
  Resize(n);
}

std::string GridRows::Cell(std::size_t row, std::size_t col) const {
  if (row >= size_) return {};
  std::size_t index = 0;
  Page& page = Locate(row, index);
  Touch(page);
  return UnpackCell(page.rows[index], col);
}

void GridRows::ChangeRow(Page& page, std::size_t index, std::string row) {
  std::string& slot = page.rows[index];
  const std::size_t before = RowCost(slot);
  slot = std::move(row);
  const std::size_t after = RowCost(slot);
  page.bytes = page.bytes - before + after;
  residentBytes_ = residentBytes_ - before + after;
  page.dirty = true;
  Trim(&page);
}

bool GridRows::SetCell(std::size_t row, std::size_t col, const std::string& text) {
  if (row >= size_) return false;
  std::size_t index = 0;
  Page& page = Locate(row, index);
  Touch(page);
  Unpacked cells = Unpack(page.rows[index]);
  if (col >= cells.cells.size()) {
    if (text.empty()) return false;
    cells.cells.resize(col + 1);
  }
  if (cells.cells[col] == text) return false;
  cells.cells[col] = text;
  ChangeRow(page, index, Pack(cells));
  return true;
}

std::optional<std::uint32_t> GridRows::Color(std::size_t row) const {
  if (row >= size_) return std::nullopt;
  std::size_t index = 0;
  Page& page = Locate(row, index);
  Touch(page);
  const std::string& packed = page.rows[index];
  if (packed.empty() || packed[0] != 1) return std::nullopt;
  std::uint32_t color = 0;
  for (int b = 0; b < 4; ++b) color |= static_cast<std::uint32_t>(static_cast<unsigned char>(packed[1 + b])) << (8 * b);
  return color;
}

void GridRows::SetColor(std::size_t row, std::uint32_t color) {
  if (row >= size_) return;
  std::size_t index = 0;
  Page& page = Locate(row, index);
  Touch(page);
  Unpacked cells = Unpack(page.rows[index]);
  cells.color = color;
  ChangeRow(page, index, Pack(cells));
}

}  // namespace jc::ui
