// The T-SQL meaning the embedded store must keep: concatenation, the
// default collation on both sides of a comparison, lengths, the helper
// functions, per-table index names, updates through derived tables, and
// refusal of every form it does not know.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include "db/Tsql.h"
#include "support/TestStore.h"

namespace jc::db {
namespace {

using Rows = std::vector<std::vector<std::string>>;

class TsqlTest : public ::testing::Test {
 protected:
  // The provider text of a statement that must fail.
  std::string ErrorOf(const std::string& sql) {
    try {
      store.Exec(sql);
    } catch (const DbError& e) {
      return e.what();
    }
    ADD_FAILURE() << "no error for: " << sql;
    return {};
  }
  test::TestStore store;
};

TEST_F(TsqlTest, PlusConcatenatesTextsAndAddsNumbers) {
  struct Case {
    const char* expr;
    const char* value;
  } cases[] = {
      {"'900101-'+'******'", "900101-******"},
      {"'abc' + 'def'", "abcdef"},
      {"LEFT('9001011234567',7) + '******'", "9001011******"},
      {"'a' + 'b' + 'c'", "abc"},
      {"1 + 2", "3"},
      {"2 * 3 + 1", "7"},
      {"10 - 2 + 1", "9"},
      {"'1' + 1", "2"},
      {"NULL + 'x'", "<NULL>"},
      {"ISNULL(NULL + 'x', 'y')", "y"},
      {"-1 + 3", "2"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(store.Texts(std::string("SELECT ") + c.expr + " AS V"), Rows{{c.value}}) << c.expr;
  EXPECT_NE(ErrorOf("INSERT INTO TV_BASE..HIRAEncryption(Encrypt) SELECT 'abc' + 1").find("Conversion failed"), std::string::npos);
}

TEST_F(TsqlTest, TextComparisonsIgnoreCaseAndTrailingBlanksOnEitherSide) {
  store.Insert("TV_BASE..CD_PERSON", {{"CUSCODE", "Abc"}, {"SEQ", "1"}});
  store.Insert("TV_PRES..PS_MAIN", {{"CUSCODE", "aBC  "}, {"PRESERIAL", "P1"}});
  const std::string count = "SELECT COUNT(*) AS CNT FROM TV_BASE..CD_PERSON AS A, TV_PRES..PS_MAIN AS B WHERE ";
  EXPECT_EQ(store.Scalar(count + "A.CUSCODE = B.CUSCODE"), 1);
  EXPECT_EQ(store.Scalar(count + "B.CUSCODE = A.CUSCODE"), 1);
  EXPECT_EQ(store.Scalar("SELECT COUNT(*) FROM TV_BASE..CD_PERSON WHERE CUSCODE = 'ABC   '"), 1);
  EXPECT_EQ(store.Scalar("SELECT COUNT(*) FROM TV_BASE..CD_PERSON WHERE 'abc' = CUSCODE"), 1);
  EXPECT_EQ(store.Scalar("SELECT COUNT(*) FROM TV_BASE..CD_PERSON WHERE RIGHT(CUSCODE,2) = 'BC'"), 1);
  EXPECT_EQ(store.Scalar("SELECT COUNT(*) FROM TV_BASE..CD_PERSON WHERE 'BC' = RIGHT(CUSCODE,2)"), 1);
  EXPECT_EQ(store.Scalar("SELECT COUNT(*) FROM TV_BASE..CD_PERSON WHERE CUSCODE IN (SELECT CUSCODE FROM TV_PRES..PS_MAIN)"), 1);
  EXPECT_EQ(store.Scalar("SELECT COUNT(*) FROM TV_BASE..CD_PERSON WHERE CUSCODE <> 'abd'"), 1);
  EXPECT_EQ(store.Scalar("SELECT COUNT(*) FROM TV_BASE..CD_PERSON WHERE CUSCODE < 'abd'"), 1);
  // Hangul is compared as it is.
  store.Insert("TV_BASE..CD_PERSON", {{"CUSCODE", "홍길동"}, {"SEQ", "2"}});
  EXPECT_EQ(store.Scalar("SELECT COUNT(*) FROM TV_BASE..CD_PERSON WHERE CUSCODE = '홍길동 '"), 1);
  EXPECT_EQ(store.Scalar("SELECT COUNT(*) FROM TV_BASE..CD_PERSON WHERE CUSCODE = '홍길'"), 0);
}

TEST_F(TsqlTest, GroupingFollowsTheCollation) {
  for (const char* code : {"C1", "c1", "C1  ", "C2"}) store.Insert("TV_PRES..PS_MAIN", {{"CUSCODE", code}});
  EXPECT_EQ(store.Texts("SELECT COUNT(*) CNT FROM TV_PRES..PS_MAIN GROUP BY CUSCODE ORDER BY CUSCODE"),
            (Rows{{"3"}, {"1"}}));
  EXPECT_EQ(store.Scalar("SELECT COUNT(*) FROM (SELECT CUSCODE FROM TV_PRES..PS_MAIN GROUP BY CUSCODE) AS T"), 2);
}

TEST_F(TsqlTest, LengthsAreEnforcedOnInsertUpdateAndSelectInto) {
  store.Insert("TV_BASE..CD_PERSON", {{"CUSCODE", std::string(20, 'x')}, {"INDATE", "20140101"}});
  EXPECT_EQ(ErrorOf("INSERT INTO TV_BASE..CD_PERSON(INDATE) VALUES('201401011')"),
            "String or binary data would be truncated. The statement has been terminated.");
  EXPECT_NE(ErrorOf("UPDATE TV_BASE..CD_PERSON SET CUSCODE = CUSCODE + 'y'").find("truncated"), std::string::npos);
  store.Exec("SELECT * INTO TV_BASE..JUMIN_CHECK FROM (SELECT CUSCODE, INDATE, '' AS CHK FROM TV_BASE..CD_PERSON) AS T1");
  EXPECT_NE(ErrorOf("UPDATE TV_BASE..JUMIN_CHECK SET INDATE = '201401011'").find("truncated"), std::string::npos);
  store.Exec("UPDATE TV_BASE..JUMIN_CHECK SET CHK = '1'");
  // The copied columns keep the collation.
  EXPECT_EQ(store.Scalar("SELECT COUNT(*) FROM TV_BASE..JUMIN_CHECK WHERE CUSCODE = '" + std::string(20, 'X') + " '"), 1);
}

// A value longer than its column only by trailing blanks is stored cut to
// the column's length, as the server stores it; any other excess is refused.
TEST_F(TsqlTest, TrailingBlanksBeyondTheLengthAreCutLikeTheServerDoes) {
  const std::string kTooLong = "String or binary data would be truncated. The statement has been terminated.";
  store.Exec("CREATE TABLE TV_BASE..M(PANUM NVARCHAR(13) NULL, ENCRYPT NVARCHAR(50) NULL)");
  store.Exec("INSERT INTO TV_BASE..M(PANUM, ENCRYPT) VALUES('7701011234561 ', NULL)");
  store.Exec("INSERT INTO TV_BASE..M(PANUM, ENCRYPT) VALUES('8801011****** ', 'v  ')");
  store.Exec("INSERT INTO TV_BASE..M(PANUM, ENCRYPT) SELECT PANUM + '   ', NULL FROM TV_BASE..CD_PERSON");
  store.Insert("TV_BASE..CD_PERSON", {{"PANUM", "6601011234567    "}});  // within its 20 characters: kept
  store.Exec("INSERT INTO TV_BASE..M(PANUM) SELECT PANUM FROM TV_BASE..CD_PERSON");
  // Blanks within the length stay; letters, digits or '*' beyond it are refused.
  store.Exec("INSERT INTO TV_BASE..M(PANUM) VALUES('123 ')");
  EXPECT_EQ(ErrorOf("INSERT INTO TV_BASE..M(PANUM) VALUES('77010112345612')"), kTooLong);
  EXPECT_EQ(ErrorOf("INSERT INTO TV_BASE..M(PANUM) VALUES('7701011234561 x')"), kTooLong);
  EXPECT_EQ(ErrorOf("INSERT INTO TV_BASE..M(PANUM) VALUES('900101-1234567')"), kTooLong);
  EXPECT_EQ(store.Texts("SELECT PANUM, ENCRYPT, LEN(PANUM) AS L FROM TV_BASE..M ORDER BY 1"),
            (std::vector<std::vector<std::string>>{{"123 ", "<NULL>", "3"},
                                                   {"6601011234567", "<NULL>", "13"},
                                                   {"7701011234561", "<NULL>", "13"},
                                                   {"8801011******", "v  ", "13"}}));
  EXPECT_EQ(store.Texts("SELECT PANUM FROM TV_BASE..CD_PERSON"),
            (std::vector<std::vector<std::string>>{{"6601011234567    "}}));

  // The same on UPDATE, and in a table made by SELECT ... INTO.
  store.Exec("UPDATE TV_BASE..M SET PANUM = '9001011234568      ' WHERE PANUM = '123'");
  EXPECT_NE(ErrorOf("UPDATE TV_BASE..M SET PANUM = PANUM + 'x' WHERE PANUM = '7701011234561'").find("truncated"),
            std::string::npos);
  store.Exec("SELECT * INTO TV_BASE..JUMIN_CHECK FROM (SELECT PANUM, '' AS CHK FROM TV_BASE..M) AS T1");
  store.Exec("UPDATE TV_BASE..JUMIN_CHECK SET PANUM = '5501011234567 ', CHK = '1' WHERE PANUM = '7701011234561'");
  EXPECT_EQ(store.Texts("SELECT PANUM, CHK FROM TV_BASE..JUMIN_CHECK WHERE CHK = '1'"),
            (std::vector<std::vector<std::string>>{{"5501011234567", "1"}}));
  EXPECT_EQ(store.Scalar("SELECT COUNT(*) FROM TV_BASE..M WHERE PANUM = '9001011234568' AND LEN(PANUM) = 13"), 1);
}

TEST_F(TsqlTest, HelperFunctions) {
  struct Case {
    const char* expr;
    const char* value;
  } cases[] = {
      {"LEFT('홍길동전', 2)", "홍길"},
      {"RIGHT('홍길동전', 2)", "동전"},
      {"RIGHT('123', 6)", "123"},
      {"RIGHT('8802021******', 6)", "******"},
      {"LEFT(NULL, 2)", "<NULL>"},
      {"REPLACE('900101-1234567', '-', '')", "9001011234567"},
      {"REPLACE('aXbx', 'x', '-')", "a-b-"},
      {"ISNULL(NULL, '')", ""},
      {"ISNULL('a', 'b')", "a"},
      {"LEN('ab  ')", "2"},
      {"SUBSTRING('abcdef', 2, 3)", "bcd"},
      {"[V2]", "q"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(store.Texts(std::string("SELECT ") + c.expr + " AS V FROM (SELECT 'q' AS [V2]) AS T"), Rows{{c.value}})
        << c.expr;
  EXPECT_EQ(ErrorOf("SELECT GETDATE() AS D"), "'GETDATE' is not a recognized built-in function name.");
  EXPECT_EQ(ErrorOf("SELECT LEFT('a') AS D"), "The LEFT function requires 2 argument(s).");
}

constexpr int kNestingLimit = 32;

TEST_F(TsqlTest, NestingDeeperThanTheLimitIsRefusedNotRecursedInto) {
  const std::string tooDeep =
      "Some part of your SQL statement is nested too deeply. Rewrite the query or break it up into smaller queries.";
  auto nested = [](int levels, const std::string& open, const std::string& inner) {
    std::string s;
    for (int i = 0; i < levels; ++i) s += open;
    s += inner;
    for (int i = 0; i < levels; ++i) s += ")";
    return s;
  };
  // At the limit the statement runs.
  EXPECT_EQ(store.Texts("SELECT " + nested(kNestingLimit, "(", "7") + " AS V"), Rows{{"7"}});
  // One level more, or the depth that used to overflow the stack (a few
  // thousand levels), in parentheses, calls or subqueries: the server's error.
  for (int levels : {kNestingLimit + 1, 100000}) {
    SCOPED_TRACE(levels);
    EXPECT_EQ(ErrorOf("SELECT " + nested(levels, "(", "1") + " AS V"), tooDeep);
    EXPECT_EQ(ErrorOf("SELECT " + nested(levels, "LEN(", "'x'") + " AS V"), tooDeep);
    EXPECT_EQ(ErrorOf("SELECT * FROM " + nested(levels, "(SELECT * FROM ", "TV_BASE..CD_PERSON") + " AS T"),
              tooDeep);
    EXPECT_FALSE(ReturnsRows("SELECT " + nested(levels, "(", "1") + " AS V"));
  }
}

TEST_F(TsqlTest, ArithmeticOverflowIsAnErrorAndHugeArgumentsAreSafe) {
  const std::string overflow = "Arithmetic overflow error converting expression to data type bigint.";
  EXPECT_EQ(ErrorOf("SELECT 9223372036854775807 + 1 AS V"), overflow);
  EXPECT_EQ(ErrorOf("SELECT -9223372036854775807 + -2 AS V"), overflow);
  EXPECT_EQ(store.Texts("SELECT 9223372036854775806 + 1 AS V"), Rows{{"9223372036854775807"}});
  struct Case {
    const char* expr;
    const char* value;
  } cases[] = {
      {"SUBSTRING('abcdef', 2, 9223372036854775807)", "bcdef"},
      {"SUBSTRING('abcdef', 9223372036854775807, 9223372036854775807)", ""},
      {"SUBSTRING('abcdef', -2, 9223372036854775807)", "abcdef"},
      {"LEFT('abc', 9223372036854775807)", "abc"},
      {"RIGHT('abc', 9223372036854775807)", "abc"},
  };
  for (const auto& c : cases) EXPECT_EQ(store.Texts(std::string("SELECT ") + c.expr + " AS V"), Rows{{c.value}}) << c.expr;
}

TEST_F(TsqlTest, TextLengthsOutOfRangeAreRefusedWithTheReason) {
  EXPECT_EQ(ErrorOf("CREATE TABLE TV_BASE..X(A NVARCHAR(99999999999) NULL)"),
            "The size (99999999999) given to the column 'A' exceeds the maximum allowed for any data type (4000).");
  EXPECT_EQ(ErrorOf("CREATE TABLE TV_BASE..X(A VARCHAR(8001) NULL)"),
            "The size (8001) given to the column 'A' exceeds the maximum allowed for any data type (8000).");
  EXPECT_EQ(ErrorOf("CREATE TABLE TV_BASE..X(A NVARCHAR(0) NULL)"), "The length 0 given for a text column is invalid.");
  store.Exec("CREATE TABLE TV_BASE..X(A NVARCHAR(4000) NULL, B VARCHAR(8000) NULL)");
  // A table made by other means can still declare such a length; copying it
  // says why it cannot be copied.
  auto* backend = dynamic_cast<SqliteBackend*>(&store.Connection().backend());
  ASSERT_NE(backend, nullptr);
  ASSERT_EQ(sqlite3_exec(backend->Handle(), "CREATE TABLE TV_BASE.Y(A NVARCHAR(99999999999))", nullptr, nullptr, nullptr),
            SQLITE_OK);
  EXPECT_EQ(ErrorOf("SELECT * INTO TV_BASE..Z FROM TV_BASE..Y"),
            "The size (99999999999) given to the column 'A' exceeds the maximum allowed for any data type (4000).");
}

TEST_F(TsqlTest, UnknownFormsAreErrorsNotPassedThrough) {
  const char* refused[] = {
      "EXEC sp_who",
      "TRUNCATE TABLE TV_BASE..AAA",
      "SELECT * FROM TV_BASE..CD_PERSON WITH (NOLOCK)",
      "SELECT TOP 10 PERCENT * FROM TV_BASE..CD_PERSON",
      "SELECT 1 AS A; DROP TABLE TV_BASE..CD_PERSON",
      "SELECT \"CUSCODE\" FROM TV_BASE..HIRAEncryption",  // a double-quoted name is never a text
      "PRAGMA journal_mode",
      "SELECT CUSCODE FROM TV_BASE..CD_PERSON LIMIT 1",
      "SELECT 'a' || 'b' AS V",
      "SELECT V = 1",
      "SELECT TOP 1 CUSCODE, X = PANUM FROM TV_BASE..CD_PERSON",
      "CREATE TABLE TV_BASE..X(A GEOGRAPHY NULL)",
      "CREATE TABLE TV_BASE..X(A NVARCHAR(5) DEFAULT 'x')",
      "UPDATE T1 SET PANUM = 'x' FROM (SELECT PANUM FROM TV_BASE..CD_PERSON GROUP BY PANUM) AS T1",
      "UPDATE T1 SET PANUM = 'x' FROM (SELECT PANUM, 'k' AS K FROM TV_BASE..CD_PERSON) AS T1 WHERE T1.NOPE = 'x'",
  };
  for (const char* sql : refused) {
    SCOPED_TRACE(sql);
    EXPECT_THROW(store.Exec(sql), DbError);
  }
  EXPECT_EQ(store.Scalar("SELECT COUNT(*) FROM TV_BASE..CD_PERSON"), 0);  // still there
  // Comments and a trailing semicolon are fine.
  EXPECT_EQ(store.Texts("SELECT 1 AS A -- one\n /* two */;"), Rows{{"1"}});
}

TEST_F(TsqlTest, IndexNamesArePerTable) {
  store.Exec("CREATE NONCLUSTERED INDEX [IX_SAME] ON TV_PRES..PS_MAIN ([PANUM] ASC)");
  store.Exec("CREATE NONCLUSTERED INDEX [IX_SAME] ON TV_PRES..INS_COMPOS ([PANUM] ASC)");
  EXPECT_EQ(ErrorOf("CREATE NONCLUSTERED INDEX [IX_SAME] ON TV_PRES..PS_MAIN ([CUSCODE] ASC)"),
            "The operation failed because an index or statistics with name 'IX_SAME' already exists on table "
            "'PS_MAIN'.");
  // Dropping the table drops its indexes, so the work tables can be rebuilt.
  store.Exec("CREATE TABLE TV_BASE..W(A NVARCHAR(5) NULL)");
  store.Exec("CREATE NONCLUSTERED INDEX [IX_W] ON TV_BASE..W ([A] ASC)");
  store.Exec("DROP TABLE TV_BASE..W");
  store.Exec("CREATE TABLE TV_BASE..W(A NVARCHAR(5) NULL)");
  store.Exec("CREATE NONCLUSTERED INDEX [IX_W] ON TV_BASE..W ([A] ASC)");
}

TEST_F(TsqlTest, DropOfAMissingTableAndCreateOfAnExistingOneFail) {
  EXPECT_EQ(ErrorOf("DROP TABLE TV_BASE..NOPE"),
            "Cannot drop the table 'TV_BASE..NOPE', because it does not exist or you do not have permission.");
  EXPECT_EQ(ErrorOf("CREATE TABLE TV_BASE..CD_PERSON(A NVARCHAR(1) NULL)"),
            "There is already an object named 'CD_PERSON' in the database.");
  EXPECT_EQ(ErrorOf("SELECT * INTO TV_BASE..CD_PERSON FROM (SELECT 1 AS A) AS T1"),
            "There is already an object named 'CD_PERSON' in the database.");
  EXPECT_EQ(ErrorOf("SELECT NOPE FROM TV_BASE..CD_PERSON"), "Invalid column name 'NOPE'.");
  // A table named without its database is looked for in master only.
  EXPECT_EQ(ErrorOf("SELECT * FROM CD_PERSON"), "Invalid object name 'CD_PERSON'.");
  EXPECT_EQ(ErrorOf("SELECT * FROM TV_BASE..CD_PERSON AS A, PS_MAIN AS B"), "Invalid object name 'PS_MAIN'.");
  EXPECT_EQ(ErrorOf("SELECT * FROM TV_BASE..CD_PERSON AS A INNER JOIN dbo.PS_MAIN AS B ON A.CUSCODE = B.CUSCODE"),
            "Invalid object name 'PS_MAIN'.");
}

TEST_F(TsqlTest, FailedSelectIntoLeavesNoTable) {
  store.Insert("TV_BASE..CD_PERSON", {{"PANUM", "abc"}});
  EXPECT_THROW(store.Exec("SELECT * INTO TV_BASE..JUMIN_CHECK FROM (SELECT PANUM + 1 AS P FROM TV_BASE..CD_PERSON) AS T1"),
               DbError);
  EXPECT_THROW(store.Exec("DROP TABLE TV_BASE..JUMIN_CHECK"), DbError);
}

TEST_F(TsqlTest, UpdateThroughADerivedTableChangesOnlyTheFilteredBaseRows) {
  store.Insert("TV_BASE..CD_PERSON", {{"CUSCODE", "A"}, {"PANUM", "1111111111111"}});
  store.Insert("TV_BASE..CD_PERSON", {{"CUSCODE", "B"}, {"PANUM", "1111111111111"}, {"TEMPNUM", "KEEP"}});
  store.Insert("TV_BASE..CD_PERSON", {{"CUSCODE", "C"}, {"PANUM", "2222222222222"}});
  store.Exec("CREATE TABLE TV_BASE..M(PANUM NVARCHAR(13) NULL, ENCRYPT NVARCHAR(50) NULL)");
  store.Insert("TV_BASE..M", {{"PANUM", "1111111111111"}, {"ENCRYPT", "E1"}});
  // Renamed column, qualified inner names, the target written with its alias.
  store.Exec("UPDATE T1 SET T1.CODE2 = T2.ENCRYPT FROM (SELECT P.CUSCODE AS CODE2, P.PANUM FROM TV_BASE..CD_PERSON AS P "
             "WHERE P.TEMPNUM IS NULL) AS T1, TV_BASE..M AS T2 WHERE T1.PANUM = T2.PANUM");
  EXPECT_EQ(store.Texts("SELECT CUSCODE, TEMPNUM FROM TV_BASE..CD_PERSON ORDER BY PANUM, TEMPNUM"),
            (Rows{{"E1", "<NULL>"}, {"B", "KEEP"}, {"C", "<NULL>"}}));
  // An update of a base table joined by alias.
  store.Exec("UPDATE T1 SET TEMPNUM = T2.ENCRYPT FROM TV_BASE..CD_PERSON AS T1, TV_BASE..M AS T2 "
             "WHERE T1.PANUM = T2.PANUM AND T1.TEMPNUM IS NULL");
  EXPECT_EQ(store.Scalar("SELECT COUNT(*) FROM TV_BASE..CD_PERSON WHERE TEMPNUM = 'E1'"), 1);
  EXPECT_EQ(ErrorOf("UPDATE T1 SET P = 'x' FROM (SELECT REPLACE(PANUM,'-','') AS P FROM TV_BASE..CD_PERSON) AS T1"),
            "Update or insert of view or function 'T1' failed because it contains a derived or constant field.");
}

TEST_F(TsqlTest, PreparedStatementsFollowTheirLiteralsAndSchemaChanges) {
  store.Exec("CREATE TABLE TV_BASE..W(A NVARCHAR(5) NULL)");
  for (const char* v : {"x", "y", "o'k"}) store.Insert("TV_BASE..W", {{"A", v}});
  for (const char* v : {"x", "y", "o'k", "z"})
    EXPECT_EQ(store.Scalar(std::string("SELECT COUNT(*) FROM TV_BASE..W WHERE A = ") + QuotedStr(v)),
              std::string(v) == "z" ? 0 : 1);
  EXPECT_EQ(store.Rows("SELECT * FROM TV_BASE..W").columns, std::vector<std::string>{"A"});
  store.Exec("DROP TABLE TV_BASE..W");
  EXPECT_THROW(store.Rows("SELECT * FROM TV_BASE..W"), DbError);
  store.Exec("CREATE TABLE TV_BASE..W(B NVARCHAR(5) NULL, C NVARCHAR(5) NULL)");
  EXPECT_EQ(store.Rows("SELECT * FROM TV_BASE..W").columns, (std::vector<std::string>{"B", "C"}));
}

TEST(TsqlTranslate, ReadsLikeTheStatementItCameFrom) {
  EXPECT_EQ(tsql::TranslateInline("SELECT TOP 10000 PANUM, ENCRYPT FROM TV_BASE..TEMP_MAPPING_BAK WHERE CHECKFLG IS NULL"),
            "SELECT \"PANUM\" , \"ENCRYPT\" FROM \"TV_BASE\".\"TEMP_MAPPING_BAK\" WHERE \"CHECKFLG\" IS NULL LIMIT 10000");
  EXPECT_EQ(tsql::TranslateInline("UPDATE TV_BASE..JUMIN_CHECK SET CHK = '1'  WHERE CUSCODE = 'O''N'"),
            "UPDATE \"TV_BASE\".\"JUMIN_CHECK\" SET \"CHK\" = '1' COLLATE TSQL WHERE \"CUSCODE\" = 'O''N' COLLATE TSQL");
  EXPECT_EQ(tsql::TranslateInline("SELECT COUNT(*) CNT FROM master..X"), "SELECT count(*) \"CNT\" FROM \"main\".\"X\"");
}

}  // namespace
}  // namespace jc::db
