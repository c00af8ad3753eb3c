// The table encryption run against a scripted database: every statement of
// the 23 tables exactly, the status texts, the gauge and the pauses, the stop
// at the first failing table, and the refusals before any table.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "migration/EncryptionRun.h"
#include "support/FakeShell.h"
#include "support/ScriptedBackend.h"

namespace jc::migration {
namespace {

using test::MakeResult;

const std::string kUnusable =
    "SELECT COUNT(*) AS CNT FROM TV_BASE..TEMP_MAPPING_BAK WHERE LEN(ISNULL(ENCRYPT,'')) <= 2";

std::string Generic(const std::string& table) {
  return "UPDATE T1    SET TEMPNUM = T2.ENCRYPT, PANUM = LEFT(T2.PANUM,7) + '******'   FROM (SELECT "
         "PANUM, TEMPNUM           FROM " +
         table +
         "         WHERE RIGHT(PANUM,6) <> '******' AND TEMPNUM IS NULL) AS T1,        "
         "TV_BASE..TEMP_MAPPING_BAK AS T2  WHERE T1.PANUM = T2.PANUM ";
}

const std::string kPersonPanum =
    "UPDATE T1    SET TEMPNUM = T2.ENCRYPT, PANUM = LEFT(T2.PANUM,7) + '******'   FROM (SELECT PANUM, "
    "TEMPNUM           FROM TV_BASE..CD_PERSON          WHERE RIGHT(PANUM,6) <> '******' AND TEMPNUM IS "
    "NULL) AS T1,        TV_BASE..TEMP_MAPPING_BAK AS T2  WHERE T1.PANUM = T2.PANUM ";
const std::string kPersonInsnum =
    "UPDATE T1    SET TEMPNUM_1 = T2.ENCRYPT, INSNUM = LEFT(T2.PANUM,7) + '******'   FROM (SELECT "
    "INSNUM, TEMPNUM_1           FROM TV_BASE..CD_PERSON          WHERE RIGHT(INSNUM,6) <> '******' AND "
    "TEMPNUM_1 IS NULL) AS T1,        TV_BASE..TEMP_MAPPING_BAK AS T2  WHERE T1.INSNUM = T2.PANUM ";
const std::string kNhicPanum =
    "UPDATE T1    SET TEMPNUM = T2.ENCRYPT, PANUM = LEFT(T2.PANUM,7) + '******'   FROM (SELECT PANUM, "
    "TEMPNUM           FROM TV_PRES..PS_NHIC          WHERE RIGHT(PANUM,6) <> '******' AND TEMPNUM IS "
    "NULL) AS T1,        TV_BASE..TEMP_MAPPING_BAK AS T2  WHERE T1.PANUM = T2.PANUM ";
const std::string kNhicOpjuminno =
    "UPDATE T1    SET TEMPNUM_1 = T2.ENCRYPT, OPJUMINNO = LEFT(T2.PANUM,7) + '******'   FROM (SELECT "
    "OPJUMINNO, TEMPNUM_1           FROM TV_PRES..PS_NHIC          WHERE RIGHT(OPJUMINNO,6) <> '******' "
    "AND TEMPNUM_1 IS NULL) AS T1,        TV_BASE..TEMP_MAPPING_BAK AS T2  WHERE T1.OPJUMINNO = "
    "T2.PANUM ";
const std::string kEdisendH010 =
    "UPDATE T1    SET TEMPNUM = T2.ENCRYPT, AUTHIDNUM = LEFT(T2.PANUM,7) + '******'   FROM (SELECT "
    "AUTHIDNUM, TEMPNUM           FROM TV_EDISEND..H010          WHERE RIGHT(AUTHIDNUM,6) <> '******' "
    "AND TEMPNUM IS NULL) AS T1,        TV_BASE..TEMP_MAPPING_BAK AS T2  WHERE T1.AUTHIDNUM = T2.PANUM ";
const std::string kEdireceH010 =
    "UPDATE T1    SET TEMPNUM = T2.ENCRYPT, AUTHIDNUM = LEFT(T2.PANUM,7) + '******'   FROM (SELECT "
    "AUTHIDNUM, TEMPNUM           FROM TV_EDIRECE..H010          WHERE RIGHT(AUTHIDNUM,6) <> '******' "
    "AND TEMPNUM IS NULL) AS T1,        TV_BASE..TEMP_MAPPING_BAK AS T2  WHERE T1.AUTHIDNUM = T2.PANUM ";
// The two QORA tables: an UPDATE of the base table joined to the mapping on
// the number without dashes; a "YYMMDD-NNNNNNN" number keeps its layout.
const std::string kPresPanamejumin =
    "UPDATE T1    SET TEMPNUM = T2.ENCRYPT, PANAMEJUMIN = (CASE WHEN LEN(T1.PANAMEJUMIN) = 14 AND "
    "SUBSTRING(T1.PANAMEJUMIN,7,1) = '-' AND LEFT(T1.PANAMEJUMIN,6) NOT LIKE '%-%' THEN "
    "LEFT(T1.PANAMEJUMIN,8) ELSE LEFT(T2.PANUM,7) END) + '******'   FROM TV_PRES..QORA_PRESLP AS T1,  "
    "      TV_BASE..TEMP_MAPPING_BAK AS T2  WHERE REPLACE(T1.PANAMEJUMIN,'-','') = T2.PANUM    AND "
    "RIGHT(REPLACE(T1.PANAMEJUMIN,'-',''),6) <> '******' AND T1.TEMPNUM IS NULL ";
const std::string kPresInsurejumin =
    "UPDATE T1    SET TEMPNUM_1 = T2.ENCRYPT, INSUREJUMIN = (CASE WHEN LEN(T1.INSUREJUMIN) = 14 AND "
    "SUBSTRING(T1.INSUREJUMIN,7,1) = '-' AND LEFT(T1.INSUREJUMIN,6) NOT LIKE '%-%' THEN "
    "LEFT(T1.INSUREJUMIN,8) ELSE LEFT(T2.PANUM,7) END) + '******'   FROM TV_PRES..QORA_PRESLP AS T1,  "
    "      TV_BASE..TEMP_MAPPING_BAK AS T2  WHERE REPLACE(T1.INSUREJUMIN,'-','') = T2.PANUM    AND "
    "RIGHT(REPLACE(T1.INSUREJUMIN,'-',''),6) <> '******' AND T1.TEMPNUM_1 IS NULL ";
const std::string kDatainfoPregno =
    "UPDATE T1    SET TEMPNUM = T2.ENCRYPT, PREGNO = (CASE WHEN LEN(T1.PREGNO) = 14 AND "
    "SUBSTRING(T1.PREGNO,7,1) = '-' AND LEFT(T1.PREGNO,6) NOT LIKE '%-%' THEN LEFT(T1.PREGNO,8) ELSE "
    "LEFT(T2.PANUM,7) END) + '******'   FROM TV_PRES..QORA_DATAINFO AS T1,        "
    "TV_BASE..TEMP_MAPPING_BAK AS T2  WHERE REPLACE(T1.PREGNO,'-','') = T2.PANUM    AND "
    "RIGHT(REPLACE(T1.PREGNO,'-',''),6) <> '******' AND T1.TEMPNUM IS NULL ";

struct Table {
  std::string name, message, shortName;
  std::vector<std::string> statements;
};
const std::vector<Table> kTables = {
    {"TV_BASE..CD_PERSON", "CD_PERSON 암호화중입니다..", "CD_PERSON", {kPersonPanum, kPersonInsnum}},
    {"TV_BASE..TV_PRES_LOG", "TV_PRES_LOG 암호화중입니다..", "TV_PRES_LOG", {Generic("TV_BASE..TV_PRES_LOG")}},
    {"TV_EDIRECE..GI21INS", "GI21INS 암호화중입니다..", "GI21INS", {Generic("TV_EDIRECE..GI21INS")}},
    {"TV_EDIRECE..H0251", "H0251 암호화중입니다..", "H0251", {Generic("TV_EDIRECE..H0251")}},
    {"TV_EDIRECE..F0403", "F0403 암호화중입니다..", "F0403", {Generic("TV_EDIRECE..F0403")}},
    {"TV_EDIRECE..H0241", "H0241 암호화중입니다..", "H0241", {Generic("TV_EDIRECE..H0241")}},
    {"TV_EDIRECE..GI01INS", "GI01INS 암호화중입니다..", "GI01INS", {Generic("TV_EDIRECE..GI01INS")}},
    {"TV_EDIRECE..H010", "H010 암호화중입니다..", "H010", {kEdireceH010}},
    {"TV_EDISEND..H0241", "H0241 암호화중입니다..", "H0241", {Generic("TV_EDISEND..H0241")}},
    {"TV_EDISEND..H010", "H010 암호화중입니다..", "H010", {kEdisendH010}},
    {"TV_PRES..TEMP_ADD_COMPOS", "TEMP_ADD_COMPOS 암호화중입니다..", "TEMP_ADD_COMPOS",
     {Generic("TV_PRES..TEMP_ADD_COMPOS")}},
    {"TV_PRES..PS_JOJE_MAIN", "PS_JOJE_MAIN 암호화중입니다..", "PS_JOJE_MAIN", {Generic("TV_PRES..PS_JOJE_MAIN")}},
    {"TV_PRES..SALE_MAIN", "SALE_MAIN 암호화중입니다..", "SALE_MAIN", {Generic("TV_PRES..SALE_MAIN")}},
    {"TV_PRES..BACK_PS_MAIN", "BACK_PS_MAIN 암호화중입니다..", "BACK_PS_MAIN", {Generic("TV_PRES..BACK_PS_MAIN")}},
    {"TV_PRES..CD_MONITOR", "CD_MONITOR 암호화중입니다..", "CD_MONITOR", {Generic("TV_PRES..CD_MONITOR")}},
    {"TV_PRES..PS_MAIN", "PS_MAIN 암호화중입니다..", "PS_MAIN", {Generic("TV_PRES..PS_MAIN")}},
    {"TV_PRES..TEMP_ADD_MAIN", "TEMP_ADD_MAIN 암호화중입니다..  ", "TEMP_ADD_MAIN",
     {Generic("TV_PRES..TEMP_ADD_MAIN")}},
    {"TV_PRES..INS_COMPOS", "INS_COMPOS 암호화중입니다..   ", "INS_COMPOS", {Generic("TV_PRES..INS_COMPOS")}},
    {"TV_PRES..EDI_INS_COMPOS", "EDI_INS_COMPOS 암호화중입니다..", "EDI_INS_COMPOS",
     {Generic("TV_PRES..EDI_INS_COMPOS")}},
    {"TV_PRES..PS_NHIC", "PS_NHIC 암호화중입니다..", "PS_NHIC", {kNhicPanum, kNhicOpjuminno}},
    {"TV_PRES..EDI_PS_MAIN", "EDI_PS_MAIN 암호화중입니다..", "EDI_PS_MAIN", {Generic("TV_PRES..EDI_PS_MAIN")}},
    {"TV_PRES..QORA_PRESLP", "QORA_PRESLP 암호화중입니다..", "QORA_PRESLP", {kPresPanamejumin, kPresInsurejumin}},
    {"TV_PRES..QORA_DATAINFO", "QORA_DATAINFO 암호화중입니다..", "QORA_DATAINFO", {kDatainfoPregno}},
};

struct RunRig {
  test::ScriptedSession session;
  test::FakeShell shell;
  ui::FormModel form;
  test::ScriptedBackend& backend = *session.backend;
  std::vector<std::string> statuses;
  int unusableEntries = 0;

  RunRig() {
    form.Btn_Encrypt.enabled = true;  // a verification passed
    form.LB_Msg.OnChanged = [this](const std::string& text) { statuses.push_back(text); };
    backend.onQuery = [this](const std::string& sql) {
      if (sql != kUnusable) throw db::DbError("unexpected query " + sql);
      return MakeResult({"CNT"}, {{std::to_string(unusableEntries)}});
    };
  }
  void Run() { Btn_EncryptClick(form, session.db, shell); }
};

TEST(EncryptionRunStatements, CompleteRunSendsEveryTablesStatementsAndEndsWithQoraDatainfo) {
  RunRig rig;
  std::vector<int> gaugeAtTable;
  rig.shell.onProcessMessages = [&] { gaugeAtTable.push_back(rig.form.Gauge1.Progress()); };

  rig.Run();

  std::vector<std::string> statements = {kUnusable};
  std::vector<std::string> statuses;
  for (const Table& t : kTables) {
    statements.insert(statements.end(), t.statements.begin(), t.statements.end());
    statuses.push_back(t.message);
    statuses.push_back(t.shortName + " 암호화 성공..");
  }
  EXPECT_EQ(rig.backend.Statements(), statements);
  EXPECT_EQ(rig.statuses, statuses);
  EXPECT_EQ(rig.form.LB_Msg.caption, "QORA_DATAINFO 암호화 성공..");
  EXPECT_EQ(rig.form.Gauge1.MaxValue(), 23);
  EXPECT_EQ(rig.form.Gauge1.Progress(), 23);
  EXPECT_EQ(rig.shell.sleeps, std::vector<int>(23, 2000));
  // Messages are processed after each status message and after each table.
  ASSERT_EQ(gaugeAtTable.size(), 46u);
  for (int i = 0; i < 23; ++i) {
    EXPECT_EQ(gaugeAtTable[2 * i], i);
    EXPECT_EQ(gaugeAtTable[2 * i + 1], i + 1);
  }
  EXPECT_TRUE(rig.shell.messages.empty());
  EXPECT_TRUE(rig.form.Btn_Encrypt.enabled);  // it can be pressed again
}

// The failing table's statement error is not dropped: the run ends with it
// in the error box, after the status line has named the table.
TEST(EncryptionRunStatements, FailingTableStopsTheRunWithItsShortNameAndTheGaugeAtTheTablesDone) {
  RunRig rig;
  const std::string f0403 = Generic("TV_EDIRECE..F0403");
  rig.backend.onExecute = [&](const std::string& sql) {
    if (sql == f0403) throw db::DbError("Invalid object name 'TV_EDIRECE..F0403'.");
  };

  try {
    rig.Run();
    FAIL() << "a failed table ended the run without an error";
  } catch (const db::DbError& e) {
    EXPECT_STREQ(e.what(), "F0403 암호화 실패..\nInvalid object name 'TV_EDIRECE..F0403'.");
  }

  EXPECT_EQ(rig.backend.Statements().back(), f0403);
  EXPECT_EQ(rig.form.LB_Msg.caption, "F0403 암호화 실패..");
  EXPECT_EQ(rig.statuses[rig.statuses.size() - 2], "F0403 암호화중입니다..");
  EXPECT_EQ(rig.form.Gauge1.Progress(), 4);
  EXPECT_EQ(rig.shell.sleeps.size(), 4u);  // no pause after the failing table
  EXPECT_TRUE(rig.shell.messages.empty());
}

// Both statements of a two-statement table run; the table is done only when
// both did (a failed first column is not reported as a success).
TEST(EncryptionRunStatements, TwoStatementTableFailsWhenEitherStatementFails) {
  for (const std::string& failing : {kPersonPanum, kPersonInsnum}) {
    RunRig rig;
    rig.backend.onExecute = [&](const std::string& sql) {
      if (sql == failing) throw db::DbError("refused");
    };
    EXPECT_THROW(rig.Run(), db::DbError);
    EXPECT_EQ(rig.form.LB_Msg.caption, "CD_PERSON 암호화 실패..");
    EXPECT_EQ(rig.form.Gauge1.Progress(), 0);
    EXPECT_EQ(rig.backend.Statements(), (std::vector<std::string>{kUnusable, kPersonPanum, kPersonInsnum}));
  }
}

TEST(EncryptionRunStatements, EncryptTableMatchesTheSixNamesTrimmedAndPassesOtherNamesUnchanged) {
  RunRig rig;
  EXPECT_TRUE(EncryptTable(rig.session.db, " TV_BASE..CD_PERSON\t"));
  EXPECT_TRUE(EncryptTable(rig.session.db, " TV_PRES..PS_MAIN "));
  EXPECT_EQ(rig.backend.Statements(),
            (std::vector<std::string>{kPersonPanum, kPersonInsnum, Generic(" TV_PRES..PS_MAIN ")}));
}

TEST(EncryptionRunStatements, ShortNamesEndBeforeTheSpaceBeforeTheFirstEncryptionWord) {
  ASSERT_EQ(RunList().size(), kTables.size());
  for (std::size_t i = 0; i < kTables.size(); ++i) {
    EXPECT_EQ(RunList()[i].table, kTables[i].name);
    EXPECT_EQ(RunList()[i].message, kTables[i].message);
    EXPECT_EQ(ShortName(RunList()[i].message), kTables[i].shortName);
  }
}

// Refused runs change nothing: no table statement is sent.
TEST(EncryptionRunStatements, RunIsRefusedWithoutACleanVerificationOrWithUnusableEntries) {
  {
    RunRig rig;
    rig.form.Btn_Encrypt.enabled = false;
    try {
      rig.Run();
      FAIL() << "ran without a verification";
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), kRunNotVerifiedText);
    }
    EXPECT_TRUE(rig.backend.calls.empty());
  }
  {
    RunRig rig;
    rig.unusableEntries = 3;
    try {
      rig.Run();
      FAIL() << "ran with entries that cannot give their numbers back";
    } catch (const std::runtime_error& e) {
      EXPECT_EQ(std::string(e.what()), UnusableMappingText(3));
    }
    EXPECT_EQ(rig.backend.Statements(), std::vector<std::string>{kUnusable});
    EXPECT_FALSE(rig.form.Btn_Encrypt.enabled);
    EXPECT_TRUE(rig.statuses.empty());
  }
  {
    RunRig rig;
    rig.backend.onQuery = [](const std::string&) -> db::ResultSet {
      throw db::DbError("Invalid object name 'TV_BASE..TEMP_MAPPING_BAK'.");
    };
    try {
      rig.Run();
      FAIL() << "ran without reading the mapping";
    } catch (const db::DbError& e) {
      EXPECT_STREQ(e.what(), "Invalid object name 'TV_BASE..TEMP_MAPPING_BAK'.");
    }
    EXPECT_EQ(rig.backend.ExecuteCount(), 0u);
  }
}

TEST(EncryptionRunStatements, LostConnectionEndsTheRunWithItsErrorNotAFailedTable) {
  RunRig rig;
  rig.backend.onExecute = [](const std::string& sql) {
    if (sql.find("TV_EDIRECE..H0251") != std::string::npos) throw db::ConnectionLost("link failure");
  };
  EXPECT_THROW(rig.Run(), db::ConnectionLost);
  EXPECT_EQ(rig.form.LB_Msg.caption, "H0251 암호화중입니다..");
  EXPECT_EQ(rig.form.Gauge1.Progress(), 3);
}

}  // namespace
}  // namespace jc::migration
