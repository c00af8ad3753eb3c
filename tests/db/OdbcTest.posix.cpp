// The SQL Server backend on Linux: a real FreeTDS connection attempt that
// must fail fast, and the fetch paths through a real ODBC driver (Debian's
// SQLite ODBC driver, plain SQLite SQL).
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>

#include "db/Connection.h"
#include "db/Odbc.h"
#include "db/Query.h"

namespace jc::db {
namespace {

// A loopback port where nothing listens: bind one, learn its number, close it.
int ClosedPort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = 0;
  ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t len = sizeof a;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  ::close(fd);
  return ntohs(a.sin_port);
}

TEST(OdbcFreeTds, ConnectionRefusedPassesTheDriversText) {
  const std::string conn = "Driver={FreeTDS};Server=127.0.0.1;Port=" + std::to_string(ClosedPort()) +
                           ";Database=master;UID=sa;PWD={RQX#^!!$(!};TDS_Version=7.4;ClientCharset=UTF-8;";
  try {
    OdbcBackend backend(conn);
    FAIL() << "connected to a closed port";
  } catch (const DbError& e) {
    const std::string text = e.what();
    EXPECT_NE(text.find("Unable to connect"), std::string::npos) << text;
    EXPECT_NE(text.find("FreeTDS"), std::string::npos) << text;
  }
}

TEST(OdbcFreeTds, UnknownDriverFails) {
  EXPECT_THROW(OdbcBackend("Driver={No Such Driver};Server=127.0.0.1;"), DbError);
}

class OdbcSqliteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    file = (std::filesystem::temp_directory_path() / ("jc-odbc-" + std::to_string(::getpid()) + ".db")).string();
    std::filesystem::remove(file);
    backend = std::make_unique<OdbcBackend>("Driver={SQLite3};Database=" + file + ";");
  }
  void TearDown() override {
    backend.reset();
    std::filesystem::remove(file);
  }
  std::string file;
  std::unique_ptr<OdbcBackend> backend;
};

TEST_F(OdbcSqliteTest, FetchesEveryRowWithNullsHangulAndLongTexts) {
  backend->Execute("CREATE TABLE t(name TEXT, n INTEGER, note TEXT)");
  const std::string longText(10000, 'x');
  backend->Execute("INSERT INTO t VALUES('홍길동', 1, NULL)");
  backend->Execute("INSERT INTO t VALUES('O''Neil', 2, '" + longText + "')");
  backend->Execute("INSERT INTO t VALUES('', NULL, '')");
  ResultSet rs = backend->Query("SELECT name AS NAME, n, note FROM t ORDER BY rowid");
  EXPECT_EQ(rs.columns, (std::vector<std::string>{"NAME", "n", "note"}));
  ASSERT_EQ(rs.rows.size(), 3u);
  EXPECT_EQ(rs.rows[0], (std::vector<Cell>{"홍길동", "1", std::nullopt}));
  EXPECT_EQ(rs.rows[1], (std::vector<Cell>{"O'Neil", "2", longText}));
  EXPECT_EQ(rs.rows[2], (std::vector<Cell>{"", std::nullopt, ""}));
  EXPECT_TRUE(backend->Query("SELECT * FROM t WHERE 0").rows.empty());
}

TEST_F(OdbcSqliteTest, ErrorsCarryTheDriversTextAndNoResultIsSuccess) {
  backend->Execute("CREATE TABLE t(a TEXT)");
  try {
    backend->Query("SELECT * FROM missing_table");
    FAIL();
  } catch (const DbError& e) {
    EXPECT_NE(std::string(e.what()).find("missing_table"), std::string::npos) << e.what();
  }
  EXPECT_THROW(backend->Execute("DROP TABLE missing_table"), DbError);
  // Statements that affect nothing or return nothing succeed.
  EXPECT_NO_THROW(backend->Execute("DELETE FROM t WHERE 0"));
  EXPECT_NO_THROW(backend->Execute("UPDATE t SET a = 'x'"));
  EXPECT_THROW(backend->Query("DELETE FROM t"), DbError);
}

TEST_F(OdbcSqliteTest, RunsUnderTheQueryObjects) {
  backend->Execute("CREATE TABLE CD_PERSON(CUSCODE TEXT, SEQ TEXT, TEMPNUM TEXT)");
  backend->Execute("INSERT INTO CD_PERSON VALUES('C1', '7', NULL)");
  TADOConnection conn;
  conn.Adopt(std::move(backend));
  TADOQuery q("Ado_Qry"), x("Ado_Exec");
  q.Connection = &conn;
  x.Connection = &conn;
  ASSERT_TRUE(OpenQuery(q, "SELECT CUSCODE, SEQ, TEMPNUM FROM CD_PERSON"));
  EXPECT_EQ(q.RecordCount(), 1);
  EXPECT_EQ(q.FieldAsString("cuscode"), "C1");
  EXPECT_EQ(q.FieldAsInteger("Seq"), 7);
  EXPECT_EQ(q.FieldAsString("TEMPNUM"), "");
  EXPECT_EQ(q.FieldAsInteger("TEMPNUM"), 0);
  EXPECT_TRUE(ExecQuery(x, "UPDATE CD_PERSON SET TEMPNUM = 'E'"));
  EXPECT_EQ(q.FieldAsString("TEMPNUM"), "");  // the snapshot stays
  EXPECT_FALSE(OpenQuery(q, "SELECT nope FROM CD_PERSON"));
  EXPECT_TRUE(q.Eof());
  EXPECT_NE(q.LastError(), "");
  EXPECT_FALSE(ExecQuery(x, "DROP TABLE missing_table"));
}

}  // namespace
}  // namespace jc::db
