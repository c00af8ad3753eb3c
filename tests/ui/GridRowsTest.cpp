// The grid's row storage: whatever is in memory and whatever went to the
// temporary file, every cell and colour reads back as a plain vector of rows
// would hold it, through appends, changes, removals anywhere, clearing and
// copies; and the file goes once every row is back in memory.
#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

#include "ui/GridRows.h"
#include "ui/ResultGrid.h"

namespace jc::ui {
namespace {

struct ModelRow {
  std::vector<std::string> cells;
  std::optional<std::uint32_t> color;
};

constexpr std::size_t kCols = 6;

void ExpectSame(const GridRows& rows, const std::vector<ModelRow>& model, const std::string& when) {
  ASSERT_EQ(rows.Size(), model.size()) << when;
  for (std::size_t r = 0; r < model.size(); ++r) {
    EXPECT_EQ(rows.Color(r), model[r].color) << when << ", row " << r;
    for (std::size_t c = 0; c < kCols; ++c)
      ASSERT_EQ(rows.Cell(r, c), model[r].cells[c]) << when << ", row " << r << ", column " << c;
  }
  EXPECT_EQ(rows.Cell(model.size(), 0), "") << "past the last row";
}

std::string Text(std::mt19937& random) {
  static const std::vector<std::string> kTexts = {
      "", "홍길동", "8001011234567", "800101-1******", "J1Aq3bX9+/zzQ8eE0pLmNoPqRsTuVwXyZ012345678==", "x",
      std::string(300, 'a')};
  return kTexts[random() % kTexts.size()];
}

// Random work on a store whose memory holds a few pages at most, checked
// against a vector after every batch.
TEST(GridRows, ReadsBackAsAPlainVectorWouldThroughEveryKindOfChange) {
  std::mt19937 random(20261211);
  GridRows rows(24 * 1024);
  std::vector<ModelRow> model;
  bool everSpilled = false;
  for (int batch = 0; batch < 40; ++batch) {
    for (int step = 0; step < 400; ++step) {
      const unsigned op = random() % 100;
      if (op < 55 || model.empty()) {
        rows.Resize(rows.Size() + 1);
        model.push_back({std::vector<std::string>(kCols), std::nullopt});
      } else if (op < 85) {
        const std::size_t r = random() % model.size();
        const std::size_t c = random() % kCols;
        const std::string text = Text(random);
        EXPECT_EQ(rows.SetCell(r, c, text), model[r].cells[c] != text);
        model[r].cells[c] = text;
      } else if (op < 93) {
        const std::size_t r = random() % model.size();
        const std::uint32_t color = random() % 2 ? 0x00EEFFEE : 0x000000FF;
        rows.SetColor(r, color);
        model[r].color = color;
      } else {
        const std::size_t first = random() % model.size();
        const std::size_t count = 1 + random() % (op == 99 && random() % 20 == 0 ? 600 : 3);
        rows.Erase(first, count);
        model.erase(model.begin() + static_cast<std::ptrdiff_t>(first),
                    model.begin() + static_cast<std::ptrdiff_t>(std::min(model.size(), first + count)));
        // Rows after the removed ones have moved up: read a few at once.
        for (int probe = 0; probe < 3 && !model.empty(); ++probe) {
          const std::size_t r = model.size() - 1 - random() % std::min<std::size_t>(model.size(), 2 * GridRows::kRowsPerPage);
          ASSERT_EQ(rows.Cell(r, 1), model[r].cells[1]) << "row " << r << " after removing rows from " << first;
        }
      }
      everSpilled = everSpilled || rows.Spilled();
    }
    if (batch % 10 == 4) {
      rows.Resize(model.size() / 2);
      model.resize(model.size() / 2);
    }
    ExpectSame(rows, model, "batch " + std::to_string(batch));
    if (HasFailure()) return;
  }
  EXPECT_TRUE(everSpilled) << "the work was meant to outgrow the memory bound";
  EXPECT_GT(model.size(), 3 * GridRows::kRowsPerPage) << "the work was meant to fill several pages";

  GridRows copy(rows);
  ExpectSame(copy, model, "a copy");
  copy.SetCell(0, 0, "only in the copy");
  EXPECT_EQ(rows.Cell(0, 0), model[0].cells[0]) << "the copy is a copy";

  rows.ClearAll();
  for (auto& row : model) row = {std::vector<std::string>(kCols), std::nullopt};
  ExpectSame(rows, model, "cleared");

  rows.Resize(3);
  model.resize(3);
  ExpectSame(rows, model, "cut to three rows");
  EXPECT_FALSE(rows.Spilled()) << "with every row in memory the temporary file goes";
}

// The grid a report fills: far more rows than the memory bound holds, read
// back in order and out of order, with a row removed from the middle as the
// history grid removes a repaired one.
TEST(ResultGrid, ListsMoreRowsThanItsMemoryHoldsAndRemovesOneFromTheMiddle) {
  ResultGrid grid({{"순번"}, {"성명"}, {"주민번호"}}, 2);
  grid.SetRowCount(1);
  constexpr int kRows = 60000;
  for (int i = 1; i <= kRows; ++i) {
    grid.AppendRow();
    grid.SetCell(0, i, std::to_string(i));
    grid.SetCell(1, i, "홍길동" + std::to_string(i));
    grid.SetCell(2, i, std::string(60, static_cast<char>('A' + i % 26)));
    if (i % 1000 == 0) grid.SetRowColor(i, kRestoredRowColor);
  }
  ASSERT_EQ(grid.RowCount(), kRows + 1);
  for (int i : {kRows, 1, 30000, 2, 59999, 1000}) {
    EXPECT_EQ(grid.Cell(0, i), std::to_string(i));
    EXPECT_EQ(grid.Cell(1, i), "홍길동" + std::to_string(i));
    EXPECT_EQ(grid.Cell(2, i), std::string(60, static_cast<char>('A' + i % 26)));
    EXPECT_EQ(grid.RowColor(i), i % 1000 == 0 ? std::optional<Color>(kRestoredRowColor) : std::nullopt);
  }
  grid.RemoveRows(30000, 1);
  EXPECT_EQ(grid.RowCount(), kRows);
  EXPECT_EQ(grid.Cell(0, 29999), "29999");
  EXPECT_EQ(grid.Cell(0, 30000), "30001");
  EXPECT_EQ(grid.Cell(0, kRows - 1), std::to_string(kRows));
  grid.SetRowCount(2);
  EXPECT_EQ(grid.Cell(0, 1), "1");
  EXPECT_EQ(grid.Cell(0, 2), "");
}

}  // namespace
}  // namespace jc::ui
