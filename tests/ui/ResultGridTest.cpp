#include "ui/ResultGrid.h"

#include <gtest/gtest.h>

#include <ostream>

#include <string>
#include <vector>

namespace jc::ui {
namespace {

ResultGrid ThreeColumns(int rows) {
  auto col = [](const char* header, int width) {
    GridColumn c;
    c.header = header;
    c.width = width;
    return c;
  };
  return ResultGrid({col("A", 10), col("B", 0), col("C", 20)}, rows);
}

// Fills every data row r with "r0", "r1", "r2" in its three cells.
void Fill(ResultGrid& g) {
  for (int r = 1; r < g.RowCount(); ++r)
    for (int c = 0; c < g.ColCount(); ++c) g.SetCell(c, r, std::to_string(r) + std::to_string(c));
}

std::vector<std::string> Column0(const ResultGrid& g) {
  std::vector<std::string> out;
  for (int r = 0; r < g.RowCount(); ++r) out.push_back(g.Cell(0, r));
  return out;
}

struct RemoveCase {
  const char* name;
  int index;
  std::vector<std::string> expected;  // column 0 of every row afterwards
};
void PrintTo(const RemoveCase& c, std::ostream* os) { *os << c.name; }


class RemoveRowsTest : public testing::TestWithParam<RemoveCase> {};

TEST_P(RemoveRowsTest, FromFiveRows) {
  auto g = ThreeColumns(5);
  Fill(g);
  g.SetRowColor(2, kRestoredRowColor);
  g.RemoveRows(GetParam().index, 1);
  EXPECT_EQ(Column0(g), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Grid, RemoveRowsTest,
    testing::Values(
        RemoveCase{"BelowCountMovesLaterRowsUp", 2, {"A", "10", "30", "40"}},
        RemoveCase{"LastDataRow", 4, {"A", "10", "20", "30"}},
        RemoveCase{"EqualToCountDropsLastRow", 5, {"A", "10", "20", "30"}},
        RemoveCase{"AboveCountDoesNothing", 6, {"A", "10", "20", "30", "40"}},
        RemoveCase{"FarAboveCountDoesNothing", 99, {"A", "10", "20", "30", "40"}},
        RemoveCase{"HeaderRowIsNeverRemoved", 0, {"A", "10", "20", "30", "40"}},
        RemoveCase{"NegativeIndexDoesNothing", -1, {"A", "10", "20", "30", "40"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Grid, RemovedRowTakesItsColourAlong) {
  auto g = ThreeColumns(5);
  g.SetRowColor(3, kRestoredRowColor);
  g.RemoveRows(2, 1);
  EXPECT_EQ(g.RowColor(2), kRestoredRowColor);
  EXPECT_FALSE(g.RowColor(3).has_value());
}

TEST(Grid, RemovingAtCountFromHeaderOnlyGridKeepsHeader) {
  auto g = ThreeColumns(1);
  g.RemoveRows(1, 1);
  EXPECT_EQ(g.RowCount(), 1);
  EXPECT_EQ(g.Cell(0, 0), "A");
}

TEST(Grid, CellsOutsideTheGridReadEmpty) {
  auto g = ThreeColumns(5);
  Fill(g);
  EXPECT_EQ(g.Cell(1, 7), "");
  EXPECT_EQ(g.Cell(1, 5), "");
  EXPECT_EQ(g.Cell(1, -1), "");
  EXPECT_EQ(g.Cell(3, 1), "");
  EXPECT_EQ(g.Cell(1, 4), "41");
  // A zero-width column keeps its data.
  EXPECT_EQ(g.Column(1).width, 0);
  EXPECT_EQ(g.Cell(1, 2), "21");
}

TEST(Grid, WriteBeyondRowCountIsNotKeptForLaterRows) {
  auto g = ThreeColumns(2);
  g.SetCell(0, 4, "lost");
  g.SetRowCount(6);
  EXPECT_EQ(g.Cell(0, 4), "");
}

TEST(Grid, RowZeroWriteSetsTheHeader) {
  auto g = ThreeColumns(2);
  g.SetCell(1, 0, "이름");
  EXPECT_EQ(g.Column(1).header, "이름");
  EXPECT_EQ(g.Cell(1, 0), "이름");
  g.SetColumnHeader(2, "TEMPNUM");
  EXPECT_EQ(g.Cell(2, 0), "TEMPNUM");
}

TEST(Grid, SetRowCountKeepsLeadingRowsAndAddsEmptyUncolouredOnes) {
  auto g = ThreeColumns(5);
  Fill(g);
  g.SetRowColor(3, 0x123456);
  g.SetRowCount(3);
  EXPECT_EQ(Column0(g), (std::vector<std::string>{"A", "10", "20"}));
  g.SetRowCount(5);
  EXPECT_EQ(Column0(g), (std::vector<std::string>{"A", "10", "20", "", ""}));
  EXPECT_FALSE(g.RowColor(3).has_value());
  g.SetRowCount(1);
  EXPECT_EQ(g.RowCount(), 1);
  EXPECT_EQ(g.Cell(0, 0), "A");
  g.SetRowCount(0);
  EXPECT_EQ(g.RowCount(), 1);
  g.SetRowCount(-3);
  EXPECT_EQ(g.RowCount(), 1);
}

TEST(Grid, ClearNonFixedEmptiesCellsAndColoursOnly) {
  auto g = ThreeColumns(5);
  Fill(g);
  g.SetRowColor(2, kRestoredRowColor);
  g.SetRowColor(4, kRestoredRowColor);
  g.SetCurrentRow(3);
  g.ClearNonFixed();
  EXPECT_EQ(g.RowCount(), 5);
  EXPECT_EQ(g.CurrentRow(), 3);
  EXPECT_EQ(g.Cell(0, 0), "A");
  for (int r = 1; r < 5; ++r) {
    EXPECT_FALSE(g.RowColor(r).has_value()) << r;
    for (int c = 0; c < 3; ++c) EXPECT_EQ(g.Cell(c, r), "") << c << "," << r;
  }
}

TEST(Grid, AppendAddsEmptyUncolouredRow) {
  auto g = ThreeColumns(2);
  g.SetCell(0, 1, "x");
  g.AppendRow();
  EXPECT_EQ(g.RowCount(), 3);
  EXPECT_EQ(g.Cell(0, 1), "x");
  EXPECT_EQ(g.Cell(0, 2), "");
  EXPECT_FALSE(g.RowColor(2).has_value());
}

// Lists items the way the operations do: clear, two rows, append and write
// row count - 2, drop the spare row by removing at the row count.
void List(ResultGrid& g, const std::vector<std::string>& items) {
  g.ClearNonFixed();
  g.SetRowCount(2);
  g.SetCurrentRow(1);
  for (const auto& item : items) {
    g.AppendRow();
    g.SetCell(0, g.RowCount() - 2, item);
  }
  g.RemoveRows(g.RowCount(), 1);
}

TEST(Grid, ListingConvention) {
  auto g = ThreeColumns(2);
  List(g, {"a", "b", "c"});
  EXPECT_EQ(Column0(g), (std::vector<std::string>{"A", "a", "b", "c"}));
  // Nothing found: the header row alone.
  List(g, {});
  EXPECT_EQ(Column0(g), (std::vector<std::string>{"A"}));
  EXPECT_EQ(g.CurrentRow(), 1);
  // The next listing starts from row 1 again, headers in place.
  List(g, {"d"});
  EXPECT_EQ(Column0(g), (std::vector<std::string>{"A", "d"}));
  EXPECT_EQ(g.Cell(2, 0), "C");
}

TEST(Grid, CurrentRowStaysOnADataRow) {
  auto g = ThreeColumns(5);
  g.SetCurrent(2, 4);
  EXPECT_EQ(g.CurrentRow(), 4);
  EXPECT_EQ(g.CurrentCol(), 2);
  g.SetCurrentRow(2);  // keeps the column
  EXPECT_EQ(g.CurrentCol(), 2);
  g.SetCurrentRow(0);
  EXPECT_EQ(g.CurrentRow(), 1);
  g.SetCurrentRow(4);
  g.SetRowCount(3);
  EXPECT_EQ(g.CurrentRow(), 2);
  g.SetRowCount(1);
  EXPECT_EQ(g.CurrentRow(), 1);
  EXPECT_EQ(g.Cell(1, g.CurrentRow()), "");
}

// Records the notifications with the row count seen at each, the way an
// item model relies on them.
struct Recorder : ResultGrid::Listener {
  explicit Recorder(const ResultGrid& g) : grid(g) {}
  void RowsAboutToBeInserted(int f, int l) override { Log("+?", f, l); }
  void RowsInserted(int f, int l) override { Log("+", f, l); }
  void RowsAboutToBeRemoved(int f, int l) override { Log("-?", f, l); }
  void RowsRemoved(int f, int l) override { Log("-", f, l); }
  void CellsChanged(int f, int l) override { Log("c", f, l); }
  void CurrentChanged(int c, int r) override { Log("@", c, r); }
  void Log(const char* what, int a, int b) {
    log.push_back(std::string(what) + std::to_string(a) + "," + std::to_string(b) + "/" +
                  std::to_string(grid.RowCount()));
  }
  const ResultGrid& grid;
  std::vector<std::string> log;
};

TEST(Grid, NotifiesBeforeAndAfterStructureChanges) {
  auto g = ThreeColumns(2);
  Recorder rec(g);
  g.SetListener(&rec);
  g.AppendRow();
  g.SetCell(1, 2, "x");
  g.SetRowCount(5);
  g.SetCurrentRow(4);
  g.RemoveRows(5, 1);  // drops row 4, the current row moves up
  g.SetRowCount(1);
  g.ClearNonFixed();  // no data rows: nothing to tell
  g.SetListener(nullptr);
  EXPECT_EQ(rec.log, (std::vector<std::string>{
                         "+?2,2/2", "+2,2/3", "c2,2/3", "+?3,4/3", "+3,4/5", "@0,4/5",
                         "-?4,4/5", "-4,4/4", "@0,3/4", "-?1,3/4", "-1,3/1", "@0,1/1"}));
}

TEST(Grid, CopyKeepsCellsButNotTheListener) {
  auto g = ThreeColumns(3);
  Fill(g);
  Recorder rec(g);
  g.SetListener(&rec);
  ResultGrid copy(g);
  copy.SetCell(0, 1, "changed");
  EXPECT_TRUE(rec.log.empty());
  EXPECT_EQ(copy.Cell(1, 2), "21");
  g.SetListener(nullptr);
}

}  // namespace
}  // namespace jc::ui
