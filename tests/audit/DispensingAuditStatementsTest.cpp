// The dispensing-record audits and the bulk restore against a scripted
// database: the statements they send, in order and exactly, the pairing of
// Grid_Sub with Grid_Main, and which pairs the restore writes.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "audit/BulkRestore.h"
#include "audit/DispensingAudit.h"
#include "audit/TableCodec.h"
#include "support/FakeShell.h"
#include "support/ScriptedBackend.h"

namespace jc::audit {
namespace {

using test::MakeResult;

const std::string kDrop = "DROP TABLE TV_BASE..JUMIN_CHECK ";
const std::string kIndex =
    "CREATE NONCLUSTERED INDEX [IX_JUMIN_CHECK] ON TV_BASE..JUMIN_CHECK(\t       [PRESERIAL] ASC  "
    "       )WITH (PAD_INDEX  = OFF, STATISTICS_NORECOMPUTE  = OFF, SORT_IN_TEMPDB = OFF, "
    "IGNORE_DUP_KEY = OFF, DROP_EXISTING = OFF, ONLINE = OFF, ALLOW_ROW_LOCKS  = ON, "
    "ALLOW_PAGE_LOCKS  = ON) ON [PRIMARY] ";
const std::string kCount = "SELECT COUNT(*) AS CNT FROM TV_BASE..JUMIN_CHECK ";
const std::string kReadAll =
    "SELECT PRESERIAL, CUSCODE, PANUM, PANAME, TEMPNUM  FROM TV_BASE..JUMIN_CHECK WHERE "
    "RIGHT(PANUM,6) = '******' AND TEMPNUM IS NOT NULL ";
const std::string kReadUnmarked = kReadAll + "AND CHK <> '1' ";

std::string CopyAll(const std::string& table) {
  return "SELECT * INTO TV_BASE..JUMIN_CHECK   FROM (SELECT PRESERIAL, CUSCODE, PANUM, PANAME, "
         "TEMPNUM, '' AS CHK           FROM " +
         table +
         "          WHERE RIGHT(PANUM,6) = '******' AND TEMPNUM IS NOT NULL           ) AS T1 ";
}
std::string CopyByDate(const std::string& table, const std::string& from, const std::string& to) {
  return "SELECT * INTO TV_BASE..JUMIN_CHECK   FROM (SELECT PRESERIAL, CUSCODE, PANUM, PANAME, "
         "TEMPNUM, '' AS CHK           FROM " +
         table +
         "          WHERE RIGHT(PANUM,6) = '******' AND TEMPNUM IS NOT NULL           AND INDATE "
         "BETWEEN " +
         "'" + from + "'           AND '" + to + "'           ) AS T1 ";
}
std::string Mark(const std::string& quoted) {
  return "UPDATE TV_BASE..JUMIN_CHECK SET CHK = '1' WHERE PRESERIAL = " + quoted;
}
std::string Lookup(const std::string& quoted) {
  return "SELECT * FROM TV_BASE..CD_PERSON WHERE CUSACT = '1' AND CUSCODE = " + quoted;
}
// The restore of one record, written only while it holds the number and
// value the audit read, or already the value written.
std::string Restore(const std::string& head, const std::string& value, const std::string& preserial,
                    const std::string& number, const std::string& seen) {
  return head + "'" + value + "' WHERE PRESERIAL = '" + preserial + "' AND PANUM = '" + number +
         "' AND (TEMPNUM = '" + seen + "' OR TEMPNUM = '" + value + "')";
}
const std::string kRestorePsMain = "UPDATE TV_PRES..PS_MAIN    SET TEMPNUM  = ";

const std::vector<std::string> kScratchColumns = {"PRESERIAL", "CUSCODE", "PANUM", "PANAME",
                                                  "TEMPNUM"};
const std::vector<std::string> kPersonColumns = {"CUSCODE", "SEQ", "PANAME", "INDATE",
                                                 "PANUM", "TEMPNUM", "CUSACT"};
const std::vector<std::string> kHeaders = {"일련번호", "이름", "주민번호", "암호해제값", "암호화값",
                                           "고객코드"};

db::ResultSet CountResult(int n) { return MakeResult({"CNT"}, {{std::to_string(n)}}); }

// A codec that reports itself unusable, as with a missing key.
struct UnusableCodec : test::TableCodec {
  std::string WhyUnusable() override { return "no key of version 01"; }
};

struct Rig {
  test::ScriptedSession session;
  test::TableCodec codec;
  test::FakeShell shell;
  ui::FormModel form;
  db::Session& db = session.db;
  test::ScriptedBackend& backend = *session.backend;

  // Rows of the scratch table, returned by the first read (later passes find
  // them marked), and the active records by customer code.
  std::vector<std::vector<db::Cell>> scratch;
  std::map<std::string, std::vector<std::vector<db::Cell>>> active;
  int reads = 0;

  Rig() {
    form.CustomerMode = true;
    // Leftovers of earlier operations that the audit must clear.
    form.Grid_Main.SetRowCount(4);
    form.Grid_Main.SetCell(1, 2, "old");
    form.Grid_Sub.SetRowCount(5);
    form.Grid_Sub.SetCell(1, 3, "old");
    backend.onQuery = [this](const std::string& sql) {
      if (sql == kCount) return CountResult(static_cast<int>(scratch.size()));
      if (sql == kReadAll || sql == kReadUnmarked)
        return MakeResult(kScratchColumns, reads++ == 0 ? scratch : decltype(scratch){});
      const std::string head = Lookup("");
      if (sql.rfind(head, 0) == 0) {
        const std::string quoted = sql.substr(head.size());
        return MakeResult(kPersonColumns, active[quoted.substr(1, quoted.size() - 2)]);
      }
      throw db::DbError("unexpected: " + sql);
    };
  }
  void Audit(const DispensingSource& source = kDispensingRecords) {
    RunDispensingAudit(form, db, codec, shell, source);
  }
  RestoreResult RunRestore() { return Btn_RestoreClick(form, db, codec, shell); }
  std::vector<std::string> StatementsFrom(std::size_t first) const {
    const auto all = backend.Statements();
    return std::vector<std::string>(all.begin() + static_cast<long>(first), all.end());
  }
};

void ExpectRows(const ui::ResultGrid& g, const std::vector<std::vector<std::string>>& rows) {
  ASSERT_EQ(g.RowCount(), static_cast<int>(rows.size()) + 1);
  for (std::size_t r = 0; r < rows.size(); ++r)
    for (std::size_t c = 0; c < rows[r].size(); ++c)
      EXPECT_EQ(g.Cell(static_cast<int>(c), static_cast<int>(r + 1)), rows[r][c]) << r + 1 << "," << c;
}

TEST(DispensingAuditStatements, WholeTableRunListsMaskedDecryptionsAndPairsEachWithItsCustomer) {
  Rig rig;
  // A value read with a trailing blank is decrypted as read for the test and
  // trimmed for column 3.
  rig.codec.plain = {{"bad1", "8001011******"},  {"bad1 ", "8001019******"},
                     {"good", "7001011234567"},  {"bad2", "6001011******"},
                     {"cs1", "8001011234567"}};
  rig.scratch = {{" 101 ", "C1 ", "8001011******", "김일", "bad1"},
                 {"102", "C2", "7001011******", "이이", "good"},
                 {"103", "C1", "8001011******", "김일", "bad1 "},
                 {"104", "NOACT", "6001011******", "무명", "bad2"}};
  // Two active records: the first one returned is the pair.
  rig.active["C1"] = {{"C1", "2", "김일", "20100101", "8001011******", "cs1", "1"},
                      {"C1", "3", "다른", "20110101", "8001011******", "bad1", "1"}};

  rig.Audit();

  EXPECT_EQ(rig.backend.Statements(),
            (std::vector<std::string>{kDrop, CopyAll("TV_PRES..PS_MAIN"), kIndex, kCount,
                                      kReadUnmarked, Mark("' 101 '"), Mark("'102'"), Mark("'103'"),
                                      Mark("'104'"), Lookup("'C1'"), Lookup("'C1'"),
                                      Lookup("'NOACT'"), kDrop}));
  for (const ui::ResultGrid* g : {&rig.form.Grid_Main, &rig.form.Grid_Sub})
    for (int c = 0; c < 6; ++c) EXPECT_EQ(g->Column(c).header, kHeaders[c]);
  EXPECT_EQ(rig.form.Grid_Sub.Column(6).header, "TEMPNUM");
  ExpectRows(rig.form.Grid_Main,
             {{" 101 ", "김일", "8001011******", "8001011******", "bad1", "C1 "},
              {"103", "김일", "8001011******", "8001011******", "bad1 ", "C1"},
              {"104", "무명", "6001011******", "6001011******", "bad2", "NOACT"}});
  // Row i pairs with Grid_Main's row i: the record number trimmed, the code
  // as listed, the customer's fields (none without an active record).
  ExpectRows(rig.form.Grid_Sub,
             {{"101", "김일", "8001011******", "8001011234567", "cs1", "C1 ", ""},
              {"103", "김일", "8001011******", "8001011234567", "cs1", "C1", ""},
              {"104", "", "", "", "", "NOACT", ""}});

  EXPECT_FALSE(rig.form.CustomerMode);
  EXPECT_TRUE(rig.form.Btn_Restore.enabled);
  EXPECT_EQ(rig.form.RestoreKind, "P");
  ASSERT_EQ(rig.form.RestorePairs.size(), 3u);
  EXPECT_EQ(rig.form.RestorePairs[2].row, 3);
  EXPECT_EQ(rig.form.Gauge1.MaxValue(), 4);
  EXPECT_EQ(rig.form.Gauge1.Progress(), 4);
  EXPECT_EQ(rig.shell.processed, 1 + 4);  // after the headers, then once per row read
  EXPECT_EQ(rig.shell.sleeps, std::vector<int>{4000});
}

TEST(DispensingAuditStatements, TwinsAndCopyVariantsDifferOnlyInTableKindDatesAndPasses) {
  struct Case {
    const DispensingSource* source;
    bool byDate;
    std::string table, kind;
  };
  for (const Case& c : {Case{&kDispensingRecords, false, "TV_PRES..PS_MAIN", "P"},
                        Case{&kDispensingRecords, true, "TV_PRES..PS_MAIN", "P"},
                        Case{&kExceptionRecords, false, "TV_PRES..INS_COMPOS", "B"},
                        Case{&kExceptionRecords, true, "TV_PRES..INS_COMPOS", "B"}}) {
    SCOPED_TRACE(c.table + (c.byDate ? " by date" : " whole"));
    Rig rig;
    rig.form.Chk_Day.checked = c.byDate;
    rig.form.Dtp_Start.date = ui::DateTime{2013, 1, 5, 14, 30, 0};
    rig.form.Dtp_End.date = ui::DateTime{2013, 12, 31, 9, 0, 0};
    rig.codec.plain = {{"bad", "8001011******"}};
    rig.scratch = {{"7", "C7", "8001011******", "칠", "bad"}};

    rig.Audit(*c.source);

    std::vector<std::string> expected = {
        kDrop, c.byDate ? CopyByDate(c.table, "20130105", "20131231") : CopyAll(c.table), kIndex,
        kCount, c.byDate ? kReadAll : kReadUnmarked};
    if (!c.byDate) expected.push_back(Mark("'7'"));  // the date-range read marks nothing
    expected.insert(expected.end(), {Lookup("'C7'"), kDrop});
    EXPECT_EQ(rig.backend.Statements(), expected);
    EXPECT_EQ(rig.shell.sleeps, c.byDate ? std::vector<int>{} : std::vector<int>{4000});
    EXPECT_EQ(rig.form.RestoreKind, c.kind);
    EXPECT_EQ(rig.form.Grid_Main.RowCount(), 2);
  }
}

TEST(DispensingAuditStatements, NothingListedLeavesHeadersRestoreDisabledAndKindUnchanged) {
  Rig rig;
  // As after an earlier audit of the other table that listed rows.
  rig.form.RestoreKind = "B";
  rig.form.Btn_Restore.enabled = true;
  rig.form.RestorePairs = {ui::RestorePair{1, "9", "C9", "8001011234567", "v", "8001011******", "m"}};
  rig.codec.plain = {{"good", "7001011234567"}};
  rig.scratch = {{"1", "C1", "7001011******", "일", "good"}};

  rig.Audit();

  EXPECT_EQ(rig.form.Grid_Main.RowCount(), 1);
  EXPECT_EQ(rig.form.Grid_Sub.RowCount(), 1);
  EXPECT_EQ(rig.form.Grid_Sub.Column(0).header, "일련번호");
  EXPECT_FALSE(rig.form.Btn_Restore.enabled);
  EXPECT_TRUE(rig.form.RestorePairs.empty());
  EXPECT_EQ(rig.form.RestoreKind, "B");
  EXPECT_EQ(rig.backend.Statements().back(), kDrop);  // the scratch table is dropped
}

// Every way the audit can end early: the grids and the restore as the error
// leaves them. An earlier audit's pairs are never left to a restore.
TEST(DispensingAuditStatements, ErrorsEndTheRunAndLeaveNothingToRestore) {
  struct Case {
    std::string name, error;
    std::function<void(Rig&)> script;
  };
  const std::vector<Case> cases = {
      {"copy fails", "There is already an object named 'JUMIN_CHECK' in the database.",
       [](Rig& rig) {
         rig.backend.onExecute = [](const std::string& sql) {
           if (sql.rfind("DROP", 0) == 0) throw db::DbError("database is locked");
           if (sql.rfind("SELECT * INTO", 0) == 0)
             throw db::DbError("There is already an object named 'JUMIN_CHECK' in the database.");
         };
       }},
      {"count cannot be read", "Ado_Qry: Field 'CNT' not found",
       [](Rig& rig) {
         auto answer = rig.backend.onQuery;
         rig.backend.onQuery = [answer](const std::string& sql) {
           if (sql == kCount) throw db::DbError("timeout");
           return answer(sql);
         };
       }},
      // A failed read would otherwise pass for a table without findings.
      {"read fails", "database disk image is malformed",
       [](Rig& rig) {
         auto answer = rig.backend.onQuery;
         rig.backend.onQuery = [answer](const std::string& sql) {
           if (sql == kReadUnmarked) throw db::DbError("database disk image is malformed");
           return answer(sql);
         };
       }},
      {"second lookup fails", "Ado_Qry: Field 'PANAME' not found",
       [](Rig& rig) {
         auto answer = rig.backend.onQuery;
         rig.backend.onQuery = [answer](const std::string& sql) {
           if (sql == Lookup("'C2'")) throw db::DbError("deadlock victim");
           return answer(sql);
         };
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Rig rig;
    rig.form.RestoreKind = "P";
    rig.form.Btn_Restore.enabled = true;
    rig.form.RestorePairs = {ui::RestorePair{1, "9", "C9", "8001011234567", "v", "8001011******", "m"}};
    rig.codec.plain = {{"bad", "8001011******"}, {"cs", "8001011234567"}};
    rig.scratch = {{"1", "C1", "8001011******", "일", "bad"},
                   {"2", "C2", "8001011******", "이", "bad"},
                   {"3", "C3", "8001011******", "삼", "bad"}};
    rig.active["C1"] = {{"C1", "1", "일", "20100101", "8001011******", "cs", "1"}};
    c.script(rig);

    try {
      rig.Audit();
      FAIL() << "the run went on";
    } catch (const std::exception& e) {
      EXPECT_EQ(std::string(e.what()), c.error);
    }
    EXPECT_FALSE(rig.form.Btn_Restore.enabled);
    EXPECT_TRUE(rig.form.RestorePairs.empty());
    EXPECT_NE(rig.backend.Statements().back(), kDrop);
    if (c.name == "second lookup fails") {
      // Filled up to the failing row, which has only its record number.
      EXPECT_EQ(rig.form.Grid_Sub.Cell(4, 1), "cs");
      EXPECT_EQ(rig.form.Grid_Sub.Cell(0, 2), "2");
      EXPECT_EQ(rig.form.Grid_Sub.Cell(1, 2), "");
      EXPECT_EQ(rig.form.Grid_Sub.Cell(0, 3), "");
    }
  }
}

TEST(DispensingAuditStatements, UnusableCodecRefusesBeforeChangingAnything) {
  test::ScriptedSession session;
  UnusableCodec codec;
  test::FakeShell shell;
  ui::FormModel form;
  form.Btn_Restore.enabled = true;
  form.RestoreKind = "P";
  form.RestorePairs = {ui::RestorePair{1, "9", "C9", "8001011234567", "v", "8001011******", "m"}};
  form.Grid_Sub.SetCell(0, 1, "9");

  EXPECT_THROW(Btn_De_TestClick(form, session.db, codec, shell), crypto::CodecUnusable);
  EXPECT_THROW(Btn_RestoreClick(form, session.db, codec, shell), crypto::CodecUnusable);

  EXPECT_TRUE(session.backend->calls.empty());
  EXPECT_EQ(form.Grid_Sub.Cell(0, 1), "9");
  EXPECT_TRUE(form.Btn_Restore.enabled);
  EXPECT_EQ(form.RestorePairs.size(), 1u);
}

// A listed record without a record number cannot be addressed: an UPDATE by
// the empty number would write every such record.
TEST(BulkRestoreStatements, PairWithoutARecordNumberIsSkipped) {
  test::ScriptedSession session;
  test::TableCodec codec;
  codec.plain = {{"v", "8001011234567"}};
  test::FakeShell shell;
  ui::FormModel form;
  form.RestoreKind = "P";
  form.RestorePairs = {ui::RestorePair{1, "", "C9", "8001011234567", "v", "8001011******", "m"},
                       ui::RestorePair{2, "  ", "C8", "8001011234567", "v", "8001011******", "m"}};
  const RestoreResult result = Btn_RestoreClick(form, session.db, codec, shell);
  EXPECT_TRUE(session.backend->calls.empty());
  EXPECT_EQ(result.noRecordNumber, 2);
  EXPECT_EQ(result.Skipped(), 2);
  EXPECT_TRUE(result.restored.empty());
  EXPECT_EQ(shell.messages, (std::vector<std::string>{RestoreSummaryText(result)}));
}

// The restore over the pairs of an audit: which ones it writes, how, and
// what a failing UPDATE leaves.
TEST(BulkRestoreStatements, WritesOnlySoundTrimmedPairsAndColoursTheRowsItUpdated) {
  Rig rig;
  rig.codec.plain = {{"bad", "8001011******"},
                     {"bad7", "7701011******"},
                     {" cs ", "8001011234567"},   // as read at audit time
                     {"cs", "8001011234567"},     // trimmed, at restore time
                     {"cm", "8001011******"},
                     {"junk", ""},                // does not decrypt
                     {"cf", "8001011765432"},
                     {"co", "9001011234568"},     // another person's number
                     {"cc", "7701011234561"}};
  rig.scratch = {{" 201 ", "A", "8001011******", "가", "bad"},
                 {"202", "M", "8001011******", "마", "bad"},
                 {"203", "NOACT", "8001011******", "무", "bad"},
                 {"204", "J", "8001011******", "자", "bad"},
                 {"205", "F", "8001011******", "파", "bad"},
                 {"206", "O", "8001011******", "오", "bad"},
                 {"207", "C", "770101-1******", "차", "bad7"}};
  rig.active["A"] = {{"A", "1", "가", "20100101", "8001011******", " cs ", "1"}};
  rig.active["M"] = {{"M", "1", "마", "20100101", "8001011******", "cm", "1"}};
  rig.active["J"] = {{"J", "1", "자", "20100101", "8001011******", "junk", "1"}};
  rig.active["F"] = {{"F", "1", "파", "20100101", "8001011******", "cf", "1"}};
  rig.active["O"] = {{"O", "1", "오", "20100101", "9001011******", "co", "1"}};
  rig.active["C"] = {{"C", "1", "차", "20100101", "7701011******", "cc", "1"}};
  rig.Audit();
  ASSERT_EQ(rig.form.RestorePairs.size(), 7u);
  rig.backend.onExecute = [](const std::string& sql) {
    if (sql.rfind("UPDATE", 0) == 0 && sql.find("'205'") != std::string::npos) throw db::DbError("constraint");
  };
  // Record 207 was changed after the audit: its UPDATE finds nothing to write.
  rig.backend.onRowsChanged = [](const std::string& sql) { return sql.find("'207'") != std::string::npos ? 0 : 1; };
  // The journal table is there.
  const auto audit = rig.backend.onQuery;
  rig.backend.onQuery = [audit](const std::string& sql) {
    if (sql.find("JUMINCHECK_JOURNAL") != std::string::npos) return test::MakeResult({"CNT"}, {{"0"}});
    return audit(sql);
  };

  for (int run = 1; run <= 2; ++run) {
    SCOPED_TRACE(run);
    const std::size_t before = rig.backend.calls.size();
    const RestoreResult result = rig.RunRestore();

    // Masked at audit time, no active record, a value that does not decrypt
    // to a number now: skipped; so is a value of another number (206). The
    // failed UPDATE and the one that found the record changed leave their
    // rows uncoloured.
    std::vector<std::string> updates;
    for (const std::string& sql : rig.StatementsFrom(before))
      if (sql.rfind("UPDATE", 0) == 0) updates.push_back(sql);
    EXPECT_EQ(updates,
              (std::vector<std::string>{Restore(kRestorePsMain, "cs", "201", "8001011******", "bad"),
                                        Restore(kRestorePsMain, "cf", "205", "8001011******", "bad"),
                                        Restore(kRestorePsMain, "cc", "207", "770101-1******", "bad7")}));
    ASSERT_EQ(result.restored.size(), 1u);
    EXPECT_EQ(result.restored[0].preserial, "201");
    EXPECT_EQ(result.restored[0].cuscode, "A");
    EXPECT_EQ((std::vector<int>{result.noRecordNumber, result.unsoundValue, result.otherNumber,
                                result.changedSinceAudit, result.failed}),
              (std::vector<int>{0, 3, 1, 1, 1}));
    EXPECT_EQ(rig.form.Grid_Sub.RowColor(1), std::optional<ui::Color>(ui::kRestoredRowColor));
    for (int row = 2; row <= 7; ++row) EXPECT_FALSE(rig.form.Grid_Sub.RowColor(row)) << row;
    EXPECT_TRUE(rig.form.Btn_Restore.enabled);
    EXPECT_EQ(rig.form.RestoreKind, "P");
    // One information box at the end, with every count.
    ASSERT_EQ(rig.shell.messages.size(), static_cast<std::size_t>(run));
    EXPECT_EQ(rig.shell.messages.back(),
              "주민번호 복구: 1건 복구, 5건 건너뜀 (일련번호 없음 0건, 고객 암호화 값 불량 3건, 주민번호 앞 7자리 "
              "불일치 1건, 검증 후 변경된 기록 1건), 1건 실패");
  }
  EXPECT_TRUE(rig.shell.errors.empty());
}

TEST(BulkRestoreStatements, UnknownKindOrNoPairsDoesNothing) {
  struct Case {
    std::string kind;
    bool pairs;
  };
  for (const Case& c : {Case{"", true}, Case{"X", true}, Case{"p", true}, Case{"P", false}}) {
    SCOPED_TRACE(c.kind);
    test::ScriptedSession session;
    test::TableCodec codec;
    test::FakeShell shell;
    ui::FormModel form;
    form.RestoreKind = c.kind;
    form.Grid_Sub.SetCell(0, 1, "9");
    form.Grid_Sub.SetCell(4, 1, "v");
    if (c.pairs) form.RestorePairs = {ui::RestorePair{1, "9", "C9", "8001011234567", "v", "8001011******", "m"}};
    codec.plain = {{"v", "8001011234567"}};

    const RestoreResult result = Btn_RestoreClick(form, session.db, codec, shell);

    EXPECT_TRUE(session.backend->calls.empty());
    EXPECT_TRUE(result.restored.empty());
    EXPECT_FALSE(form.Grid_Sub.RowColor(1));
  }
}

}  // namespace
}  // namespace jc::audit
