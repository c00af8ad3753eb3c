// The history view and the repair against a scripted database: row placement,
// the masked test, the statements sent, the refusals and the failure report.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "audit/HistoryView.h"
#include "audit/Repair.h"
#include "audit/TableCodec.h"
#include "support/FakeShell.h"
#include "support/ScriptedBackend.h"

namespace jc::audit {
namespace {

using test::MakeResult;

TEST(IsUnmasked, LooksAtTheFirstThirteenCharactersOnly) {
  struct Case {
    std::string text;
    bool unmasked;
  };
  const std::vector<Case> cases = {
      {"", true},
      {"8001011234567", true},
      {"8001011******", false},
      {"*", false},
      {"123456789012*", false},              // 13th character
      {"1234567890123*", true},              // 14th character
      {"1234567890123****", true},
      {"가나다라마바사아자차카타*", false},  // counted in characters, not bytes
      {"가나다라마바사아자차카타하*", true},
  };
  for (const Case& c : cases) EXPECT_EQ(IsUnmasked(c.text), c.unmasked) << c.text;
}

const std::vector<std::string> kHistoryColumns = {"SEQ",   "CUSCODE", "PANAME",
                                                  "INDATE", "PANUM",  "TEMPNUM"};

struct HistoryRig {
  test::ScriptedSession session;
  test::TableCodec codec;
  test::FakeShell shell;
  ui::FormModel form;
  db::Session& db = session.db;
  test::ScriptedBackend& backend = *session.backend;

  // Grid_Main as an audit leaves it, with the given code listed in row 1.
  explicit HistoryRig(const std::string& code = "C1") {
    form.Grid_Main.SetRowCount(3);
    form.Grid_Main.SetCell(1, 1, "김일");
    form.Grid_Main.SetCell(5, 1, code);
    form.Grid_Main.SetCurrentRow(1);
  }
  void Click() { Grid_MainClickCell(form, db, codec, shell); }
};

TEST(HistoryView, ListedRecordsCloseUpUnderTheHeaderInDateOrder) {
  HistoryRig rig("C1 ");  // the code is used as the cell holds it
  rig.codec.plain = {{"m1", "8001011******"},     {"s1", "8001011234567"},
                     {"m2", "8001012******"},     {"lead", "   800101123456*"},
                     {"late", "8001011234567*"},  {"s2", "8001011234567"}};
  rig.backend.onQuery = [](const std::string&) {
    return MakeResult(kHistoryColumns,
                      {{"1", "C1", "김일", "20100101", "8001011******", "m1"},    // unlisted
                       {"1", "C1", "김일", "20110101", "8001011******", "s1"},    // listed
                       {"2", "C1", "김일", "20120101", "8001011******", "m2"},    // unlisted
                       {"1", "C1", "김일", "20120505", "8001011******", "lead"},  // unlisted
                       {"3", "C1", "김일", "20130101", "8001011******", "s2 "},   // listed (empty)
                       {"1", "C1", "김일", "20140101", "8001011******", "late"},  // listed
                       {"4", "C1", "김일", "20150101", "8001011******", std::nullopt}});
  };

  rig.Click();

  EXPECT_EQ(rig.backend.Statements(),
            std::vector<std::string>{
                "SELECT SEQ, CUSCODE, PANAME, INDATE, PANUM, TEMPNUM   FROM TV_BASE..CD_PERSON "
                "WHERE CUSCODE = 'C1 ' UNION ALL SELECT '1' AS SEQ, CUSCODE, PANAME, INDATE, "
                "PANUM, TEMPNUM   FROM TV_PRES..PS_MAIN WHERE CUSCODE = 'C1 ' ORDER BY INDATE"});
  const ui::ResultGrid& g = rig.form.Grid_Sub;
  const std::vector<std::vector<std::string>> expected = {
      {"SEQ", "이름", "주민번호", "암호화해제 주민번호", "고객등록일", "고객코드", "TEMPNUM"},
      {"1", "김일", "8001011******", "8001011234567", "20110101", "C1", "s1"},
      {"3", "김일", "8001011******", "", "20130101", "C1", "s2 "},
      {"1", "김일", "8001011******", "8001011234567*", "20140101", "C1", "late"},
      {"4", "김일", "8001011******", "", "20150101", "C1", ""},
  };
  ASSERT_EQ(g.RowCount(), static_cast<int>(expected.size()));
  for (int r = 0; r < g.RowCount(); ++r)
    for (int c = 0; c < 7; ++c) EXPECT_EQ(g.Cell(c, r), expected[r][c]) << r << "," << c;
}

TEST(HistoryView, BlankRowsOfUnlistedRecordsAreRemovedWhereverTheyFall) {
  // One letter per record in date order: L decrypts unmasked (listed), U masked.
  for (const std::string pattern : {"ULUUL", "LUUUU", "UUUUL", "LLUUL", "L", "LULULU"}) {
    HistoryRig rig;
    std::vector<std::vector<db::Cell>> records;
    std::vector<std::string> listed;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
      const std::string value = "v" + std::to_string(i);
      rig.codec.plain[value] = pattern[i] == 'L' ? "8001011234567" : "8001011******";
      if (pattern[i] == 'L') listed.push_back(value);
      records.push_back({"1", "C1", "김일", "2010010" + std::to_string(i), "8001011******", value});
    }
    rig.backend.onQuery = [&records](const std::string&) {
      return MakeResult(kHistoryColumns, records);
    };

    rig.Click();

    const ui::ResultGrid& g = rig.form.Grid_Sub;
    std::vector<std::string> shown;
    for (int r = 1; r < g.RowCount(); ++r) shown.push_back(g.Cell(6, r));
    EXPECT_EQ(shown, listed) << pattern;
  }
}

TEST(HistoryView, EveryRecordMaskedOrNoRecordLeavesTheHeaderAlone) {
  for (const bool anyRecord : {true, false}) {
    HistoryRig rig;
    rig.form.Grid_Sub.SetRowCount(4);
    rig.form.Grid_Sub.SetCell(1, 2, "old");
    rig.codec.plain = {{"m1", "8001011******"}};
    rig.backend.onQuery = [anyRecord](const std::string&) {
      if (!anyRecord) return MakeResult(kHistoryColumns, {});
      return MakeResult(kHistoryColumns,
                        {{"1", "C1", "김일", "20100101", "8001011******", "m1"},
                         {"1", "C1", "김일", "20110101", "8001011******", "m1"}});
    };
    rig.Click();
    EXPECT_EQ(rig.form.Grid_Sub.RowCount(), 1) << anyRecord;
    EXPECT_EQ(rig.form.Grid_Sub.Cell(4, 0), "고객등록일");
  }
}

TEST(HistoryView, ClickOnAnEmptyListDoesNothing) {
  HistoryRig rig;
  rig.form.Grid_Main.SetCell(1, 1, "");
  rig.form.Grid_Sub.SetRowCount(4);
  rig.form.Grid_Sub.SetCell(1, 2, "kept");

  rig.Click();

  EXPECT_TRUE(rig.backend.calls.empty());
  EXPECT_EQ(rig.form.Grid_Sub.RowCount(), 4);
  EXPECT_EQ(rig.form.Grid_Sub.Cell(1, 2), "kept");
}

TEST(HistoryView, UnopenedHistoryEndsWithTheClosedDatasetError) {
  HistoryRig rig;
  rig.form.Grid_Sub.SetRowCount(4);
  rig.form.Grid_Sub.SetCell(1, 2, "old");
  rig.backend.onQuery = [](const std::string&) -> db::ResultSet {
    throw db::DbError("Invalid object name 'TV_PRES..PS_MAIN'.");
  };

  try {
    rig.Click();
    FAIL() << "no error";
  } catch (const std::exception& e) {
    EXPECT_STREQ(e.what(), "Ado_Qry: Cannot perform this operation on a closed dataset");
  }
  EXPECT_EQ(rig.form.Grid_Sub.RowCount(), 4);
  EXPECT_EQ(rig.form.Grid_Sub.Cell(1, 2), "");
}

// Grid_Sub holding one history row, current, with the given code and value.
struct RepairRig {
  test::ScriptedSession session;
  test::FakeShell shell;
  ui::FormModel form;
  db::Session& db = session.db;
  test::ScriptedBackend& backend = *session.backend;

  test::TableCodec codec;

  // The records the repair would change, as the count query answers.
  int records = 2;

  RepairRig(const std::string& code, const std::string& value) {
    codec.plain = {{"abc01", "9001011234567"}, {"ab'c01", "8001012345678"}};
    backend.onQuery = [this](const std::string& sql) {
      if (sql.rfind("SELECT COUNT(*) AS CNT FROM TV_BASE..JUMINCHECK_JOURNAL ", 0) == 0)
        return test::MakeResult({"CNT"}, {{"0"}});  // the journal is there
      if (sql.rfind("SELECT COUNT(*) AS CNT FROM TV_BASE..CD_PERSON WHERE CUSCODE = ", 0) != 0)
        throw db::DbError("unexpected: " + sql);
      return test::MakeResult({"CNT"}, {{std::to_string(records)}});
    };
    form.CustomerMode = true;
    form.Grid_Sub.SetRowCount(2);
    form.Grid_Sub.SetCell(1, 1, "김일");
    form.Grid_Sub.SetCell(5, 1, code);
    form.Grid_Sub.SetCell(6, 1, value);
    form.Grid_Sub.SetCurrentRow(1);
  }
  void Press(bool right, int row = 1) { Grid_SubMouseDown(form, db, codec, shell, right, row, journal); }
  RepairOutcome Repair() { return RepairCurrentRow(form, db, codec, shell, journal); }
  // The UPDATEs sent, without the journal's statements around them.
  std::size_t Updates() const {
    std::size_t n = 0;
    for (const std::string& sql : backend.Statements()) n += sql.rfind("UPDATE", 0) == 0;
    return n;
  }

  JournalContext journal{"PC-1", "약사", [] { return ui::DateTime{2024, 3, 5, 14, 7, 9}; }};
};

TEST(Repair, ActsOnTheRightButtonOnlyWhileInCustomerMode) {
  struct Case {
    bool customerMode, right, acts;
  };
  for (const Case& c : {Case{true, true, true}, Case{true, false, false},
                        Case{false, true, false}, Case{false, false, false}}) {
    RepairRig rig("C1", "abc01");
    rig.form.CustomerMode = c.customerMode;
    rig.Press(c.right);
    EXPECT_EQ(rig.Updates(), c.acts ? 1u : 0u) << c.customerMode << c.right;
    EXPECT_EQ(rig.shell.messages.size(), c.acts ? 1u : 0u) << c.customerMode << c.right;
    EXPECT_TRUE(rig.shell.errors.empty());
  }
}

TEST(Repair, AsksThenCopiesTheRowsValueIntoEveryRecordOfTheCodeWithItsNumber) {
  RepairRig rig("O'N", "ab'c01");
  rig.backend.onRowsChanged = [](const std::string&) { return 2LL; };
  rig.Press(true);
  // The journal rows of the records the UPDATE changes, then the UPDATE, in
  // one transaction; the journal is keyed by the operation's id.
  const auto sent = rig.backend.Statements();
  ASSERT_EQ(sent.size(), 6u);
  const std::string where = " WHERE CUSCODE = 'O''N' AND LEFT(REPLACE(PANUM,'-',''),7) = '8001012'";
  EXPECT_EQ(sent[0], "SELECT COUNT(*) AS CNT FROM TV_BASE..CD_PERSON" + where);
  EXPECT_EQ(sent[1], "SELECT COUNT(*) AS CNT FROM TV_BASE..JUMINCHECK_JOURNAL WHERE OPID = ''");
  EXPECT_EQ(sent[2], "BEGIN TRANSACTION");
  const std::string insertHead =
      "INSERT INTO TV_BASE..JUMINCHECK_JOURNAL(OPID, OPNAME, OPTIME, MACHINE, OSUSER, TABLENAME, KEY1, KEY2, COLNAME, "
      "BEFOREVAL, AFTERVAL) SELECT '20240305140709-";
  EXPECT_EQ(sent[3].substr(0, insertHead.size()), insertHead);
  EXPECT_EQ(sent[3].substr(insertHead.size() + 6),
            "', 'repair', '2024-03-05 14:07:09', 'PC-1', '약사', 'TV_BASE..CD_PERSON', CUSCODE, SEQ, 'TEMPNUM', "
            "TEMPNUM, 'ab''c01' FROM TV_BASE..CD_PERSON" + where);
  EXPECT_EQ(sent[4], "UPDATE TV_BASE..CD_PERSON    SET TEMPNUM = 'ab''c01'" + where);
  EXPECT_EQ(sent[5], "COMMIT TRANSACTION");
  EXPECT_EQ(rig.shell.questions, std::vector<std::string>{RepairQuestionText("김일", "O'N", 1, 2)});
  EXPECT_EQ(rig.shell.messages, std::vector<std::string>{"복구완료 (고객 기록 2건 변경)"});
  EXPECT_EQ(rig.Repair(), RepairOutcome::Done);
}

// The repair acts on the row pressed, never on a current row the grid does
// not show, and a press below the rows or on the header does nothing; a No
// to the question changes nothing.
TEST(Repair, ActsOnThePressedDataRowOnlyAndOnlyAfterAYes) {
  for (int row : {0, -1, 2, 7}) {
    RepairRig rig("C1", "abc01");
    rig.Press(true, row);
    EXPECT_TRUE(rig.backend.calls.empty()) << row;
    EXPECT_TRUE(rig.shell.messages.empty()) << row;
  }
  {
    RepairRig rig("C1", "abc01");
    rig.form.Grid_Sub.SetRowCount(3);
    rig.form.Grid_Sub.SetCell(5, 2, "C2");
    rig.form.Grid_Sub.SetCell(6, 2, "ab'c01");
    rig.form.Grid_Sub.SetCurrentRow(1);
    rig.Press(true, 2);
    EXPECT_EQ(rig.form.Grid_Sub.CurrentRow(), 2);
    ASSERT_EQ(rig.Updates(), 1u);
    EXPECT_NE(rig.backend.Statements()[rig.backend.Statements().size() - 2].find("WHERE CUSCODE = 'C2'"), std::string::npos);
  }
  {
    RepairRig rig("C1", "abc01");
    rig.shell.answer = false;
    rig.Press(true);
    EXPECT_EQ(rig.shell.questions.size(), 1u);
    EXPECT_EQ(rig.backend.ExecuteCount(), 0u);
    EXPECT_TRUE(rig.shell.messages.empty());
    EXPECT_EQ(rig.Repair(), RepairOutcome::Declined);
  }
  {
    // No record of the code has the value's number: nothing to ask.
    RepairRig rig("C1", "abc01");
    rig.records = 0;
    EXPECT_EQ(rig.Repair(), RepairOutcome::NoRecordOfTheNumber);
    EXPECT_TRUE(rig.shell.questions.empty());
    EXPECT_EQ(rig.backend.ExecuteCount(), 0u);
    EXPECT_EQ(rig.shell.messages, std::vector<std::string>{kRepairNoRecordOfTheNumber});
  }
}

// The customer code holds no record of the value's number (a value from a
// history row of another number): nothing changes, and it is said so.
TEST(Repair, UpdateThatChangesNoRecordIsNotReportedAsDone) {
  RepairRig rig("C1", "abc01");
  rig.backend.onRowsChanged = [](const std::string&) { return 0LL; };
  EXPECT_EQ(rig.Repair(), RepairOutcome::NoRecordOfTheNumber);
  EXPECT_EQ(rig.shell.messages, std::vector<std::string>{kRepairNoRecordOfTheNumber});
  EXPECT_TRUE(rig.shell.errors.empty());
}

TEST(Repair, RowWithoutCodeOrValueIsRefusedWithoutAStatement) {
  struct Case {
    std::string code, value;
    const char* message;
    RepairOutcome outcome;
  };
  const std::vector<Case> cases = {
      {"", "", kRepairNoCustomerCode, RepairOutcome::NoCustomerCode},  // blank row
      {"", "abc01", kRepairNoCustomerCode, RepairOutcome::NoCustomerCode},
      {" \t", "abc01", kRepairNoCustomerCode, RepairOutcome::NoCustomerCode},
      {"C1", "", kRepairNoValue, RepairOutcome::NoValue},
      {"C1", "  ", kRepairNoValue, RepairOutcome::NoValue},
  };
  for (const Case& c : cases) {
    RepairRig rig(c.code, c.value);
    EXPECT_EQ(rig.Repair(), c.outcome);
    rig.Press(true);
    EXPECT_EQ(rig.backend.ExecuteCount(), 0u) << '[' << c.code << "][" << c.value << ']';
    EXPECT_EQ(rig.shell.messages, (std::vector<std::string>{c.message, c.message}));
    EXPECT_TRUE(rig.shell.errors.empty());
  }
}

TEST(Repair, FreshlyClearedHistoryIsRefused) {
  RepairRig rig("", "");
  rig.form.Grid_Sub.ClearNonFixed();  // as the audit leaves it
  rig.form.Grid_Sub.SetRowCount(2);
  rig.Press(true);
  EXPECT_EQ(rig.backend.ExecuteCount(), 0u);
  EXPECT_EQ(rig.shell.messages, std::vector<std::string>{kRepairNoCustomerCode});
}

TEST(Repair, FailedUpdateIsReportedAsAFailureAndItsJournalRowsRolledBack) {
  RepairRig rig("C1", "abc01");
  rig.backend.onExecute = [](const std::string& sql) {
    if (sql.rfind("UPDATE", 0) == 0) throw db::DbError("Transaction was deadlocked");
  };
  rig.Press(true);
  EXPECT_EQ(rig.Updates(), 1u);
  EXPECT_EQ(rig.backend.Statements().back(), "ROLLBACK TRANSACTION");
  EXPECT_TRUE(rig.shell.messages.empty());  // no "복구완료"
  // The provider's reason on a second line.
  EXPECT_EQ(rig.shell.errors,
            std::vector<std::string>{std::string(kRepairFailed) + "\nTransaction was deadlocked"});
}

// With an unreadable key every decryption is empty, which holds no '*': the
// repair decides again at the time of the repair and copies only a value that
// gives a number back.
TEST(Repair, ValueThatDoesNotDecryptToASoundNumberIsRefusedWithoutAStatement) {
  for (const std::string& plain : {std::string(), std::string("  "), std::string("900101-******"),
                                   std::string("900101*123456"), std::string("*"), std::string("900101")}) {
    RepairRig rig("C1", "abc01");
    rig.codec.plain["abc01"] = plain;
    EXPECT_EQ(rig.Repair(), RepairOutcome::UnsoundValue) << '[' << plain << ']';
    rig.Press(true);
    EXPECT_EQ(rig.backend.ExecuteCount(), 0u) << '[' << plain << ']';
    EXPECT_EQ(rig.shell.messages, (std::vector<std::string>{kRepairUnsoundValue, kRepairUnsoundValue}));
    EXPECT_EQ(rig.codec.asked, (std::vector<std::string>{"abc01", "abc01"}));
  }
  // A '*' past the 13th character does not make a number masked.
  RepairRig rig("C1", "abc01");
  rig.codec.plain["abc01"] = "9001011234567*";
  EXPECT_EQ(rig.Repair(), RepairOutcome::Done);
}

}  // namespace
}  // namespace jc::audit
