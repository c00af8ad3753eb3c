// The runner and the query objects: connection string, OpenQuery/ExecQuery,
// closed-query errors, fields by name, the snapshot rule, the trace.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "db/Connection.h"
#include "db/Names.h"
#include "db/Query.h"
#include "db/Session.h"
#include "support/TestStore.h"

namespace jc::db {
namespace {

TEST(ConnectionString, RefusesAHostThatWouldAddConnectionKeys) {
  // The host comes from the INI file; pasted into the string, these would
  // name another store or add keys of their own.
  for (const char* host : {"sqlite:/x;Data Source=sqlite:/other", "PHARM01;Trusted_Connection=yes", "PHARM01}",
                           "{PHARM01", "PHARM01=1"}) {
    SCOPED_TRACE(host);
    try {
      BuildConnectionString(host);
      ADD_FAILURE() << "accepted";
    } catch (const DbError& e) {
      EXPECT_NE(std::string(e.what()).find(host), std::string::npos) << e.what();
    }
  }
  // Opening through it fails before any store is opened.
  test::TestStore store;
  TADOConnection c;
  EXPECT_THROW(c.ConnectionString = BuildConnectionString("sqlite:/nowhere;Data Source=sqlite:" + store.Folder()),
               DbError);
  EXPECT_FALSE(c.Connected());
}

TEST(Connection, OpensTheEmbeddedStoreNamedByTheDataSource) {
  test::TestStore store;
  TADOConnection c;
  c.ConnectionString = BuildConnectionString("sqlite:" + store.Folder());
  c.Open();
  EXPECT_TRUE(c.Connected());
  TADOConnection missing;
  missing.ConnectionString = BuildConnectionString("sqlite:" + store.Folder() + "/nothing-here");
  try {
    missing.Open();
    FAIL() << "opened a missing store";
  } catch (const DbError& e) {
    EXPECT_NE(std::string(e.what()).find("does not exist"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(missing.Connected());
}

class RunnerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    s.Ado_Qry.Connection = &store.Connection();
    s.Ado_Exec.Connection = &store.Connection();
  }
  test::TestStore store;
  Session s;
};

TEST_F(RunnerTest, FieldsByNameWithoutCaseNullAsEmptyOrZero) {
  store.Insert("TV_BASE..CD_PERSON", {{"CUSCODE", "C1"}, {"SEQ", "12"}, {"PANAME", "홍길동"}, {"TEMPNUM", std::nullopt}});
  ASSERT_TRUE(OpenQuery(s.Ado_Qry, "SELECT CUSCODE, SEQ, PANAME, TEMPNUM FROM TV_BASE..CD_PERSON"));
  EXPECT_EQ(s.Ado_Qry.RecordCount(), 1);
  EXPECT_FALSE(s.Ado_Qry.Eof());
  EXPECT_EQ(s.Ado_Qry.FieldAsString("cuscode"), "C1");
  EXPECT_EQ(s.Ado_Qry.FieldAsString("PaName"), "홍길동");
  EXPECT_EQ(s.Ado_Qry.FieldAsInteger("seq"), 12);
  EXPECT_EQ(s.Ado_Qry.FieldAsString("TEMPNUM"), "");
  EXPECT_EQ(s.Ado_Qry.FieldAsInteger("TEMPNUM"), 0);
  EXPECT_TRUE(s.Ado_Qry.FieldIsNull("TEMPNUM"));
  try {
    s.Ado_Qry.FieldAsString("NOPE");
    FAIL();
  } catch (const DbError& e) {
    EXPECT_STREQ(e.what(), "Ado_Qry: Field 'NOPE' not found");
  }
  s.Ado_Qry.Next();
  EXPECT_TRUE(s.Ado_Qry.Eof());
}

TEST_F(RunnerTest, EmptyResultHasCountZeroAndEndFlagAtOnce) {
  ASSERT_TRUE(OpenQuery(s.Ado_Qry, "SELECT CUSCODE FROM TV_BASE..CD_PERSON"));
  EXPECT_TRUE(s.Ado_Qry.Active());
  EXPECT_TRUE(s.Ado_Qry.Eof());
  EXPECT_EQ(s.Ado_Qry.RecordCount(), 0);
  EXPECT_EQ(s.Ado_Qry.FieldAsString("CUSCODE"), "");
}

TEST_F(RunnerTest, FailedOpenLeavesTheQueryClosedAndTheNextOpenWorks) {
  ASSERT_TRUE(OpenQuery(s.Ado_Qry, "SELECT COUNT(*) AS CNT FROM TV_BASE..CD_PERSON"));
  EXPECT_FALSE(OpenQuery(s.Ado_Qry, "SELECT COUNT(*) AS CNT FROM TV_BASE..JUMIN_CHECK "));
  EXPECT_FALSE(s.Ado_Qry.Active());
  EXPECT_TRUE(s.Ado_Qry.Eof());
  EXPECT_EQ(s.Ado_Qry.LastError(), "Invalid object name 'TV_BASE..JUMIN_CHECK'.");
  try {
    s.Ado_Qry.FieldAsInteger("CNT");
    FAIL();
  } catch (const DbError& e) {
    EXPECT_STREQ(e.what(), "Ado_Qry: Field 'CNT' not found");
  }
  try {
    (void)s.Ado_Qry.RecordCount();
    FAIL();
  } catch (const DbError& e) {
    EXPECT_STREQ(e.what(), "Ado_Qry: Cannot perform this operation on a closed dataset");
  }
  ASSERT_TRUE(OpenQuery(s.Ado_Qry, "SELECT COUNT(*) AS CNT FROM TV_BASE..CD_PERSON"));
  EXPECT_EQ(s.Ado_Qry.FieldAsInteger("CNT"), 0);
  EXPECT_EQ(s.Ado_Qry.LastError(), "");
}

TEST_F(RunnerTest, NeverOpenedQueryReadsAsClosed) {
  TADOQuery q("KeyQuery");
  EXPECT_TRUE(q.Eof());
  EXPECT_THROW((void)q.RecordCount(), DbError);
  try {
    q.FieldAsString("Encrypt");
    FAIL();
  } catch (const DbError& e) {
    EXPECT_STREQ(e.what(), "KeyQuery: Field 'Encrypt' not found");
  }
}

TEST_F(RunnerTest, QueryWithoutConnectionFailsSilently) {
  TADOQuery q("Ado_Exec");
  EXPECT_FALSE(ExecQuery(q, "DROP TABLE TV_BASE..AAA "));
  EXPECT_FALSE(OpenQuery(q, "SELECT 1 AS A"));
  EXPECT_TRUE(q.Eof());
  EXPECT_NE(q.LastError(), "");
}

TEST_F(RunnerTest, ExecQueryReportsSuccessAndFailure) {
  EXPECT_FALSE(ExecQuery(s.Ado_Exec, std::string(names::sql::DropAAA)));
  EXPECT_NE(s.Ado_Exec.LastError().find("Cannot drop the table 'TV_BASE..AAA'"), std::string::npos)
      << s.Ado_Exec.LastError();
  EXPECT_TRUE(ExecQuery(s.Ado_Exec, std::string(names::sql::CreateAAA)));
  EXPECT_TRUE(ExecQuery(s.Ado_Exec, "INSERT INTO TV_BASE..AAA(CUSCODE, PANAME) VALUES( " + QuotedStr("C'1") + "," +
                                        QuotedStr("O'Neil") + ")"));
  EXPECT_EQ(store.Texts("SELECT CUSCODE, PANAME FROM TV_BASE..AAA"),
            (std::vector<std::vector<std::string>>{{"C'1", "O'Neil"}}));
  // The rows a statement changed: counted for DML (none is 0), not for DDL
  // nor after a failure. The same prepared form reports its own run's count.
  struct Case {
    std::string sql;
    long long changed;
  };
  for (const Case& c : {Case{"INSERT INTO TV_BASE..AAA(CUSCODE) VALUES('C2')", 1},
                        Case{"UPDATE TV_BASE..AAA SET PANAME = 'x'", 2},
                        Case{"UPDATE TV_BASE..AAA SET PANAME = 'y' WHERE CUSCODE = 'none'", 0},
                        Case{"UPDATE TV_BASE..AAA SET PANAME = 'y' WHERE CUSCODE = 'C2'", 1},
                        Case{"CREATE TABLE TV_BASE..BBB(A NVARCHAR(1) NULL)", -1},
                        Case{"DELETE FROM TV_BASE..AAA WHERE CUSCODE = 'C2'", 1},
                        Case{"INSERT INTO TV_BASE..AAA(CUSCODE) VALUES('" + std::string(21, 'x') + "')", -1}}) {
    ExecQuery(s.Ado_Exec, c.sql);
    EXPECT_EQ(s.Ado_Exec.RowsAffected(), c.changed) << c.sql;
  }
  // A statement that returns rows is refused by OpenQuery's counterpart the
  // other way round: OpenQuery of a statement without rows fails.
  EXPECT_FALSE(OpenQuery(s.Ado_Qry, "DELETE FROM TV_BASE..AAA"));
  EXPECT_EQ(store.Scalar("SELECT COUNT(*) FROM TV_BASE..AAA"), 1);
}

// Rows read from Ado_Qry do not change while the same loop updates them
// through Ado_Exec.
TEST_F(RunnerTest, SnapshotRowsDoNotChangeUnderUpdates) {
  for (int i = 0; i < 5; ++i)
    store.Insert("TV_BASE..CD_PERSON", {{"CUSCODE", "C" + std::to_string(i)}, {"SEQ", "1"}, {"CUSACT", "0"}});
  ASSERT_TRUE(OpenQuery(s.Ado_Qry, "SELECT CUSCODE, CUSACT FROM TV_BASE..CD_PERSON WHERE CUSACT <> '1'"));
  int read = 0;
  while (!s.Ado_Qry.Eof()) {
    EXPECT_EQ(s.Ado_Qry.FieldAsString("CUSACT"), "0");
    // Mark every row, including the ones not read yet.
    ASSERT_TRUE(ExecQuery(s.Ado_Exec, "UPDATE TV_BASE..CD_PERSON SET CUSACT = '1'"));
    ASSERT_TRUE(ExecQuery(s.Ado_Exec, "DELETE FROM TV_BASE..CD_PERSON WHERE CUSCODE = " +
                                          QuotedStr(s.Ado_Qry.FieldAsString("CUSCODE"))));
    ++read;
    s.Ado_Qry.Next();
  }
  EXPECT_EQ(read, 5);
  EXPECT_EQ(s.Ado_Qry.RecordCount(), 5);
  EXPECT_EQ(store.Scalar("SELECT COUNT(*) FROM TV_BASE..CD_PERSON"), 0);
}

TEST_F(RunnerTest, IntegerFieldOfNonNumericTextIsAnError) {
  store.Insert("TV_BASE..CD_PERSON", {{"SEQ", "1a"}});
  ASSERT_TRUE(OpenQuery(s.Ado_Qry, "SELECT SEQ FROM TV_BASE..CD_PERSON"));
  EXPECT_THROW(s.Ado_Qry.FieldAsInteger("SEQ"), DbError);
}

TEST(Trace, AppendsEveryStatementAsSentWithItsOutcome) {
  const std::string path = (std::filesystem::temp_directory_path() / "jc-trace-test.log").string();
  std::filesystem::remove(path);
  test::TestStore store;
  ::setenv("JUMINCHECK_SQL_TRACE", path.c_str(), 1);
  TADOConnection c;
  c.ConnectionString = store.ConnectionString();
  c.Open();
  ::unsetenv("JUMINCHECK_SQL_TRACE");
  Session s;
  s.Ado_Qry.Connection = &c;
  s.Ado_Exec.Connection = &c;
  OpenQuery(s.Ado_Qry, "SELECT COUNT(*) AS CNT FROM TV_BASE..CD_PERSON  ");
  ExecQuery(s.Ado_Exec, "DROP TABLE TV_BASE..JUMIN_CHECK ");
  ExecQuery(s.Ado_Exec, "UPDATE TV_BASE..CD_PERSON SET PANAME = '홍''길동'");
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(),
            "SELECT COUNT(*) AS CNT FROM TV_BASE..CD_PERSON  \tOK\n"
            "DROP TABLE TV_BASE..JUMIN_CHECK \tFAILED\n"
            "UPDATE TV_BASE..CD_PERSON SET PANAME = '홍''길동'\tOK\n");
  std::filesystem::remove(path);
}

}  // namespace
}  // namespace jc::db
