// An operator's session in the real window (offscreen), with the real boxes:
// choose a tax year, run the customer audit, click a listed customer, right-
// click a history row, and find the repair in the store.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include "app/TForm1.h"
#include "app/qt/MainWindow.h"
#include "app/qt/QtShell.h"
#include "db/Connection.h"
#include "db/Query.h"
#include "db/SqliteStore.h"
#include "demo/DemoRoot.h"
#include "gui/GuiSupport.h"
#include "support/FakeShell.h"
#include "support/ModuleRootFolder.h"
#include "ui/qt/GridModel.h"
#include "ui/qt/GridView.h"

namespace jc::test {
namespace {

void Click(ui::qt::GridView* grid, int col, int row, Qt::MouseButton button) {
  const QPoint at = grid->visualRect(grid->model().IndexOfCell(col, row)).center();
  SendMouse(grid->viewport(), QEvent::MouseButtonPress, at, button);
  SendMouse(grid->viewport(), QEvent::MouseButtonRelease, at, button);
}

TEST(Operator, AuditHistoryAndRepairThroughTheWindow) {
  CurrentDirectoryGuard cwd;
  ModuleRootFolder root;
  demo::DemoRootOptions options;
  options.dir = root.Root().string();
  options.modulePath = JC_MODULE_PATH;
  options.data.customers = 60;
  options.data.seed = 21;
  options.data.today = demo::Date{2014, 6, 1};
  demo::DemoSummary summary;
  {
    FakeShell quiet;
    summary = demo::MakeDemoRoot(options, quiet);
  }
  // A customer whose first record is sound and a later one is not.
  std::string code;
  for (const auto& f : summary.findings)
    if (f.seq != "1") code = f.cuscode;
  ASSERT_FALSE(code.empty());

  app::qt::QtShell shell;
  // A clock that moves on a second each time it is read: the journal orders
  // operations by their time.
  int ticks = 0;
  app::TForm1 form(shell, root.Paths(), [&ticks] { return ui::DateTime{2014, 6, 15, 10, 0, ticks++ % 60}; });
  app::qt::MainWindow window(form);
  const auto startBoxes = AnswerBoxes([&] { form.RunEvent([&] { form.FormCreate(); }); });
  EXPECT_TRUE(startBoxes.empty());
  window.SyncFromModel();
  window.show();

  // The operator picks 2013 (the first item) and presses the audit button.
  auto* combo = Control<QComboBox>(&window, "Combo_Year");
  ASSERT_NE(combo, nullptr);
  combo->setCurrentIndex(combo->findText("2013"));
  EXPECT_EQ(form.Combo_Year.Text(), "2013");
  const auto auditBoxes =
      AnswerBoxes([&] { SendClick(Control<QPushButton>(&window, "Btn_De_Custom")); });
  EXPECT_TRUE(auditBoxes.empty());

  auto* gridMain = window.gridMain();
  int listedRow = -1;
  const int rows = form.Grid_Main.RowCount();
  for (int r = 1; r < rows; ++r) {
    EXPECT_NE(form.Grid_Main.Cell(3, r).find('*'), std::string::npos);
    EXPECT_EQ(form.Grid_Main.Cell(4, r), "2013년");
    if (form.Grid_Main.Cell(5, r) == code && form.Grid_Main.Cell(0, r) != "1") listedRow = r;
  }
  ASSERT_GT(listedRow, 0) << "customer " << code << " not listed";
  const QString status = Control<QLabel>(&window, "LB_Msg")->text();
  EXPECT_TRUE(status.endsWith("건 중 암호화 오입력 환자 " + QString::number(rows - 1) + "건 검색"))
      << status.toStdString();

  // A left click on the listed row shows the customer's history.
  Click(gridMain, 1, listedRow, Qt::LeftButton);
  EXPECT_EQ(form.Grid_Main.CurrentRow(), listedRow);
  ASSERT_GE(form.Grid_Sub.RowCount(), 2);
  for (int r = 1; r < form.Grid_Sub.RowCount(); ++r) {
    EXPECT_EQ(form.Grid_Sub.Cell(5, r), code);
    EXPECT_EQ(form.Grid_Sub.Cell(3, r).find('*'), std::string::npos);
  }
  const std::string value = form.Grid_Sub.Cell(6, 1);
  ASSERT_FALSE(value.empty());

  // The customer's stored values before the repair, in record order.
  auto storedValues = [&] {
    db::TADOConnection store;
    store.ConnectionString = db::StoreConnectionString((root.Root() / "store").string());
    store.Open();
    std::vector<std::string> values;
    for (const auto& row :
         store.backend().Query("SELECT TEMPNUM FROM TV_BASE..CD_PERSON WHERE CUSCODE = " + db::QuotedStr(code) + " ORDER BY SEQ").rows)
      values.push_back(row[0].value_or("<NULL>"));
    return values;
  };
  const std::vector<std::string> valuesBefore = storedValues();

  // A right click below the rows repairs nothing and asks nothing.
  const QRect last = window.gridSub()->visualRect(
      window.gridSub()->model().IndexOfCell(1, form.Grid_Sub.RowCount() - 1));
  const QPoint below(last.center().x(), last.bottom() + 5);
  ASSERT_FALSE(window.gridSub()->indexAt(below).isValid());
  EXPECT_TRUE(AnswerBoxes([&] {
                SendMouse(window.gridSub()->viewport(), QEvent::MouseButtonPress, below, Qt::RightButton);
              }).empty());

  // A right click on the first history row asks first (default No); a No
  // changes nothing, a Yes repairs and says how many records it changed.
  const auto declined = AnswerBoxes([&] { Click(window.gridSub(), 1, 1, Qt::RightButton); }, false);
  ASSERT_EQ(declined.size(), 1u);
  EXPECT_EQ(declined[0].icon, QMessageBox::Question);
  EXPECT_TRUE(declined[0].defaultNo);
  EXPECT_EQ(form.Grid_Sub.CurrentRow(), 1);
  const auto repairBoxes = AnswerBoxes([&] { Click(window.gridSub(), 1, 1, Qt::RightButton); });
  ASSERT_EQ(repairBoxes.size(), 2u);
  EXPECT_TRUE(repairBoxes[0].text.contains(QString::fromStdString(code)));
  EXPECT_TRUE(repairBoxes[1].text.startsWith(QString::fromUtf8("복구완료 (고객 기록 "))) << repairBoxes[1].text.toStdString();

  db::TADOConnection store;
  store.ConnectionString = db::StoreConnectionString((root.Root() / "store").string());
  store.Open();
  db::TADOQuery q("check");
  q.Connection = &store;
  ASSERT_TRUE(db::OpenQuery(q, "SELECT TEMPNUM FROM TV_BASE..CD_PERSON WHERE CUSCODE = " +
                                   db::QuotedStr(code)));
  int records = 0;
  for (; !q.Eof(); q.Next(), ++records) EXPECT_EQ(q.FieldAsString("TEMPNUM"), value);
  EXPECT_GE(records, 2);

  // The technician's view lists the repair in its journal; undoing it puts
  // the values back, after a question, and lists the undo above it.
  form.RunEvent([&] { form.ShowTechnicianView(); });
  window.SyncFromModel();
  ASSERT_NE(window.gridJournal(), nullptr);
  EXPECT_TRUE(window.gridJournal()->isVisible());
  ASSERT_EQ(form.Grid_Journal.RowCount(), 2);
  EXPECT_EQ(form.Grid_Journal.Cell(0, 1), "repair");
  Click(window.gridJournal(), 1, 1, Qt::LeftButton);
  const auto undoBoxes = AnswerBoxes([&] { SendClick(Control<QPushButton>(&window, "Btn_Undo")); });
  ASSERT_EQ(undoBoxes.size(), 2u);
  EXPECT_EQ(undoBoxes[0].icon, QMessageBox::Question);
  EXPECT_TRUE(undoBoxes[1].text.startsWith(QString::fromUtf8("되돌리기: "))) << undoBoxes[1].text.toStdString();
  EXPECT_EQ(storedValues(), valuesBefore);
  ASSERT_EQ(form.Grid_Journal.RowCount(), 3);
  EXPECT_EQ(form.Grid_Journal.Cell(0, 1), "undo");

  // The work-table cleanup asks first; with nothing to drop it says so.
  const auto cleanupBoxes = AnswerBoxes([&] { SendClick(Control<QPushButton>(&window, "Btn_Cleanup")); });
  ASSERT_EQ(cleanupBoxes.size(), 2u);
  EXPECT_EQ(cleanupBoxes[0].icon, QMessageBox::Question);
  EXPECT_TRUE(cleanupBoxes[0].defaultNo);
  EXPECT_EQ(cleanupBoxes[1].icon, QMessageBox::Information);

  form.RunEvent([&] { form.FormClose(); });
}

}  // namespace
}  // namespace jc::test
