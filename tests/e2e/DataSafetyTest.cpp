// The program under bad conditions, as a user runs it: an unusable key, and
// two instances working on one store at once.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "db/Connection.h"
#include "db/SqliteStore.h"
#include "support/DemoProgram.h"

namespace jc {
namespace {

using test::DemoRoot;
using test::ParseTsv;
using test::Today;

// Raw SQL on a demo root's store, beside the program (as another tool would).
class RawStore {
 public:
  explicit RawStore(const DemoRoot& root) {
    connection_.ConnectionString = db::StoreConnectionString((root.dir / demo::kDemoStoreFolder).string());
    connection_.Open();
  }
  void Exec(const std::string& sql) {
    char* message = nullptr;
    auto& backend = dynamic_cast<db::SqliteBackend&>(connection_.backend());
    if (sqlite3_exec(backend.Handle(), sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
      std::string text = message ? message : "?";
      sqlite3_free(message);
      throw std::runtime_error(sql + ": " + text);
    }
  }
  long long Scalar(const std::string& tsql) {
    const auto rs = connection_.backend().Query(tsql);
    return rs.rows.empty() || !rs.rows[0][0] ? 0 : std::stoll(*rs.rows[0][0]);
  }
  std::string Dump(const std::string& tsql) {
    std::string out;
    for (const auto& row : connection_.backend().Query(tsql).rows) {
      for (const auto& c : row) out += (c ? *c : "<NULL>") + "\t";
      out += "\n";
    }
    return out;
  }

 private:
  db::TADOConnection connection_;
};

const char* const kPersons = "SELECT CUSCODE, SEQ, PANUM, TEMPNUM FROM TV_BASE..CD_PERSON ORDER BY CUSCODE, SEQ";

int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// With the key table emptied every decryption comes back empty, which holds
// no '*'. The audit must not report "0건 검색" as a clean result, and a repair
// must not copy a value that gives no number back over the customer's values.
TEST(ProgramWithoutAUsableKey, AuditAndRepairRefuseAndChangeNothing) {
  DemoRoot root("nokey", 200, 21);
  std::string code;
  for (const auto& f : root.summary.findings)
    if (f.seq != "1") code = f.cuscode;
  ASSERT_FALSE(code.empty());
  RawStore store(root);
  const std::string keys = store.Dump("SELECT Encrypt FROM TV_BASE..HIRAEncryption");

  struct Damage {
    const char* name;
    std::string sql;
  };
  for (const Damage& d : {Damage{"no key", "DELETE FROM TV_BASE.HIRAEncryption"},
                          Damage{"damaged key row",
                                 "UPDATE TV_BASE.HIRAEncryption SET Encrypt = 'AAAAAAAAAAAAAAAAAAAAAAAA01'"}}) {
    store.Exec(d.sql);
    const std::string before = store.Dump(kPersons);

    const auto audit = root.Run({"audit-customers"});
    EXPECT_EQ(audit.status, 1) << d.name << "\n" << audit.err;
    // One error box (its reason on a second line), and no module box from
    // the audit itself (start-up's warm-up may have shown one for a damaged key).
    EXPECT_EQ(Count(audit.err, "error: 암호화 모듈이나 암호화 키를 사용할 수 없어"), 1) << d.name << "\n" << audit.err;
    EXPECT_EQ(Count(audit.err, "error: "), 2) << d.name << "\n" << audit.err;
    const auto startUpOnly = root.Run({"sql", "SELECT 1 AS X"});
    EXPECT_EQ(Count(audit.err, "message: "), Count(startUpOnly.err, "message: ")) << d.name << "\n" << audit.err;
    EXPECT_EQ(audit.err.find("건 검색"), std::string::npos) << d.name << "\n" << audit.err;

    // The history view lists as before (every row, since none decrypts to
    // a masked text); the repair refuses with its reason and status 1.
    const auto repair = root.Run({"repair", code, "2", "--yes"});
    EXPECT_EQ(repair.status, 1) << d.name << "\n" << repair.err;
    EXPECT_NE(repair.err.find("message: 복구할 암호화 값이 올바른 주민번호로 복호화되지 않아"), std::string::npos)
        << d.name << "\n" << repair.err;
    EXPECT_EQ(repair.err.find("복구완료"), std::string::npos) << d.name;

    EXPECT_EQ(store.Dump(kPersons), before) << d.name;
    // Put the key back: the audit works again.
    store.Exec("DELETE FROM TV_BASE.HIRAEncryption");
    for (const auto& row : ParseTsv(keys))
      if (!row.empty() && !row[0].empty())
        store.Exec("INSERT INTO TV_BASE.HIRAEncryption(Encrypt) VALUES('" + row[0] + "')");
    EXPECT_EQ(root.Run({"audit-customers"}).status, 0) << d.name;
  }
}

// Two instances on one store: while one runs an audit (here in its pause
// between pages), the other is refused with a clear error and changes
// nothing; reading commands still work; once the first has ended, the second
// runs.
TEST(TwoInstances, OneOperationAtATimePerStore) {
  DemoRoot root("twoinst", 50, 22);
  RawStore store(root);
  const int year = Today().year - 1;
  // Enough masked customers dispensed last year for the audit to read in
  // five pages, with its real 4-second pause after each: a window of about
  // 20 s in which the second instance is tried, ample on a loaded machine.
  const auto encrypted = root.Run({"encrypt", "9001011******"});  // made from a masked number
  ASSERT_EQ(encrypted.status, 0) << encrypted.err;
  const std::string value = encrypted.out.substr(0, encrypted.out.find('\n'));
  store.Exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 40050) "
             "INSERT INTO TV_BASE.CD_PERSON(CUSCODE, SEQ, INDATE, PANUM, PANAME, TEMPNUM, CUSACT) "
             "SELECT 'LOAD' || i, '1', '20100101', '9001011******', 'load', '" + value + "', '1' FROM n");
  store.Exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 40050) "
             "INSERT INTO TV_PRES.PS_MAIN(PRESERIAL, CUSCODE, INDATE, PANUM, PANAME, TEMPNUM) "
             "SELECT 'LOADP' || i, 'LOAD' || i, '" + std::to_string(year) + "0601', '9001011******', 'load', '" +
             value + "' FROM n");

  test::ProgramResult first;
  std::atomic<bool> firstEnded{false};
  std::thread runner([&] {
    first = root.Run({"audit-customers"});
    firstEnded = true;
  });
  // Wait until the first audit has read its first page: it is then in its pause.
  bool paging = false;
  for (int i = 0; i < 600 && !paging; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    try {
      paging = store.Scalar("SELECT COUNT(*) AS CNT FROM TV_BASE..JUMIN_CHECK WHERE CHK = '1'") >= 10000;
    } catch (const std::exception&) {
    }
  }
  ASSERT_TRUE(paging) << "the first audit never reached its first pause";

  const std::string persons = store.Dump(kPersons);
  const auto second = root.Run({"audit-customers"});
  EXPECT_EQ(second.status, 1) << second.err;
  EXPECT_NE(second.err.find("error: 다른 프로그램(인스턴스)이 이 데이터베이스에서 작업을 실행 중입니다"),
            std::string::npos)
      << second.err;
  EXPECT_EQ(second.err.find("건 검색"), std::string::npos) << second.err;
  std::string code;  // a customer whose history offers a sound row
  for (const auto& f : root.summary.findings)
    if (f.seq != "1") code = f.cuscode;
  ASSERT_FALSE(code.empty());
  const auto repair = root.Run({"repair", code, "1", "--yes"});
  EXPECT_EQ(repair.status, 1) << repair.err;
  EXPECT_NE(repair.err.find("다른 프로그램(인스턴스)"), std::string::npos) << repair.err;
  // A raw statement that writes waits its turn like an operation.
  const auto write = root.Run({"sql", "UPDATE TV_BASE..CD_PERSON SET PANAME = 'changed' WHERE CUSCODE = 'LOAD1'"});
  EXPECT_EQ(write.status, 1) << write.err;
  EXPECT_NE(write.err.find("error: 다른 프로그램(인스턴스)"), std::string::npos) << write.err;
  EXPECT_EQ(write.out.find("OK"), std::string::npos) << write.out;
  // Reading is not blocked.
  EXPECT_EQ(root.Run({"sql", "SELECT COUNT(*) AS CNT FROM TV_BASE..CD_PERSON"}).status, 0);
  EXPECT_EQ(root.Run({"history", "LOAD1"}).status, 0);
  EXPECT_EQ(store.Dump(kPersons), persons);
  // All of the above happened while the first audit was still running.
  EXPECT_FALSE(firstEnded) << "the first audit ended before the second instance was tried";

  runner.join();
  EXPECT_EQ(first.status, 0) << first.err;
  const long long total = store.Scalar("SELECT COUNT(*) AS CNT FROM TV_BASE..JUMIN_CHECK");
  EXPECT_GT(total, 40050);
  EXPECT_NE(first.err.find("status: " + std::to_string(total) + "건 중 암호화 오입력 환자 "), std::string::npos)
      << first.err;
  // Each listed once: no second instance interfered with the marks.
  EXPECT_EQ(store.Scalar("SELECT COUNT(*) AS CNT FROM TV_BASE..JUMIN_CHECK WHERE CHK <> '1'"), 0);
  EXPECT_EQ(Count(first.out, "\tLOAD"), 40050) << "listed rows";
  // The first has ended: the lock is free again.
  EXPECT_EQ(root.Run({"repair", "no-such-code", "1", "--yes"}).err.find("다른 프로그램"), std::string::npos);
}

}  // namespace
}  // namespace jc
