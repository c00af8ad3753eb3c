// An operator's session with the dispensing audit in the real window
// (offscreen), with the real boxes: run the audit of the dispensing records,
// restore, see the restored rows turn light green and find them in the store.
#include <gtest/gtest.h>

#include <QBrush>
#include <QPushButton>

#include "app/TForm1.h"
#include "app/qt/MainWindow.h"
#include "app/qt/QtShell.h"
#include "db/Query.h"
#include "demo/DemoRoot.h"
#include "gui/GuiSupport.h"
#include "support/FakeShell.h"
#include "support/ModuleRootFolder.h"
#include "ui/qt/GridModel.h"
#include "ui/qt/GridView.h"

namespace jc::test {
namespace {

// The window's shell with its boxes, but pauses recorded instead of slept.
struct UnpausedQtShell : app::qt::QtShell {
  std::vector<int> sleeps;
  void Sleep(int ms) override { sleeps.push_back(ms); }
};

QColor RowBackground(ui::qt::GridView* grid, int row) {
  const QVariant v = grid->model().data(grid->model().IndexOfCell(1, row), Qt::BackgroundRole);
  return v.canConvert<QBrush>() ? v.value<QBrush>().color() : QColor();
}

TEST(DispensingOperator, AuditRestoreAndGreenRowsThroughTheWindow) {
  CurrentDirectoryGuard cwd;
  ModuleRootFolder root;
  demo::DemoRootOptions options;
  options.dir = root.Root().string();
  options.modulePath = JC_MODULE_PATH;
  options.data.customers = 40;
  options.data.seed = 33;
  options.data.today = demo::Date{2014, 6, 1};
  {
    FakeShell quiet;
    demo::MakeDemoRoot(options, quiet);
  }

  UnpausedQtShell shell;
  app::TForm1 form(shell, root.Paths(), [] { return ui::DateTime{2014, 6, 15, 10, 0, 0}; });
  app::qt::MainWindow window(form);
  EXPECT_TRUE(AnswerBoxes([&] { form.RunEvent([&] { form.FormCreate(); }); }).empty());
  window.SyncFromModel();
  window.show();

  // A customer whose active record is sound, and two of its dispensing
  // records whose values were made from the masked number.
  const std::string sound = form.Crypto.EncryptJumin("8001011234567");
  const std::string bad = form.Crypto.EncryptJumin("8001011******");
  for (const std::string& sql :
       {"INSERT INTO TV_BASE..CD_PERSON(CUSCODE, SEQ, PANAME, INDATE, PANUM, TEMPNUM, CUSACT) "
        "VALUES('9900001', '1', '복구대상', '20100101', '8001011******', " +
            db::QuotedStr(sound) + ", '1')",
        "INSERT INTO TV_PRES..PS_MAIN(PRESERIAL, CUSCODE, PANAME, INDATE, PANUM, TEMPNUM) "
        "VALUES('R000000001', '9900001', '복구대상', '20130101', '8001011******', " +
            db::QuotedStr(bad) + ")",
        "INSERT INTO TV_PRES..PS_MAIN(PRESERIAL, CUSCODE, PANAME, INDATE, PANUM, TEMPNUM) "
        "VALUES('R000000002', '9900001', '복구대상', '20130505', '8001011******', " +
            db::QuotedStr(bad) + ")"})
    ASSERT_TRUE(db::ExecQuery(form.Db.Ado_Exec, sql)) << form.Db.Ado_Exec.LastError();

  // The hidden buttons keep their start states: the restore is disabled.
  auto* audit = Control<QPushButton>(&window, "Btn_De_Test");
  auto* restore = Control<QPushButton>(&window, "Btn_Restore");
  ASSERT_NE(audit, nullptr);
  ASSERT_NE(restore, nullptr);
  EXPECT_TRUE(audit->isHidden());
  EXPECT_FALSE(restore->isEnabled());

  EXPECT_TRUE(AnswerBoxes([&] { audit->click(); }).empty());
  EXPECT_EQ(shell.sleeps, std::vector<int>{4000});
  EXPECT_TRUE(restore->isEnabled());
  std::vector<int> ours;  // the rows of the seeded customer
  for (int r = 1; r < form.Grid_Sub.RowCount(); ++r) {
    EXPECT_EQ(form.Grid_Sub.Cell(0, r), form.Grid_Main.Cell(0, r));
    if (form.Grid_Sub.Cell(5, r) == "9900001") ours.push_back(r);
  }
  ASSERT_EQ(ours.size(), 2u);
  EXPECT_EQ(form.Grid_Sub.Cell(3, ours[0]), "8001011234567");

  // The restore asks first (default No), then ends with one information box:
  // what it restored and skipped.
  const auto boxes = AnswerBoxes([&] { restore->click(); });
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].icon, QMessageBox::Question);
  EXPECT_TRUE(boxes[0].defaultNo);
  EXPECT_EQ(boxes[1].icon, QMessageBox::Information);
  EXPECT_TRUE(boxes[1].text.startsWith(QString::fromUtf8("주민번호 복구: 2건 복구, "))) << boxes[1].text.toStdString();
  const QColor green(238, 255, 238);
  for (int r = 1; r < form.Grid_Sub.RowCount(); ++r) {
    // The demo's own pairs have masked customer values and stay as they were.
    const bool restored = form.Grid_Sub.Cell(5, r) == "9900001";
    EXPECT_EQ(RowBackground(window.gridSub(), r) == green, restored) << r;
  }
  EXPECT_TRUE(restore->isEnabled());

  db::TADOQuery q("check");
  q.Connection = form.Connection.get();
  ASSERT_TRUE(db::OpenQuery(
      q, "SELECT TEMPNUM FROM TV_PRES..PS_MAIN WHERE CUSCODE = '9900001' ORDER BY PRESERIAL"));
  int records = 0;
  for (; !q.Eof(); q.Next(), ++records) EXPECT_EQ(q.FieldAsString("TEMPNUM"), sound);
  EXPECT_EQ(records, 2);

  // Clicking a listed row shows its history in Grid_Sub: nothing is left to restore.
  const QModelIndex cell = window.gridMain()->model().IndexOfCell(1, ours[0]);
  window.gridMain()->scrollTo(cell);
  const QPoint at = window.gridMain()->visualRect(cell).center();
  SendMouse(window.gridMain()->viewport(), QEvent::MouseButtonPress, at, Qt::LeftButton);
  SendMouse(window.gridMain()->viewport(), QEvent::MouseButtonRelease, at, Qt::LeftButton);
  EXPECT_EQ(form.Grid_Sub.Cell(5, 1), "9900001");
  EXPECT_FALSE(restore->isEnabled());

  form.RunEvent([&] { form.FormClose(); });
}

}  // namespace
}  // namespace jc::test
