// The rows of a large result kept in memory up to a bound and in a
// temporary file past it: read back whole, in order, wherever they were kept,
// on both systems.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/RowStore.h"

namespace jc::db {
namespace {

// Row i of a made-up result: a NULL, an empty text, a text of varying length
// (Hangul among it) and the row's number.
std::vector<Cell> MadeUpRow(std::size_t i) {
  std::vector<Cell> row;
  row.emplace_back(std::nullopt);
  row.emplace_back(std::string());
  row.emplace_back(std::string(i % 300, static_cast<char>('a' + i % 26)) + "홍길동");
  row.emplace_back(std::to_string(i));
  if (i % 7 == 0) row[0] = "seven";
  return row;
}

TEST(RowStore, ReadsBackEveryRowInOrderWhereverItWasKept) {
  struct Case {
    const char* what;
    std::size_t memory, chunk, rows;
    bool spilled;
  } cases[] = {
      {"no rows", 1024, 256, 0, false},
      {"all in memory", 1 << 20, 4096, 500, false},
      {"one row per chunk, past the bound", 2048, 1, 300, true},
      {"small chunks, most in the file", 4096, 512, 3000, true},
      {"nothing in memory", 0, 1024, 2000, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RowStore store(c.memory, c.chunk);
    for (std::size_t i = 0; i < c.rows; ++i) store.Append(MadeUpRow(i));
    store.Finish();
    EXPECT_EQ(store.Count(), c.rows);
    EXPECT_EQ(store.Spilled(), c.spilled);
    for (int pass = 0; pass < 2; ++pass) {  // read, rewind, read again
      std::vector<Cell> row;
      std::size_t read = 0;
      while (store.Read(row)) {
        ASSERT_EQ(row, MadeUpRow(read)) << "row " << read;
        ++read;
      }
      EXPECT_EQ(read, c.rows);
      EXPECT_FALSE(store.Read(row));
      store.Rewind();
    }
    store.Clear();
    EXPECT_EQ(store.Count(), 0u);
    EXPECT_FALSE(store.Spilled());
  }
}

}  // namespace
}  // namespace jc::db
