// The statement and connection texts the tool builds, and the ODBC
// connection string each driver is given: no database needed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/Connection.h"
#include "db/Odbc.h"
#include "db/Query.h"

namespace jc::db {
namespace {

TEST(ConnectionString, IsTheFixedTextWithTheHostAndInstance) {
  EXPECT_EQ(BuildConnectionString("PHARM01"),
            "Provider=SQLOLEDB.1;User ID=sa;Password=RQX#^!!$(!;Persist Security Info=True;"
            "Initial Catalog=master;Packet Size=4096;Data Source=PHARM01\\QUINSET");
  EXPECT_EQ(BuildConnectionString(""),
            "Provider=SQLOLEDB.1;User ID=sa;Password=RQX#^!!$(!;Persist Security Info=True;"
            "Initial Catalog=master;Packet Size=4096;Data Source=\\QUINSET");
}

TEST(ConnectionString, ParsesKeysInOrderWithQuotedValues) {
  auto kv = ParseConnectionString(" Provider=SQLOLEDB.1; Password=\"a;b\" ;Data Source = h\\QUINSET;");
  ASSERT_EQ(kv.size(), 3u);
  EXPECT_EQ(kv[0], (std::pair<std::string, std::string>{"Provider", "SQLOLEDB.1"}));
  EXPECT_EQ(kv[1], (std::pair<std::string, std::string>{"Password", "a;b"}));
  EXPECT_EQ(kv[2], (std::pair<std::string, std::string>{"Data Source", "h\\QUINSET"}));
  EXPECT_THROW(ParseConnectionString("Provider=x;garbage;"), DbError);
}

TEST(QuotedStr, DoublesEmbeddedQuotesWithoutNPrefix) {
  EXPECT_EQ(QuotedStr(""), "''");
  EXPECT_EQ(QuotedStr("O'Neil"), "'O''Neil'");
  EXPECT_EQ(QuotedStr("''"), "''''''");
  EXPECT_EQ(QuotedStr("홍길동"), "'홍길동'");
}

TEST(ReturnsRows, OnlyForSelectWithoutInto) {
  struct Case {
    const char* sql;
    bool rows;
  } cases[] = {
      {"SELECT COUNT(*) CNT FROM TV_BASE..TEMP_MAPPING_BAK ", true},
      {"  select * from TV_BASE..CD_PERSON", true},
      {"(SELECT 1) UNION ALL (SELECT 2)", true},
      {"SELECT * INTO TV_BASE..JUMIN_CHECK FROM (SELECT 1 AS A) AS T1", false},
      {"UPDATE TV_BASE..AAA SET PANUM = 'SELECT'", false},
      {"INSERT INTO TV_BASE..AAA(CUSCODE) SELECT CUSCODE FROM TV_BASE..CD_PERSON", false},
      {"DROP TABLE TV_BASE..AAA ", false},
      {"SELECT 'unterminated", false},
      {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(ReturnsRows(c.sql), c.rows) << c.sql;
}

TEST(OdbcConnectionString, TranslatesTheAdoString) {
  struct Case {
    std::string ado, driver, odbc;
  } cases[] = {
      {BuildConnectionString("PHARM01"), "FreeTDS",
       "Driver={FreeTDS};Server=PHARM01\\QUINSET;Database=master;UID=sa;PWD={RQX#^!!$(!};PacketSize=4096;"
       "TDS_Version=7.4;ClientCharset=UTF-8;"},
      {BuildConnectionString(""), "FreeTDS",
       "Driver={FreeTDS};Server=\\QUINSET;Database=master;UID=sa;PWD={RQX#^!!$(!};PacketSize=4096;"
       "TDS_Version=7.4;ClientCharset=UTF-8;"},
      {"Data Source=10.0.0.5\\QUINSET;Password=;User ID=u", "TDS",
       "Driver={TDS};Server=10.0.0.5\\QUINSET;UID=u;PWD={};TDS_Version=7.4;ClientCharset=UTF-8;"},
      {"Password=\"a;b=c\";Data Source=h", "FreeTDS",
       "Driver={FreeTDS};Server=h;PWD={a;b=c};TDS_Version=7.4;ClientCharset=UTF-8;"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(AdoToOdbcConnectionString(c.ado, c.driver), c.odbc) << c.ado;
    EXPECT_EQ(AdoToOdbcConnectionString(c.ado, c.driver).find("Timeout"), std::string::npos);
  }
  const char* refused[] = {
      "Password=ab}c;Data Source=h",         // FreeTDS cannot take '}' in a braced value
      "Data Source=h;Connect Timeout=5",     // a key with no meaning here
      "Data Source=h;x;",                    // not a key=value pair
      "Data Source=h;Initial Catalog=a;b",   // stray text
      "Data Source=h{x}",                    // braces in a plain value
  };
  for (const char* ado : refused) EXPECT_THROW(AdoToOdbcConnectionString(ado, "FreeTDS"), DbError) << ado;
  EXPECT_THROW(AdoToOdbcConnectionString("Data Source=h", "Free;TDS"), DbError);
}

TEST(OdbcConnectionString, MicrosoftDriversGetTheirOwnKeys) {
  // No FreeTDS keys, no packet-size key (the server's default is asked for);
  // the newer drivers are told not to demand an encrypted connection.
  const std::string ado = BuildConnectionString("PHARM01");
  const std::string common = "Server=PHARM01\\QUINSET;Database=master;UID=sa;PWD={RQX#^!!$(!};";
  EXPECT_EQ(AdoToOdbcConnectionString(ado, "ODBC Driver 18 for SQL Server"),
            "Driver={ODBC Driver 18 for SQL Server};" + common + "Encrypt=no;");
  EXPECT_EQ(AdoToOdbcConnectionString(ado, "ODBC Driver 17 for SQL Server"),
            "Driver={ODBC Driver 17 for SQL Server};" + common + "Encrypt=no;");
  EXPECT_EQ(AdoToOdbcConnectionString(ado, "SQL Server"), "Driver={SQL Server};" + common);
  EXPECT_THROW(AdoToOdbcConnectionString("Password=ab}c;Data Source=h", "SQL Server"), DbError);
}

TEST(OdbcDriver, TheBestInstalledSqlServerDriverIsChosen) {
  struct Case {
    std::vector<std::string> installed;
    std::string chosen;
  };
  const Case cases[] = {
      {{"SQL Server", "ODBC Driver 17 for SQL Server", "ODBC Driver 18 for SQL Server"}, "ODBC Driver 18 for SQL Server"},
      {{"Microsoft Access Driver (*.mdb)", "SQL Server", "ODBC Driver 17 for SQL Server"}, "ODBC Driver 17 for SQL Server"},
      {{"SQL Server Native Client 11.0", "SQL Server"}, "SQL Server"},
      {{"sql server"}, "SQL Server"},
      // None listed (an empty or unreadable list): the one every Windows has.
      {{}, "SQL Server"},
      {{"FreeTDS"}, "SQL Server"},
  };
  for (const Case& c : cases) {
    std::string names;
    for (const auto& n : c.installed) names += n + ", ";
    EXPECT_EQ(PreferredOdbcDriver(c.installed), c.chosen) << names;
  }
  EXPECT_TRUE(IsMicrosoftSqlServerDriver("SQL Server"));
  EXPECT_FALSE(IsMicrosoftSqlServerDriver("FreeTDS"));
}

}  // namespace
}  // namespace jc::db
