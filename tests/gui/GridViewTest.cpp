// The grid widget over the grid model: it follows every model operation
// without a copy of the cells, and clicks move the current cell as the
// handlers expect.
#include <gtest/gtest.h>

#include <ostream>

#include <QHeaderView>
#include <QLineEdit>

#include <string>
#include <vector>

#include "gui/GuiSupport.h"
#include "ui/qt/Fonts.h"
#include "ui/qt/GridView.h"

namespace jc::test {
namespace {

using ui::ResultGrid;
using ui::qt::GridView;

ui::GridColumn Column(const char* header, int width) {
  ui::GridColumn c;
  c.header = header;
  c.width = width;
  return c;
}

class GridViewFixture : public testing::Test {
 protected:
  GridViewFixture()
      : grid({Column("SEQ", 0), Column("이름", 90), Column("주민번호", 125), Column("코드", 0)}, 2),
        view(grid, ui::qt::MakeFont(ui::FontSpec{})) {
    view.resize(446, 202);
    view.show();
  }

  void FillRows(int n) {
    grid.ClearNonFixed();
    grid.SetRowCount(n + 1);
    for (int r = 1; r <= n; ++r)
      for (int c = 0; c < grid.ColCount(); ++c) grid.SetCell(c, r, std::to_string(c) + ":" + std::to_string(r));
  }

  // Column 0 of the view's rows, as shown.
  std::vector<std::string> Shown(int col = 1) {
    std::vector<std::string> out;
    for (int r = 0; r < view.model().rowCount(); ++r)
      out.push_back(view.model().index(r, col).data().toString().toStdString());
    return out;
  }

  QPoint CellCentre(int col, int row) { return view.visualRect(view.model().IndexOfCell(col, row)).center(); }

  ResultGrid grid;
  GridView view;
};

TEST_F(GridViewFixture, FollowsEveryGridOperation) {
  int inserted = 0, removed = 0, resets = 0;
  QObject::connect(&view.model(), &QAbstractItemModel::rowsInserted, [&] { ++inserted; });
  QObject::connect(&view.model(), &QAbstractItemModel::rowsRemoved, [&] { ++removed; });
  QObject::connect(&view.model(), &QAbstractItemModel::modelReset, [&] { ++resets; });

  struct Step {
    const char* what;
    std::function<void()> op;
    std::vector<std::string> shown;  // column 1 of the data rows
  };
  const std::vector<Step> steps = {
      {"five rows", [&] { FillRows(4); }, {"1:1", "1:2", "1:3", "1:4"}},
      {"remove at count", [&] { grid.RemoveRows(grid.RowCount(), 1); }, {"1:1", "1:2", "1:3"}},
      {"remove above count", [&] { grid.RemoveRows(grid.RowCount() + 1, 1); }, {"1:1", "1:2", "1:3"}},
      {"remove below count", [&] { grid.RemoveRows(1, 1); }, {"1:2", "1:3"}},
      {"append", [&] { grid.AppendRow(); }, {"1:2", "1:3", ""}},
      {"write the new row", [&] { grid.SetCell(1, grid.RowCount() - 1, "새 행"); }, {"1:2", "1:3", "새 행"}},
      {"nothing listed", [&] {
         grid.ClearNonFixed();
         grid.SetRowCount(2);
         grid.RemoveRows(grid.RowCount(), 1);
       }, {}},
      {"next listing", [&] {
         grid.ClearNonFixed();
         grid.SetRowCount(2);
         grid.AppendRow();
         grid.SetCell(1, grid.RowCount() - 2, "첫째");
       }, {"첫째", ""}},
  };
  for (const auto& s : steps) {
    s.op();
    EXPECT_EQ(Shown(), s.shown) << s.what;
    EXPECT_EQ(view.model().rowCount(), grid.RowCount() - 1) << s.what;
    EXPECT_EQ(view.model().headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), "이름") << s.what;
  }
  // Row changes arrive as insertions and removals, never as resets, so the
  // view keeps its scroll position while a listing grows.
  EXPECT_GT(inserted, 0);
  EXPECT_GT(removed, 0);
  EXPECT_EQ(resets, 0);
}

TEST_F(GridViewFixture, HiddenColumnsKeepTheirDataAndHeaderWritesShow) {
  FillRows(2);
  EXPECT_TRUE(view.isColumnHidden(0));
  EXPECT_TRUE(view.isColumnHidden(3));
  EXPECT_EQ(view.model().index(1, 3).data().toString(), "3:2");
  grid.SetCell(2, 0, "새 머리");
  EXPECT_EQ(view.model().headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(), "새 머리");
  grid.SetColumnWidth(3, 40);
  EXPECT_FALSE(view.isColumnHidden(3));
  EXPECT_EQ(view.columnWidth(3), 40);
}

TEST_F(GridViewFixture, RowColoursShowAndClearingRemovesThem) {
  FillRows(3);
  grid.SetRowColor(2, ui::kRestoredRowColor);
  EXPECT_EQ(view.model().index(1, 1).data(Qt::BackgroundRole).value<QBrush>().color(), QColor(238, 255, 238));
  EXPECT_FALSE(view.model().index(0, 1).data(Qt::BackgroundRole).isValid());
  grid.ClearNonFixed();
  EXPECT_FALSE(view.model().index(1, 1).data(Qt::BackgroundRole).isValid());
}

TEST_F(GridViewFixture, FocusedCellIsBold) {
  FillRows(3);
  grid.SetCurrent(1, 2);
  auto bold = [&](int col, int row) {
    return view.model().index(row - 1, col).data(Qt::FontRole).value<QFont>().bold();
  };
  EXPECT_TRUE(bold(1, 2));
  EXPECT_FALSE(bold(1, 1));
  EXPECT_FALSE(bold(2, 2));
  EXPECT_EQ(view.currentIndex(), view.model().IndexOfCell(1, 2));
  grid.SetCurrentRow(3);
  EXPECT_FALSE(bold(1, 2));
  EXPECT_TRUE(bold(1, 3));
  EXPECT_EQ(view.currentIndex(), view.model().IndexOfCell(1, 3));
}

struct ClickCase {
  const char* name;
  Qt::MouseButton button;
  bool onHeader;
  int expectRow;       // current row afterwards (it starts at 1)
  bool expectCellClick;
};
void PrintTo(const ClickCase& c, std::ostream* os) { *os << c.name; }


class GridClickTest : public GridViewFixture, public testing::WithParamInterface<ClickCase> {};

TEST_P(GridClickTest, PressOnRowThree) {
  const auto& c = GetParam();
  FillRows(4);
  grid.SetCurrentRow(1);
  std::vector<int> rowAtCellClick;
  std::vector<Qt::MouseButton> presses;
  QObject::connect(&view, &GridView::cellClicked, [&](int, int row) {
    EXPECT_EQ(row, 3);
    rowAtCellClick.push_back(grid.CurrentRow());
  });
  QObject::connect(&view, &GridView::mousePressed, [&](Qt::MouseButton b) { presses.push_back(b); });
  if (c.onHeader) {
    QWidget* header = view.horizontalHeader()->viewport();
    SendMouse(header, QEvent::MouseButtonPress, QPoint(view.columnViewportPosition(1) + 5, 5), c.button);
    SendMouse(header, QEvent::MouseButtonRelease, QPoint(view.columnViewportPosition(1) + 5, 5), c.button);
  } else {
    SendMouse(view.viewport(), QEvent::MouseButtonPress, CellCentre(1, 3), c.button);
    SendMouse(view.viewport(), QEvent::MouseButtonRelease, CellCentre(1, 3), c.button);
  }
  EXPECT_EQ(grid.CurrentRow(), c.expectRow);
  EXPECT_EQ(presses, std::vector<Qt::MouseButton>{c.button});
  if (c.expectCellClick) {
    // The clicked row was current when the cell-click ran.
    EXPECT_EQ(rowAtCellClick, std::vector<int>{3});
  } else {
    EXPECT_TRUE(rowAtCellClick.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(Grid, GridClickTest,
                         testing::Values(ClickCase{"LeftOnCell", Qt::LeftButton, false, 3, true},
                                         ClickCase{"RightOnCell", Qt::RightButton, false, 1, false},
                                         ClickCase{"LeftOnHeader", Qt::LeftButton, true, 1, false},
                                         ClickCase{"RightOnHeader", Qt::RightButton, true, 1, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(GridViewFixture, RefusedPressChangesNothing) {
  FillRows(4);
  grid.SetCurrentRow(1);
  int signals_ = 0;
  QObject::connect(&view, &GridView::mousePressed, [&] { ++signals_; });
  view.acceptsMouse = [] { return false; };
  SendMouse(view.viewport(), QEvent::MouseButtonPress, CellCentre(1, 3), Qt::LeftButton);
  EXPECT_EQ(grid.CurrentRow(), 1);
  EXPECT_EQ(signals_, 0);
}

TEST_F(GridViewFixture, KeyboardMovesTheCurrentRowAndDoesNotEdit) {
  FillRows(4);
  grid.SetCurrent(1, 1);
  view.setFocus();
  SendKey(&view, Qt::Key_Down);
  SendKey(&view, Qt::Key_Down);
  EXPECT_EQ(grid.CurrentRow(), 3);
  SendKey(&view, Qt::Key_F2);
  SendKey(&view, 0, Qt::NoModifier, "x");
  EXPECT_EQ(grid.Cell(1, 3), "1:3");
  EXPECT_EQ(view.findChild<QLineEdit*>(), nullptr);  // no cell editor opened
}

TEST_F(GridViewFixture, ShrinkingBelowTheCurrentRowMovesItUp) {
  FillRows(4);
  grid.SetCurrentRow(4);
  grid.SetRowCount(3);
  EXPECT_EQ(grid.CurrentRow(), 2);
  EXPECT_EQ(view.currentIndex(), view.model().IndexOfCell(grid.CurrentCol(), 2));
}

}  // namespace
}  // namespace jc::test
