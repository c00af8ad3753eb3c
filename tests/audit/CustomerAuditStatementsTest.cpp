// The customer audit against a scripted database: the statements it sends,
// in order and exactly, and what it makes of the rows it gets back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "audit/CustomerAudit.h"
#include "audit/TableCodec.h"
#include "support/FakeShell.h"
#include "support/ScriptedBackend.h"

namespace jc::audit {
namespace {

using test::MakeResult;

const std::string kDrop = "DROP TABLE TV_BASE..JUMIN_CHECK ";
const std::string kIndex =
    "CREATE NONCLUSTERED INDEX [IX_JUMIN_CHECK] ON TV_BASE..JUMIN_CHECK ( \t[CUSCODE] ASC    )WITH "
    "(PAD_INDEX  = OFF, STATISTICS_NORECOMPUTE  = OFF, SORT_IN_TEMPDB = OFF, IGNORE_DUP_KEY = OFF, "
    "DROP_EXISTING = OFF, ONLINE = OFF, ALLOW_ROW_LOCKS  = ON, ALLOW_PAGE_LOCKS  = ON) ON [PRIMARY] ";
const std::string kCount = "SELECT COUNT(*) AS CNT FROM TV_BASE..JUMIN_CHECK ";
const std::string kReadAll =
    "SELECT CUSCODE, SEQ, INDATE, PANUM, PANAME, TEMPNUM  FROM TV_BASE..JUMIN_CHECK WHERE "
    "RIGHT(PANUM,6) = '******' AND TEMPNUM IS NOT NULL AND CHK <> '1' ";

std::string Mark(const std::string& quotedCode, const std::string& quotedSeq) {
  return "UPDATE TV_BASE..JUMIN_CHECK SET CHK = '1'  WHERE CUSCODE = " + quotedCode +
         "   AND SEQ     = " + quotedSeq;
}

db::ResultSet CountResult(int n) { return MakeResult({"CNT"}, {{std::to_string(n)}}); }

struct AuditRig {
  test::ScriptedSession session;
  test::TableCodec codec;
  test::FakeShell shell;
  ui::FormModel form;
  db::Session& db = session.db;
  test::ScriptedBackend& backend = *session.backend;

  AuditRig() {
    form.Combo_Year.items = {"2013", "2012"};
    form.Combo_Year.itemIndex = 0;
    // Leftovers of an earlier listing that the run must clear.
    form.Grid_Main.SetRowCount(4);
    form.Grid_Main.SetCell(1, 2, "old");
    form.Grid_Sub.SetRowCount(5);
    form.Grid_Sub.SetCell(1, 3, "old");
    form.LB_Msg.caption = "old status";
  }
  void Run() { Btn_De_CustomClick(form, db, codec, shell); }
};

const std::vector<std::string> kRowColumns = {"CUSCODE", "SEQ", "INDATE", "PANUM", "PANAME",
                                              "TEMPNUM"};

TEST(CustomerAuditStatements, TaxYearRunSendsEveryStatementInOrderAndListsMaskedDecryptions) {
  AuditRig rig;
  rig.form.Combo_Year.items = {"2013", " 2012\t"};  // the year text is trimmed
  rig.form.Combo_Year.itemIndex = 1;
  // A value read with a trailing blank is decrypted as read for the test, and
  // trimmed for column 3.
  rig.codec.plain = {{"bad1", "8001011******"},
                     {"good", "8001011234567"},
                     {"bad3 ", "7001011******"},
                     {"bad3", "7001012******"}};
  rig.backend.onQuery = [](const std::string& sql) {
    if (sql == kCount) return CountResult(3);
    return MakeResult(kRowColumns, {{"C1", "1", "20120101", "8001011******", "김일", "bad1"},
                                    {"O'N", "2", "20120202", "8001011******", "오엔", "good"},
                                    {"C1", "3", "20120303", "7001011******", "김일", "bad3 "}});
  };

  rig.Run();

  const std::vector<std::string> expected = {
      kDrop,
      "SELECT * INTO TV_BASE..JUMIN_CHECK   FROM (SELECT CUSCODE, SEQ, INDATE, PANUM, PANAME, "
      "TEMPNUM, '' AS CHK           FROM TV_BASE..CD_PERSON          WHERE RIGHT(PANUM, 6) = "
      "'******' AND ISNULL(TEMPNUM,'') <> ''            AND CUSCODE IN(SELECT CUSCODE          "
      "                   FROM TV_PRES..PS_MAIN                            WHERE INDATE BETWEEN "
      "'20120101' AND '20121231'                           GROUP BY CUSCODE)) AS T1",
      kIndex,
      kCount,
      kReadAll,
      Mark("'C1'", "'1'"),
      Mark("'O''N'", "'2'"),
      Mark("'C1'", "'3'"),
  };
  EXPECT_EQ(rig.backend.Statements(), expected);

  const ui::ResultGrid& g = rig.form.Grid_Main;
  ASSERT_EQ(g.RowCount(), 3);  // header + two listed, no spare row
  const std::vector<std::string> headers = {"SEQ", "이름", "주민번호", "암호화해제 주민번호",
                                            "조제년도", "고객코드"};
  for (int c = 0; c < 6; ++c) EXPECT_EQ(g.Column(c).header, headers[c]);
  const std::vector<std::vector<std::string>> rows = {
      {"1", "김일", "8001011******", "8001011******", "2012년", "C1"},
      {"3", "김일", "7001011******", "7001012******", "2012년", "C1"}};
  for (int r = 0; r < 2; ++r)
    for (int c = 0; c < 6; ++c) EXPECT_EQ(g.Cell(c, r + 1), rows[r][c]) << r << "," << c;

  EXPECT_EQ(rig.form.Grid_Sub.RowCount(), 2);
  EXPECT_EQ(rig.form.Grid_Sub.Cell(1, 1), "");
  EXPECT_TRUE(rig.form.CustomerMode);
  EXPECT_EQ(rig.form.LB_Msg.caption, "3건 중 암호화 오입력 환자 2건 검색");
  EXPECT_EQ(rig.form.Gauge1.MaxValue(), 3);
  EXPECT_EQ(rig.form.Gauge1.Progress(), 3);
  EXPECT_EQ(rig.shell.processed, 1 + 3);  // after the headers, then once per row
  EXPECT_TRUE(rig.shell.sleeps.empty());
  // Once per row as read, and once more (trimmed) for each listed row.
  EXPECT_EQ(rig.codec.asked, (std::vector<std::string>{"bad1", "bad1", "good", "bad3 ", "bad3"}));
}

TEST(CustomerAuditStatements, DateRangeVariantCopiesByRegistrationDateAndShowsThatYear) {
  AuditRig rig;
  rig.form.Chk_Day.checked = true;
  rig.form.Dtp_Start.date = ui::DateTime{2011, 3, 5, 14, 30, 0};
  rig.form.Dtp_End.date = ui::DateTime{2012, 1, 31, 9, 0, 0};
  rig.codec.plain = {{"x01", "8001011******"}};
  rig.backend.onQuery = [](const std::string& sql) {
    if (sql == kCount) return CountResult(1);
    return MakeResult(kRowColumns, {{"C9", "4", "20110401", "8001011******", "구", "x01"}});
  };

  rig.Run();

  const auto statements = rig.backend.Statements();
  ASSERT_GE(statements.size(), 2u);
  EXPECT_EQ(statements[1],
            "SELECT * INTO TV_BASE..JUMIN_CHECK   FROM (SELECT CUSCODE, SEQ, INDATE, PANUM, "
            "PANAME, TEMPNUM, '' AS CHK           FROM TV_BASE..CD_PERSON          WHERE "
            "RIGHT(PANUM, 6) = '******' AND ISNULL(TEMPNUM,'') = ''            AND INDATE BETWEEN "
            "'20110305'           AND '20120131'       ) AS T1");
  ASSERT_EQ(rig.form.Grid_Main.RowCount(), 2);
  EXPECT_EQ(rig.form.Grid_Main.Cell(4, 1), "2011년");  // the year of the range start
  EXPECT_EQ(rig.form.LB_Msg.caption, "1건 중 암호화 오입력 환자 1건 검색");
}

TEST(CustomerAuditStatements, EmptyScratchTableLeavesOnlyTheHeaderRow) {
  AuditRig rig;
  rig.backend.onQuery = [](const std::string& sql) {
    if (sql == kCount) return CountResult(0);
    return MakeResult(kRowColumns, {});
  };

  rig.Run();

  EXPECT_EQ(rig.form.Grid_Main.RowCount(), 1);
  EXPECT_EQ(rig.form.LB_Msg.caption, "0건 중 암호화 오입력 환자 0건 검색");
  EXPECT_EQ(rig.form.Gauge1.Text(), "0%");
  EXPECT_EQ(rig.backend.Statements().back(), kReadAll);
}

// The drop failing too (a write lock held elsewhere, a full disk) would leave
// the previous run's table, every row marked, to be counted and read as a
// clean audit: the copy's own error ends the run before any count.
TEST(CustomerAuditStatements, FailedCopyEndsTheRunWithTheCopysOwnError) {
  AuditRig rig;
  rig.backend.onExecute = [](const std::string& sql) {
    if (sql.rfind("DROP", 0) == 0) throw db::DbError("database is locked");
    if (sql.rfind("SELECT * INTO", 0) == 0)
      throw db::DbError("There is already an object named 'JUMIN_CHECK' in the database.");
  };
  rig.backend.onQuery = [](const std::string&) -> db::ResultSet {
    return db::ResultSet{{"CNT"}, {{db::Cell{"574"}}}};  // the stale table would count
  };

  try {
    rig.Run();
    FAIL() << "the run went on after a failed copy";
  } catch (const std::exception& e) {
    EXPECT_STREQ(e.what(), "There is already an object named 'JUMIN_CHECK' in the database.");
  }
  EXPECT_EQ(rig.form.Grid_Main.RowCount(), 2);
  EXPECT_EQ(rig.form.Grid_Main.Cell(1, 1), "");
  EXPECT_EQ(rig.form.Grid_Sub.RowCount(), 2);
  EXPECT_EQ(rig.form.LB_Msg.caption, "");
  EXPECT_EQ(rig.backend.Statements().back().rfind("SELECT * INTO", 0), 0u);  // nothing after the copy
}

}  // namespace
}  // namespace jc::audit
