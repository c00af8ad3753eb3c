// The SQL Server path end to end: the real program and the real FreeTDS ODBC
// driver against the stand-in server (tds_server.py), which answers on
// 127.0.0.1 with its instance browser on UDP 1434, so the tool's own
// "127.0.0.1\QUINSET" data source is looked up and logged in to as on a
// pharmacy's machine. The stand-in also does what a live server does at the
// worst moment: it closes a connection in the middle of an audit, never
// answers a login, sends a long Korean error, refuses an update.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include <ctime>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <tuple>
#include <sstream>

#include "crypto/CryptoUnit.h"
#include "db/Connection.h"
#include "db/Odbc.h"
#include "db/OperationLock.h"
#include "db/Query.h"
#include "db/SqliteStore.h"
#include "support/CryptoUnitHarness.h"
#include "tds/StandIn.h"
#include "ui/FormModel.h"

namespace jc::test {
namespace {

using Row = std::vector<std::string>;

std::vector<Row> ParseTsv(const std::string& text) {
  std::vector<Row> rows;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    Row cells;
    std::size_t start = 0;
    for (;;) {
      const auto tab = line.find('\t', start);
      cells.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
      if (tab == std::string::npos) break;
      start = tab + 1;
    }
    rows.push_back(std::move(cells));
  }
  return rows;
}

bool IsValidUtf8(const std::string& s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    const std::size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
    if (n == 0 || i + n > s.size()) return false;
    for (std::size_t k = 1; k < n; ++k)
      if ((static_cast<unsigned char>(s[i + k]) >> 6) != 0x2) return false;
    i += n;
  }
  return true;
}

int LastYear() {
  const std::time_t t = std::time(nullptr);
  std::tm local{};
  localtime_r(&t, &local);
  return local.tm_year + 1900 - 1;
}

// A scenario text with one rule.
std::string Rule(const std::string& match, const std::string& action, int nth = 0,
                 const std::string& extra = "") {
  return "{\"rules\": [{\"match\": \"" + match + "\", \"action\": \"" + action + "\", \"nth\": " +
         std::to_string(nth) + extra + "}]}";
}

// 900 characters of a Korean server message, ending in a full stop: about
// 2 350 bytes in UTF-8.
std::string LongKoreanMessage() {
  const std::string sentence = "교착 상태가 감지되어 트랜잭션이 중단되었습니다 다시 실행하십시오 ";  // 36 characters
  std::string text;
  for (int i = 0; i < 25; ++i) text += sentence;
  text.back() = '.';
  return text;
}

const std::string kLost = "데이터베이스 연결이 끊어져 작업을 중단했습니다.";
const std::string kKeyRead = "SELECT * FROM TV_BASE..HIRAEncryption";

class StandInTest : public ::testing::Test {
 protected:
  void SetUp() override {
    server_ = std::make_unique<StandInServer>();
    if (!server_->SkipReason().empty()) GTEST_SKIP() << server_->SkipReason();
  }

  // A connection of this process to the stand-in, through the tool's own
  // connection code and the FreeTDS driver.
  static std::unique_ptr<db::TADOConnection> Connect() {
    auto c = std::make_unique<db::TADOConnection>();
    c->ConnectionString = db::BuildConnectionString(StandInServer::Host());
    c->Open();
    return c;
  }
  static std::unique_ptr<db::OdbcBackend> Session() {
    return std::make_unique<db::OdbcBackend>(
        db::AdoToOdbcConnectionString(db::BuildConnectionString(StandInServer::Host()), db::DefaultOdbcDriver()));
  }

  // The pharmacy schema, then a data key made by the program's create-key
  // with the real module, then a codec of this process that reads that key
  // from the server.
  void SeedSchemaAndKey() {
    seed_ = Connect();
    db::CreatePharmacySchema(*seed_);
    const ProgramResult key = root_.Run({"create-key"});
    ASSERT_EQ(key.status, 0) << key.err;
    ASSERT_EQ(key.out, "OK\n");
    codec_ = std::make_unique<CryptoUnitHarness>();
    codec_->StartUp(*seed_);
    ASSERT_TRUE(codec_->unit->CryptoLoaded);
    codec_->unit->EncryptJumin("");
  }

  std::string Encrypt(const std::string& plain) {
    const std::string value = codec_->unit->EncryptJumin(plain);
    if (value.size() <= 2) throw std::runtime_error("no stored value for " + plain);
    return value;
  }

  static std::string Sql(const std::optional<std::string>& v) { return v ? db::QuotedStr(*v) : "NULL"; }

  void AddPerson(const std::string& code, const std::string& seq, const std::string& panum,
                 const std::string& name, const std::optional<std::string>& tempnum) {
    seed_->backend().Execute("INSERT INTO TV_BASE..CD_PERSON (CUSCODE, SEQ, INDATE, PANUM, PANAME, TEMPNUM) VALUES (" +
                             Sql(code) + ", " + Sql(seq) + ", '2020010" + seq + "', " + Sql(panum) + ", " + Sql(name) + ", " +
                             Sql(tempnum) + ")");
  }
  void AddDispensing(const std::string& serial, const std::string& code, int year) {
    seed_->backend().Execute("INSERT INTO TV_PRES..PS_MAIN (PRESERIAL, CUSCODE, INDATE) VALUES (" + Sql(serial) +
                             ", " + Sql(code) + ", '" + std::to_string(year) + "0615')");
  }

  // Customers in every state the audit looks at, for the tax year Y:
  //   0000001 seq 1  masked, value made from the masked number, dispensed in Y  -> listed
  //   0000001 seq 2  masked, sound value                                         -> read, not listed
  //   0000002        masked, value made from the masked number, dispensed in Y-2 -> not copied
  //   0000003        masked, NULL value, dispensed in Y                          -> not copied
  //   0000004        plain number with a value, dispensed in Y                    -> not copied
  //   0000005        masked, value made from the masked number, dispensed in Y  -> listed
  void SeedCustomers(int year) {
    AddPerson("0000001", "1", "8207161******", "김민수", Encrypt("8207161******"));
    AddPerson("0000001", "2", "8207161******", "김민수", Encrypt("8207161234567"));
    AddPerson("0000002", "1", "7501012******", "이영희", Encrypt("7501012******"));
    AddPerson("0000003", "1", "6803151******", "박철수", std::nullopt);
    AddPerson("0000004", "1", "9001011234568", "최지우", Encrypt("9001011234568"));
    AddPerson("0000005", "1", "8812252******", "정하늘", Encrypt("8812252******"));
    AddDispensing("P1", "0000001", year);
    AddDispensing("P2", "0000002", year - 2);
    AddDispensing("P3", "0000003", year);
    AddDispensing("P4", "0000004", year);
    AddDispensing("P5", "0000005", year);
    AddDispensing("P6", "0000005", year);
  }

  std::unique_ptr<StandInServer> server_;
  ServerRoot root_;
  std::unique_ptr<db::TADOConnection> seed_;
  std::unique_ptr<CryptoUnitHarness> codec_;
};

TEST_F(StandInTest, StartUpReadsTheKeyAndSqlCarriesHangulNullAndErrors) {
  ASSERT_NO_FATAL_FAILURE(SeedSchemaAndKey());

  struct Case {
    std::string statement;
    int status;
    std::string out;
  } cases[] = {
      {"INSERT INTO TV_BASE..CD_PERSON (CUSCODE, SEQ, PANAME, PANUM, TEMPNUM) VALUES ('0000001', '1', '홍길동', '', "
       "NULL)",
       0, "OK\n"},
      {"SELECT CUSCODE, PANAME, PANUM, TEMPNUM FROM TV_BASE..CD_PERSON WHERE PANAME = '홍길동'", 0,
       "CUSCODE\tPANAME\tPANUM\tTEMPNUM\n0000001\t홍길동\t\tNULL\n"},
      {"SELECT COUNT(*) AS CNT FROM TV_BASE..CD_PERSON", 0, "CNT\n1\n"},
      {"SELECT * FROM TV_BASE..NO_SUCH_TABLE", 1,
       "FAILED: [FreeTDS][SQL Server]Invalid object name 'TV_BASE..NO_SUCH_TABLE'.\n"},
      {"DROP TABLE TV_BASE..NO_SUCH_TABLE", 1,
       "FAILED: [FreeTDS][SQL Server]Cannot drop the table 'TV_BASE..NO_SUCH_TABLE', because it does not exist or "
       "you do not have permission.\n"},
  };
  for (const auto& c : cases) {
    const ProgramResult r = root_.Run({"sql", c.statement});
    EXPECT_EQ(r.status, c.status) << c.statement << "\n" << r.err;
    EXPECT_EQ(r.out, c.out) << c.statement;
    EXPECT_EQ(r.err.find("error: "), std::string::npos) << r.err;
  }

  // The single-value tools on the key the program read from the server.
  const ProgramResult enc = root_.Run({"encrypt", "9001011234568"});
  ASSERT_EQ(enc.status, 0) << enc.err;
  const std::string value = enc.out.substr(0, enc.out.find('\n'));
  EXPECT_EQ(value.substr(value.size() - 2), "01");
  EXPECT_EQ(codec_->unit->DecryptJumin(value), "9001011234568");
  const ProgramResult dec = root_.Run({"decrypt", Encrypt("8207161234567")});
  ASSERT_EQ(dec.status, 0) << dec.err;
  EXPECT_EQ(dec.out, "8207161234567\n");

  // Every program run since the key was made read it at start-up.
  int keyReads = 0;
  for (const auto& l : server_->Log()) keyReads += l.text == kKeyRead && l.outcome == "rows 1";
  EXPECT_GE(keyReads, 7);
}

TEST_F(StandInTest, CustomerAuditRunsItsStatementsOnTheServer) {
  ASSERT_NO_FATAL_FAILURE(SeedSchemaAndKey());
  const int year = LastYear();
  SeedCustomers(year);

  // Twice: the first run finds no scratch table to drop, the second drops
  // the first run's.
  for (const char* drop : {"error", "ok"}) {
    const ProgramResult r = root_.Run({"audit-customers", "--year", std::to_string(year)});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "status: 3건 중 암호화 오입력 환자 2건 검색\n");
    const auto rows = ParseTsv(r.out);
    ASSERT_EQ(rows.size(), 3u) << r.out;
    EXPECT_EQ(rows[0], (Row{"SEQ", "이름", "주민번호", "암호화해제 주민번호", "조제년도", "고객코드"}));
    const std::string yearCell = std::to_string(year) + "년";
    const std::set<Row> listed(rows.begin() + 1, rows.end());
    EXPECT_EQ(listed, (std::set<Row>{{"1", "김민수", "8207161******", "8207161******", yearCell, "0000001"},
                                     {"1", "정하늘", "8812252******", "8812252******", yearCell, "0000005"}}));

    // What the server received from the audit's session, in order.
    const auto batches = server_->Session(server_->LastSessionOf("DROP TABLE TV_BASE..JUMIN_CHECK"));
    std::vector<std::pair<std::string, std::string>> seen;  // statement head, outcome
    for (const auto& b : batches) seen.emplace_back(b.text.substr(0, b.text.find(" FROM")), b.outcome);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {kKeyRead.substr(0, kKeyRead.find(" FROM")), "rows 1"},
        {"DECLARE @R INT; EXEC @R = sp_getapplock @Resource = 'jumincheck operation', @LockMode = 'Exclusive', "
         "@LockOwner = 'Session', @LockTimeout = 0; SELECT @R AS R",
         "lock 0"},
        {"DROP TABLE TV_BASE..JUMIN_CHECK ", drop},
        {"SELECT * INTO TV_BASE..JUMIN_CHECK  ", "ok"},
        {"CREATE NONCLUSTERED INDEX [IX_JUMIN_CHECK] ON TV_BASE..JUMIN_CHECK ( \t[CUSCODE] ASC    )WITH (PAD_INDEX  "
         "= OFF, STATISTICS_NORECOMPUTE  = OFF, SORT_IN_TEMPDB = OFF, IGNORE_DUP_KEY = OFF, DROP_EXISTING = OFF, "
         "ONLINE = OFF, ALLOW_ROW_LOCKS  = ON, ALLOW_PAGE_LOCKS  = ON) ON [PRIMARY] ",
         "ok"},
        {"SELECT COUNT(*) AS CNT", "rows 1"},
        {"SELECT CUSCODE, SEQ, INDATE, PANUM, PANAME, TEMPNUM ", "rows 3"},
        {"UPDATE TV_BASE..JUMIN_CHECK SET CHK = '1'  WHERE CUSCODE = '0000001'   AND SEQ     = '1'", "ok 1"},
        {"UPDATE TV_BASE..JUMIN_CHECK SET CHK = '1'  WHERE CUSCODE = '0000001'   AND SEQ     = '2'", "ok 1"},
        {"UPDATE TV_BASE..JUMIN_CHECK SET CHK = '1'  WHERE CUSCODE = '0000005'   AND SEQ     = '1'", "ok 1"},
        {"EXEC sp_releaseapplock @Resource = 'jumincheck operation', @LockOwner = 'Session'", "unlock"},
    };
    EXPECT_EQ(seen, expected);
  }
  const ProgramResult unread = root_.Run({"sql", "SELECT COUNT(*) AS CNT FROM TV_BASE..JUMIN_CHECK WHERE CHK <> '1'"});
  EXPECT_EQ(unread.out, "CNT\n0\n");
}

TEST_F(StandInTest, SqlTraceHoldsEveryStatementTheServerReceivedLockRequestsIncluded) {
  ASSERT_NO_FATAL_FAILURE(SeedSchemaAndKey());
  SeedCustomers(LastYear());
  const std::filesystem::path trace = std::filesystem::path(root_.Path()) / "trace.sql";
  const ProgramResult r = root_.Run({"audit-customers"}, 120, {"JUMINCHECK_SQL_TRACE=" + root_.Program().PathFor(trace)});
  ASSERT_EQ(r.status, 0) << r.err;

  std::vector<std::string> traced;
  std::ifstream in(trace);
  for (std::string line; std::getline(in, line);) traced.push_back(line.substr(0, line.rfind('\t')));
  std::vector<std::string> received;
  for (const auto& b : server_->Session(server_->LastSessionOf("DROP TABLE TV_BASE..JUMIN_CHECK")))
    received.push_back(b.text);
  EXPECT_EQ(traced, received);
  EXPECT_NE(std::find(traced.begin(), traced.end(), std::string(db::kReleaseOperationLockSql)), traced.end());
}

// The restore decides by the rows the server says it changed: the ODBC path
// must tell a searched UPDATE that changed nothing (0) from one that did.
TEST_F(StandInTest, RestoreThroughTheServerWritesOnlyTheRecordsOwnNumberAndCountsRowsChanged) {
  ASSERT_NO_FATAL_FAILURE(SeedSchemaAndKey());
  const int year = LastYear();
  AddPerson("0000001", "1", "8207161******", "김민수", Encrypt("8207161234567"));
  seed_->backend().Execute("UPDATE TV_BASE..CD_PERSON SET CUSACT = '1'");
  AddPerson("0000002", "1", "9001011******", "이영희", Encrypt("9001011234568"));
  seed_->backend().Execute("UPDATE TV_BASE..CD_PERSON SET CUSACT = '1' WHERE CUSCODE = '0000002'");
  for (const auto& [serial, code, number] : {std::tuple<std::string, std::string, std::string>{"P1", "0000001", "8207161******"},
                                             {"P2", "0000002", "6807032******"}})
    seed_->backend().Execute("INSERT INTO TV_PRES..PS_MAIN (PRESERIAL, CUSCODE, INDATE, PANUM, TEMPNUM) VALUES (" +
                             Sql(serial) + ", " + Sql(code) + ", '" + std::to_string(year) + "0615', " + Sql(number) +
                             ", " + Sql(Encrypt(number)) + ")");

  const ProgramResult r = root_.Run({"audit-dispensing", "--table", "PS_MAIN", "--restore"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("status: 주민번호 복구: 1건 복구, 1건 건너뜀"), std::string::npos) << r.err;
  const auto values = seed_->backend().Query("SELECT PRESERIAL, TEMPNUM FROM TV_PRES..PS_MAIN ORDER BY PRESERIAL");
  ASSERT_EQ(values.rows.size(), 2u);
  EXPECT_EQ(codec_->unit->DecryptJumin(values.rows[0][1].value_or("")), "8207161234567");
  EXPECT_EQ(codec_->unit->DecryptJumin(values.rows[1][1].value_or("")), "6807032******");

  auto session = Session();
  EXPECT_EQ(session->Execute("UPDATE TV_BASE..CD_PERSON SET PANAME = PANAME WHERE CUSACT = '1'"), 2);
  EXPECT_EQ(session->Execute("UPDATE TV_BASE..CD_PERSON SET PANAME = PANAME WHERE CUSCODE = 'none'"), 0);
}

TEST_F(StandInTest, OperationLockIsExclusiveAcrossConnections) {
  ASSERT_NO_FATAL_FAILURE(SeedSchemaAndKey());
  SeedCustomers(LastYear());
  auto first = Session();
  auto second = Session();
  EXPECT_TRUE(first->TryLockOperation());
  EXPECT_FALSE(second->TryLockOperation());

  // The program's audit meets the held lock: refused before any statement.
  const ProgramResult busy = root_.Run({"audit-customers"});
  EXPECT_EQ(busy.status, 1);
  EXPECT_NE(busy.err.find(std::string("error: ") + db::kOperationLockBusy), std::string::npos) << busy.err;
  for (const auto& l : server_->Log()) EXPECT_EQ(l.text.find("JUMIN_CHECK"), std::string::npos) << l.text;

  first->UnlockOperation();
  EXPECT_TRUE(second->TryLockOperation());
  // A session that ends gives its lock back (once the server has seen the
  // disconnection, which happens on its own thread: wait for it, bounded).
  second.reset();
  bool regained = false;
  for (int i = 0; i < 100 && !regained; ++i) {
    regained = first->TryLockOperation();
    if (!regained) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  EXPECT_TRUE(regained);
  first.reset();
  const ProgramResult free = root_.Run({"audit-customers"});
  EXPECT_EQ(free.status, 0) << free.err;
}

TEST_F(StandInTest, ConnectionClosedMidAuditEndsTheRunWithTheLoss) {
  ASSERT_NO_FATAL_FAILURE(SeedSchemaAndKey());
  const int year = LastYear();
  SeedCustomers(year);
  struct Case {
    const char* where;
    std::string match;
    int nth;
  } cases[] = {
      {"at the second marking", "^UPDATE TV_BASE..JUMIN_CHECK SET CHK", 2},
      {"at the read", "^SELECT CUSCODE, SEQ, INDATE", 1},
      {"at the count", "^SELECT COUNT\\\\(\\\\*\\\\) AS CNT FROM TV_BASE..JUMIN_CHECK", 1},
  };
  for (const auto& c : cases) {
    server_->SetScenario(Rule(c.match, "close", c.nth));
    const ProgramResult r = root_.Run({"audit-customers", "--year", std::to_string(year)});
    EXPECT_EQ(r.status, 1) << c.where << "\n" << r.err;
    EXPECT_NE(r.err.find("error: " + kLost + "\n"), std::string::npos) << c.where << "\n" << r.err;
    // The driver's own words for the loss follow on the next line.
    EXPECT_NE(r.err.find("error: [FreeTDS]"), std::string::npos) << c.where << "\n" << r.err;
    EXPECT_NE(r.err.find("status: \n"), std::string::npos) << c.where << "\n" << r.err;
    EXPECT_EQ(r.err.find("건 검색"), std::string::npos) << c.where << "\n" << r.err;
    int closed = 0;
    for (const auto& l : server_->Log()) closed += l.outcome == "closed";
    EXPECT_GE(closed, 1) << c.where;
  }
  // Once the server keeps the connection, the same audit runs whole.
  server_->SetScenario("{}");
  const ProgramResult whole = root_.Run({"audit-customers", "--year", std::to_string(year)});
  EXPECT_EQ(whole.status, 0) << whole.err;
  EXPECT_EQ(whole.err, "status: 3건 중 암호화 오입력 환자 2건 검색\n");
}

TEST_F(StandInTest, LoginThatNeverAnswersEndsStartUpWithTheConnectionError) {
  server_->SetScenario("{\"login\": \"silent\"}");
  // The login time-out ends the wait; the limit here only keeps a hang
  // from stalling the test run.
  const ProgramResult r = root_.Run({"sql", "SELECT 1 AS X"}, 90);
  ASSERT_NE(r.status, 124) << "start-up still waiting for the login after 90 s";
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_NE(r.err.find("error: [FreeTDS]"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("message: "), std::string::npos) << r.err;  // the module loaded
  EXPECT_EQ(r.out, "");
  for (const auto& l : server_->Log()) EXPECT_NE(l.outcome, "login");
}

TEST_F(StandInTest, LongKoreanServerErrorArrivesWholeAndValid) {
  ASSERT_NO_FATAL_FAILURE(SeedSchemaAndKey());
  SeedCustomers(LastYear());
  const std::string message = LongKoreanMessage();
  ASSERT_GT(message.size(), 2047u);
  const std::string extra = ", \"number\": 50000, \"message\": \"" + message + "\"";

  // As the sql command's FAILED line.
  server_->SetScenario(Rule("TV_BASE..CD_PERSON", "error", 0, extra));
  const ProgramResult sql = root_.Run({"sql", "SELECT * FROM TV_BASE..CD_PERSON"});
  EXPECT_EQ(sql.status, 1);
  EXPECT_TRUE(IsValidUtf8(sql.out));
  EXPECT_EQ(sql.out, "FAILED: [FreeTDS][SQL Server]" + message + "\n");

  // As the error box of an audit whose copy fails.
  server_->SetScenario(Rule("^SELECT \\\\* INTO TV_BASE..JUMIN_CHECK", "error", 0, extra));
  const ProgramResult audit = root_.Run({"audit-customers"});
  EXPECT_EQ(audit.status, 1);
  EXPECT_TRUE(IsValidUtf8(audit.err));
  EXPECT_NE(audit.err.find("error: [FreeTDS][SQL Server]" + message + "\n"), std::string::npos) << audit.err;
}

TEST_F(StandInTest, FailedRepairShowsTheServersReason) {
  ASSERT_NO_FATAL_FAILURE(SeedSchemaAndKey());
  AddPerson("0000001", "1", "8207161******", "김민수", Encrypt("8207161234567"));
  AddPerson("0000001", "2", "8207161******", "김민수", Encrypt("8207161******"));
  const std::string deadlock =
      "트랜잭션(프로세스 ID 53)이 다른 프로세스와 잠금 리소스에서 교착 상태가 되었으며 교착 상태의 희생자로 "
      "선택되었습니다. 트랜잭션을 다시 실행하십시오.";
  const std::string update = "^UPDATE TV_BASE..CD_PERSON    SET TEMPNUM";
  struct Case {
    std::string scenario;
    std::string lines;  // the error box, as printed
  } cases[] = {
      {Rule(update, "error", 0, ", \"number\": 1205, \"message\": \"" + deadlock + "\""),
       "error: 복구 실패: 고객 암호화 값을 저장하지 못했습니다.\nerror: [FreeTDS][SQL Server]" + deadlock + "\n"},
      {Rule(update, "close"), "error: " + kLost + "\nerror: [FreeTDS]"},
  };
  for (const auto& c : cases) {
    server_->SetScenario(c.scenario);
    const ProgramResult r = root_.Run({"repair", "0000001", "1", "--yes"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find(c.lines), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("복구완료"), std::string::npos) << r.err;
  }
  server_->SetScenario("{}");
  const ProgramResult done = root_.Run({"repair", "0000001", "1", "--yes"});
  EXPECT_EQ(done.status, 0) << done.err;
  EXPECT_NE(done.err.find("message: 복구완료"), std::string::npos) << done.err;

  // As the server received it: the journal's copy and the UPDATE in one
  // transaction, each statement done.
  std::vector<std::pair<std::string, std::string>> seen;  // statement head, outcome
  for (const auto& b : server_->Session(server_->LastSessionOf("COMMIT TRANSACTION")))
    seen.emplace_back(b.text.substr(0, 48), b.outcome);
  const auto begin = std::find(seen.begin(), seen.end(), std::make_pair(std::string("BEGIN TRANSACTION"), std::string("ok")));
  ASSERT_NE(begin, seen.end());
  ASSERT_GE(seen.end() - begin, 4);
  EXPECT_EQ(begin[1].first, std::string("INSERT INTO TV_BASE..JUMINCHECK_JOURNAL(OPID, OPNA").substr(0, 48));
  EXPECT_EQ(begin[2].first.substr(0, 38), "UPDATE TV_BASE..CD_PERSON    SET TEMPN");
  EXPECT_EQ(begin[3], std::make_pair(std::string("COMMIT TRANSACTION"), std::string("ok")));
  EXPECT_EQ(begin[1].second, begin[2].second);  // as many journal rows as records changed
  const auto journal = seed_->backend().Query("SELECT COUNT(*) AS CNT FROM TV_BASE..JUMINCHECK_JOURNAL");
  EXPECT_EQ(journal.rows.at(0).at(0).value_or(""), begin[1].second.substr(3));
}

}  // namespace

// The migration's mapping on the server: built from the plain numbers and
// verified. Run with the Windows program (JC_TDS_WINDOWS_BUILD), the walk is
// made again on a fresh server with the same data and data key by this
// build's own program: the server must receive the same statements, the
// values made by either crypto module included. (The masking run itself
// updates through a derived table and joins texts with "+", which the
// stand-in cannot run; its statements are checked against the embedded
// store.)
class MigrationWalk : public StandInTest {
 protected:
  static constexpr const char* kNumbers[] = {"8207161234567", "7501012345678", "9912312345679"};

  void SeedPlainNumbers() {
    int seq = 1;
    for (const char* number : kNumbers)
      AddPerson("00001" + std::to_string(seq), "1", number, "고객" + std::to_string(seq), std::nullopt), ++seq;
    AddPerson("000020", "1", "8207161******", "마스킹", Encrypt("8207161234567"));
  }

  // Every batch the server received after start-up read the key, in order.
  std::vector<std::string> Statements() const {
    std::vector<std::string> texts;
    for (const auto& l : server_->Log())
      if (l.outcome != "login") texts.push_back(l.outcome.substr(0, l.outcome.find(' ')) + "\t" + l.text);
    return texts;
  }

  void Walk(const ServerRoot& root) {
    for (const auto& step : std::vector<std::vector<std::string>>{
             {"build-mapping"}, {"verify-mapping"}}) {
      const ProgramResult r = root.Run(step, 300);
      ASSERT_EQ(r.status, 0) << step[0] << "\n" << r.out << r.err;
    }
  }

  std::vector<std::vector<std::optional<std::string>>> Rows(const std::string& select) const {
    db::ResultSet rs = seed_->backend().Query(select);
    return rs.rows;
  }
};

TEST_F(MigrationWalk, BuildsAndVerifiesTheMappingAndBothProgramsSendTheSameStatements) {
  ASSERT_NO_FATAL_FAILURE(SeedSchemaAndKey());
  SeedPlainNumbers();
  const auto key = Rows("SELECT * FROM TV_BASE..HIRAEncryption");
  const std::size_t seeded = Statements().size();
  ASSERT_NO_FATAL_FAILURE(Walk(root_));
  std::vector<std::string> walked = Statements();
  walked.erase(walked.begin(), walked.begin() + static_cast<std::ptrdiff_t>(seeded));

  // One entry per plain number (and the empty one), each with the value of
  // its own number.
  const auto entries = Rows("SELECT PANUM, ENCRYPT FROM TV_BASE..TEMP_MAPPING_BAK ORDER BY PANUM");
  ASSERT_EQ(entries.size(), std::size(kNumbers) + 1);
  for (const auto& row : entries) {
    ASSERT_TRUE(row[0] && row[1]);
    EXPECT_EQ(codec_->unit->DecryptJumin(*row[1]), *row[0]);
  }
  EXPECT_NE(std::find_if(walked.begin(), walked.end(),
                         [](const std::string& s) { return s.find("TEMP_MAPPING_BAK") != std::string::npos; }),
            walked.end());
  if (!root_.Program().Windows()) return;

  // The same walk by this build's program, on a fresh server holding the
  // same data and the same data key.
  // The first server goes first: it holds the instance browser's port.
  seed_.reset();
  server_.reset();
  server_ = std::make_unique<StandInServer>();
  ASSERT_TRUE(server_->SkipReason().empty()) << server_->SkipReason();
  seed_ = Connect();
  db::CreatePharmacySchema(*seed_);
  for (const auto& row : key) {
    std::string values;
    for (const auto& cell : row) values += (values.empty() ? "" : ", ") + Sql(cell);
    seed_->backend().Execute("INSERT INTO TV_BASE..HIRAEncryption VALUES (" + values + ")");
  }
  SeedPlainNumbers();
  const std::size_t reseeded = Statements().size();
  const ServerRoot linuxRoot(true);
  ASSERT_NO_FATAL_FAILURE(Walk(linuxRoot));
  std::vector<std::string> linuxWalked = Statements();
  linuxWalked.erase(linuxWalked.begin(), linuxWalked.begin() + static_cast<std::ptrdiff_t>(reseeded));
  EXPECT_EQ(walked, linuxWalked);
}

}  // namespace jc::test

namespace jc::test {
namespace {

// The Windows program's window against the stand-in (a Windows build only):
// under Wine on a virtual display, the window opens with no box and every
// control at its place, read back through the Win32 API from another
// process; the customer audit fills Grid_Main; a click on a listed customer
// fills Grid_Sub, and a right click on its sound row asks and repairs. A
// screenshot after the audit is kept in the build folder.
TEST_F(StandInTest, WindowsWindowOpensWithoutABoxAuditsAndRepairsFromTheHistory) {
  const char* build = std::getenv("JC_TDS_WINDOWS_BUILD");
  if (!root_.Program().Windows() || !build) GTEST_SKIP() << "the Win32 window is tested with a Windows build";
  for (const char* tool : {"xvfb-run", "import", "timeout"})
    ASSERT_FALSE(Which(tool).empty()) << tool << " is missing: run scripts/install-deps.sh";
  ASSERT_NO_FATAL_FAILURE(SeedSchemaAndKey());
  const int year = LastYear();
  SeedCustomers(year);

  const std::string shot = std::string(build) + "/window-after-audit.png";
  std::filesystem::remove(shot);
  const std::string script = std::string(JC_SOURCE_DIR) + "/tests/tds/window_under_wine.sh";
  const ProgramResult r =
      RunProgram({Which("timeout"), "-k", "5", "400", Which("xvfb-run"), "-a", "-s", "-screen 0 1280x1024x24",
                  Which("bash"), script, build, root_.Path(), shot},
                 root_.Program().Environment());
  std::multimap<std::string, std::string> seen;
  std::istringstream lines(r.out);
  for (std::string line; std::getline(lines, line);) {
    const auto space = line.find(' ');
    seen.emplace(line.substr(0, space), space == std::string::npos ? "" : line.substr(space + 1));
  }
  auto one = [&](const std::string& key) {
    auto it = seen.find(key);
    return it == seen.end() ? std::string("<none>") : it->second;
  };
  auto all = [&](const std::string& key) {
    std::vector<std::string> v;
    for (auto [a, b] = seen.equal_range(key); a != b; ++a) v.push_back(a->second);
    return v;
  };
  // On a failure, what the server last received tells a program that never
  // sent its statements from one that waited on them.
  auto serverTail = [&] {
    const auto log = server_->Log();
    std::string tail = "the server's last batches:\n";
    for (std::size_t i = log.size() > 20 ? log.size() - 20 : 0; i < log.size(); ++i)
      tail += std::to_string(log[i].session) + " " + log[i].outcome + " " + log[i].text.substr(0, 100) + "\n";
    return tail;
  };
  ASSERT_EQ(seen.count("error"), 0u) << r.out << r.err << serverTail();
  ASSERT_EQ(seen.count("probe-failed"), 0u) << r.out << r.err << serverTail();

  // Opened with no box, every control where the models place it.
  EXPECT_EQ(one("boxes"), "0") << r.out;
  EXPECT_EQ(one("client"), "463x614");
  ui::FormModel model;
  std::set<std::string> expected;
  for (const ui::TControl* c : model.AllControls())
    expected.insert(c->name + " " + std::to_string(c->left) + " " + std::to_string(c->top) + " " +
                    std::to_string(c->width) + " " + std::to_string(c->height) + " " + (c->visible ? "1" : "0") + " " +
                    (c->enabled ? "1" : "0"));
  const auto controls = all("control");
  EXPECT_EQ(std::set<std::string>(controls.begin(), controls.end()), expected) << r.out;

  // The audit of the default year: the two customers listed.
  EXPECT_EQ(one("year"), std::to_string(year));
  EXPECT_EQ(one("status"), "3건 중 암호화 오입력 환자 2건 검색");
  const std::string yearCell = std::to_string(year) + "년";
  const auto listed = all("main-row");
  EXPECT_EQ(std::set<std::string>(listed.begin(), listed.end()),
            (std::set<std::string>{"1\t김민수\t8207161******\t8207161******\t" + yearCell + "\t0000001",
                                   "1\t정하늘\t8812252******\t8812252******\t" + yearCell + "\t0000005"}));
  EXPECT_EQ(one("screenshot"), shot);
  EXPECT_TRUE(std::filesystem::exists(shot));

  // The first listed customer's history, and the repair from its sound row.
  const std::string customer = listed.empty() ? "" : listed.front().substr(listed.front().rfind('\t') + 1);
  ASSERT_EQ(customer, "0000001") << r.out;
  EXPECT_EQ(one("sub-rows"), "2") << r.out;
  EXPECT_EQ(one("question-buttons"), "110");
  EXPECT_NE(one("question").find("0000001"), std::string::npos) << one("question");
  EXPECT_NE(one("message").find("복구완료"), std::string::npos) << one("message");
  EXPECT_EQ(one("closed"), "yes");
  EXPECT_EQ(one("exit"), "0") << one("program-output");
  const auto values = seed_->backend().Query("SELECT SEQ, TEMPNUM FROM TV_BASE..CD_PERSON WHERE CUSCODE = '0000001'");
  ASSERT_EQ(values.rows.size(), 2u);
  for (const auto& row : values.rows) EXPECT_EQ(codec_->unit->DecryptJumin(row[1].value_or("")), "8207161234567");
}

}  // namespace
}  // namespace jc::test
