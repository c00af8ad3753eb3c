// The normal-data report against a scripted database: the statements it
// sends, its listing and counts, its pauses, and the rows the report table
// refused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "audit/NormalDataReport.h"
#include "audit/TableCodec.h"
#include "support/FakeShell.h"
#include "support/ScriptedBackend.h"

namespace jc::audit {
namespace {

using test::MakeResult;

const std::string kRecords =
    "SELECT CUSCODE, PANAME, PANUM, TEMPNUM FROM TV_BASE..CD_PERSON  WHERE RIGHT(PANUM,6) = "
    "'******'    AND ISNULL(TEMPNUM, '') <> ''    AND PANUM <> '*************' ";
const std::string kDropAAA = "DROP TABLE TV_BASE..AAA ";
const std::string kCreateAAA =
    "CREATE TABLE TV_BASE..AAA(CUSCODE NVARCHAR(20) NULL, PANAME NVARCHAR(30) NULL, PANUM "
    "NVARCHAR(13) NULL, PANUM_1 NVARCHAR(13) NULL, TEMPNUM NVARCHAR(60) NULL)";
const std::string kInsertHead =
    "INSERT INTO TV_BASE..AAA(CUSCODE, PANAME, PANUM, PANUM_1, TEMPNUM) VALUES( ";

const std::vector<std::string> kColumns = {"CUSCODE", "PANAME", "PANUM", "TEMPNUM"};

// A shell that notes, at every pause, how many records had been decrypted.
struct PauseShell : test::FakeShell {
  const test::TableCodec* codec = nullptr;
  std::vector<std::size_t> pausedAfter;
  void Sleep(int ms) override {
    FakeShell::Sleep(ms);
    pausedAfter.push_back(codec->asked.size());
  }
};

struct Rig {
  test::ScriptedSession session;
  test::TableCodec codec;
  PauseShell shell;
  ui::FormModel form;
  db::Session& db = session.db;
  test::ScriptedBackend& backend = *session.backend;
  std::vector<std::vector<db::Cell>> records;
  std::vector<std::string> label4Seen;  // Label4 at every message processing

  Rig() {
    shell.codec = &codec;
    shell.onProcessMessages = [this] {
      if (label4Seen.empty() || label4Seen.back() != form.Label4.caption)
        label4Seen.push_back(form.Label4.caption);
    };
    form.Grid_Main.SetRowCount(5);
    form.Grid_Main.SetCell(1, 3, "old");
    form.Grid_Main.SetCurrentRow(4);
    backend.onQuery = [this](const std::string& sql) {
      if (sql != kRecords) throw db::DbError("unexpected: " + sql);
      return MakeResult(kColumns, records);
    };
  }
  void Run() { Button1Click(form, db, codec, shell); }
};

TEST(NormalDataReportStatements, ListsSoundDecryptionsNumberedAndSavesEachQuoted) {
  Rig rig;
  rig.codec.plain = {{"s1", "8001011234567"}, {"m1", "7001011******"},
                     {"s2", "9001011234567"}, {"late", "60010112345678*"}};
  rig.records = {{"C1", "김일", "8001011******", "s1"},
                 {"C2", "이이", "7001011******", "m1"},       // '*': not listed
                 {"C'3", "O'Neil", "9001011******", "s2"},   // quotes doubled in the insert
                 {"C4", "사사", "6001011******", "junk"},     // does not decrypt: not normal data
                 {"C5", "오오", "6001011******", "late"}};    // '*' anywhere: not listed

  rig.Run();

  EXPECT_EQ(rig.backend.Statements(),
            (std::vector<std::string>{
                kRecords, kDropAAA, kCreateAAA,
                kInsertHead + "'C1','김일','8001011******','8001011234567','s1')",
                kInsertHead + "'C''3','O''Neil','9001011******','9001011234567','s2')"}));
  const ui::ResultGrid& g = rig.form.Grid_Main;
  const std::vector<std::vector<std::string>> rows = {
      {"1", "김일", "8001011******", "8001011234567", "s1", "C1"},
      {"2", "O'Neil", "9001011******", "9001011234567", "s2", "C'3"}};
  ASSERT_EQ(g.RowCount(), 3);  // no spare row
  for (int r = 0; r < 2; ++r)
    for (int c = 0; c < 6; ++c) EXPECT_EQ(g.Cell(c, r + 1), rows[r][c]) << r << "," << c;
  EXPECT_EQ(g.CurrentRow(), 1);
  EXPECT_EQ(g.Column(0).header, "SEQ");  // the headers stay as they were
  EXPECT_EQ(rig.label4Seen, (std::vector<std::string>{"5 건"}));
  EXPECT_EQ(rig.form.Label4.caption, "5 건 / 3 건");
  EXPECT_EQ(rig.form.Gauge1.MaxValue(), 5);
  EXPECT_EQ(rig.form.Gauge1.Progress(), 5);
  EXPECT_EQ(rig.shell.processed, 1 + 5);
  EXPECT_EQ(rig.codec.asked.size(), 5u);  // one decryption per record
  EXPECT_TRUE(rig.shell.sleeps.empty());
  // Every listed row was saved; the one box tells the record left out.
  EXPECT_EQ(rig.shell.messages, std::vector<std::string>{ReportUndecryptableText(1)});
}

TEST(NormalDataReportStatements, EmptyResultRecreatesTheReportTableEmpty) {
  Rig rig;

  rig.Run();

  EXPECT_EQ(rig.backend.Statements(), (std::vector<std::string>{kRecords, kDropAAA, kCreateAAA}));
  EXPECT_EQ(rig.form.Grid_Main.RowCount(), 1);
  EXPECT_EQ(rig.label4Seen, (std::vector<std::string>{"0 건"}));
  EXPECT_EQ(rig.form.Label4.caption, "0 건 / 1 건");
  EXPECT_EQ(rig.form.Gauge1.Text(), "0%");
  EXPECT_TRUE(rig.shell.messages.empty());
}

// The read count starts at 1: the first pause comes after the 9 999th
// record, the next after every further 10 000.
TEST(NormalDataReportStatements, PausesAfterThe9999thRecordThenEvery10000) {
  struct Case {
    int records;
    std::vector<std::size_t> pausedAfter;
  };
  for (const Case& c : {Case{9998, {}}, Case{9999, {9999}}, Case{10000, {9999}},
                        Case{19999, {9999, 19999}}}) {
    SCOPED_TRACE(c.records);
    Rig rig;
    rig.codec.plain = {{"m", "7001011******"}};
    rig.records.assign(static_cast<std::size_t>(c.records),
                       std::vector<db::Cell>{"C", "이름", "7001011******", "m"});

    rig.Run();

    EXPECT_EQ(rig.shell.pausedAfter, c.pausedAfter);
    EXPECT_EQ(rig.shell.sleeps, std::vector<int>(c.pausedAfter.size(), 5000));
    EXPECT_EQ(rig.form.Label4.caption, std::to_string(c.records) + " 건 / 1 건");
  }
}

TEST(NormalDataReportStatements, RowsTheReportTableRefusesAreCountedAndToldOnce) {
  Rig rig;
  rig.codec.plain = {{"s", "8001011234567"}};
  rig.records = {{"C1", "일", "8001011******", "s"},
                 {"C2", "이", "8001011******", "s"},
                 {"C3", "삼", "8001011******", "s"},
                 {"C4", "사", "8001011******", "s"}};
  rig.backend.onExecute = [](const std::string& sql) {
    if (sql.find("'C2'") != std::string::npos || sql.find("'C4'") != std::string::npos)
      throw db::DbError("String or binary data would be truncated.");
  };

  rig.Run();

  EXPECT_EQ(rig.backend.ExecuteCount(), 2u + 4u);  // every row is tried
  EXPECT_EQ(rig.shell.messages, std::vector<std::string>{
                                    "정상데이터 4건 중 2건을 보고서 테이블(TV_BASE..AAA)에 "
                                    "저장하지 못했습니다."});
  EXPECT_EQ(rig.form.Grid_Main.RowCount(), 5);  // the refused rows stay listed
  EXPECT_TRUE(rig.shell.errors.empty());
}

TEST(NormalDataReportStatements, ErrorsEndTheReport) {
  struct Case {
    std::string name, error;
    bool failQuery, failCreate;
    int rowCount;       // Grid_Main's rows afterwards
    std::string label4;
  };
  for (const Case& c :
       {Case{"query", "Ado_Qry: Cannot perform this operation on a closed dataset", true, false,
             2, "Label4"},
        // Inserts into a table this run did not make would mix in another
        // run's rows: the create's failure ends the report before them.
        Case{"create", "There is already an object named 'AAA' in the database.", false, true, 2,
             "1 건 / 2 건"}}) {
    SCOPED_TRACE(c.name);
    Rig rig;
    rig.codec.plain = {{"s", "8001011234567"}};
    rig.records = {{"C1", "일", "8001011******", "s"}};
    if (c.failQuery) rig.backend.onQuery = nullptr;  // every query fails
    rig.backend.onExecute = [&c](const std::string& sql) {
      if (c.failCreate && sql.rfind("DROP", 0) == 0) throw db::DbError("locked");
      if (c.failCreate && sql.rfind("CREATE", 0) == 0)
        throw db::DbError("There is already an object named 'AAA' in the database.");
    };

    try {
      rig.Run();
      FAIL() << "the report went on";
    } catch (const std::exception& e) {
      EXPECT_EQ(std::string(e.what()), c.error);
    }
    EXPECT_EQ(rig.form.Grid_Main.RowCount(), c.rowCount);
    EXPECT_EQ(rig.form.Grid_Main.Cell(1, 3), "");
    EXPECT_EQ(rig.form.Label4.caption, c.label4);
    EXPECT_EQ(rig.backend.Statements().back().rfind("INSERT", 0), std::string::npos);
  }
}

}  // namespace
}  // namespace jc::audit
