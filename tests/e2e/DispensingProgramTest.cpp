// The dispensing audit with its restore, and the normal-data report, as a
// user runs them: the jumincheck program against a demo root, judged by what
// it prints, its exit status and what the store holds afterwards.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "db/Connection.h"
#include "db/SqliteStore.h"
#include "demo/DemoRoot.h"
#include "support/FakeShell.h"
#include "support/RunProgram.h"

namespace jc {
namespace {

namespace fs = std::filesystem;

const std::string kProgram = std::string(JC_BIN_DIR) + "/jumincheck";

// The blocks of stdout (separated by an empty line), each as rows of cells.
using Block = std::vector<std::vector<std::string>>;
std::vector<Block> Blocks(const std::string& text) {
  std::vector<Block> blocks(1);
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty()) {
      blocks.emplace_back();
      continue;
    }
    std::vector<std::string> cells;
    std::size_t start = 0;
    for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
      cells.push_back(line.substr(start, tab - start));
    cells.push_back(line.substr(start));
    blocks.back().push_back(std::move(cells));
  }
  return blocks;
}

class DispensingProgram : public ::testing::Test {
 protected:
  DispensingProgram()
      : dir_(fs::temp_directory_path() / ("jc_e2e_disp_" + std::to_string(::getpid()))) {
    fs::remove_all(dir_);
    demo::DemoRootOptions o;
    o.dir = dir_.string();
    o.modulePath = JC_MODULE_PATH;
    o.data.customers = 200;
    o.data.seed = 17;
    o.data.today = demo::Date{2014, 6, 1};
    test::FakeShell shell;
    demo::MakeDemoRoot(o, shell);
  }
  ~DispensingProgram() override { fs::remove_all(dir_); }

  test::ProgramResult Run(std::vector<std::string> args) const {
    args.insert(args.begin(), {kProgram, "--root", dir_.string()});
    return test::RunProgram(args);
  }
  std::string Encrypt(const std::string& text) const {
    const auto r = Run({"encrypt", text});
    EXPECT_EQ(r.status, 0) << r.err;
    return r.out.substr(0, r.out.find('\n'));
  }
  // Seeding and checking go straight to the store, not through the program.
  void Sql(const std::string& sql) const {
    db::TADOConnection store;
    store.ConnectionString = db::StoreConnectionString((dir_ / "store").string());
    store.Open();
    store.backend().Execute(sql);
  }
  std::string Value(const std::string& table, const std::string& preserial) const {
    db::TADOConnection store;
    store.ConnectionString = db::StoreConnectionString((dir_ / "store").string());
    store.Open();
    const auto rs = store.backend().Query("SELECT TEMPNUM FROM " + table +
                                          " WHERE PRESERIAL = '" + preserial + "'");
    return rs.rows.size() == 1 && rs.rows[0][0] ? *rs.rows[0][0] : "?";
  }
  // A trigger in the store file that refuses every UPDATE of a table, as a
  // server-side rule would.
  void RefuseUpdates(const std::string& database, const std::string& table) const {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((dir_ / "store" / (database + ".db")).c_str(), &db), SQLITE_OK);
    char* error = nullptr;
    const std::string sql = "CREATE TRIGGER refuse_update BEFORE UPDATE ON " + table +
                            " BEGIN SELECT RAISE(ABORT, 'updates refused'); END";
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK)
        << (error ? error : "");
    sqlite3_free(error);
    sqlite3_close(db);
  }

  fs::path dir_;
};

TEST_F(DispensingProgram, AuditWithRestorePrintsBothGridsAndTheRestoredPairs) {
  const std::string sound = Encrypt("8001011234567"), bad = Encrypt("8001011******");
  Sql("INSERT INTO TV_BASE..CD_PERSON(CUSCODE, SEQ, PANAME, INDATE, PANUM, TEMPNUM, CUSACT) "
      "VALUES('9900001', '1', '복구대상', '20100101', '8001011******', '" + sound + "', '1')");
  for (const std::string table : {"TV_PRES..PS_MAIN", "TV_PRES..INS_COMPOS"})
    for (const std::string serial : {"R000000001", "R000000002"})
      Sql("INSERT INTO " + table + "(PRESERIAL, CUSCODE, PANAME, INDATE, PANUM, TEMPNUM) VALUES('" +
          serial + "', '9900001', '복구대상', '20130101', '8001011******', '" + bad + "')");

  const auto r = Run({"audit-dispensing", "--table", "INS_COMPOS", "--from", "20000101", "--to",
                      "20991231", "--restore"});

  ASSERT_EQ(r.status, 0) << r.err;
  const auto blocks = Blocks(r.out);
  ASSERT_EQ(blocks.size(), 3u) << r.out;
  const std::vector<std::string> headers = {"일련번호", "이름",     "주민번호",
                                            "암호해제값", "암호화값", "고객코드"};
  EXPECT_EQ(blocks[0][0], headers);
  ASSERT_EQ(blocks[1].size(), blocks[0].size());  // one pair per listed row
  for (std::size_t i = 1; i < blocks[0].size(); ++i) {
    EXPECT_NE(blocks[0][i][3].find('*'), std::string::npos);
    EXPECT_EQ(blocks[1][i][0], blocks[0][i][0]);
  }
  EXPECT_EQ(blocks[2], (Block{{"일련번호", "고객코드"},
                              {"R000000001", "9900001"},
                              {"R000000002", "9900001"}}));
  EXPECT_EQ(Value("TV_PRES..INS_COMPOS", "R000000001"), sound);
  EXPECT_EQ(Value("TV_PRES..PS_MAIN", "R000000001"), bad);

  // Where the store refuses the update, the command says so and fails.
  RefuseUpdates("TV_PRES", "PS_MAIN");
  const auto refused = Run({"audit-dispensing", "--table", "PS_MAIN", "--from", "20000101",
                            "--to", "20991231", "--restore"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("2 restore statement(s) failed"), std::string::npos) << refused.err;
  const auto refusedBlocks = Blocks(refused.out);
  ASSERT_EQ(refusedBlocks.size(), 3u);
  EXPECT_EQ(refusedBlocks[2], (Block{{"일련번호", "고객코드"}}));
  EXPECT_EQ(Value("TV_PRES..PS_MAIN", "R000000001"), bad);
}

TEST_F(DispensingProgram, ReportPrintsItsListAndCountsAndWrongUsageIsRefused) {
  const auto r = Run({"report-normal"});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto rows = Blocks(r.out)[0];
  ASSERT_GE(rows.size(), 2u);
  for (std::size_t i = 1; i < rows.size(); ++i) EXPECT_EQ(rows[i][0], std::to_string(i));
  const std::string listedNext = " 건 / " + std::to_string(rows.size()) + " 건\n";
  EXPECT_NE(r.err.find("status: "), std::string::npos) << r.err;
  EXPECT_NE(r.err.find(listedNext), std::string::npos) << r.err;

  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"audit-dispensing"},
        {"audit-dispensing", "--table", "SALE_MAIN"},
        {"audit-dispensing", "--table", "PS_MAIN", "--from", "20130101"},
        {"audit-dispensing", "--table", "PS_MAIN", "--from", "2013-01-01", "--to", "20131231"},
        {"audit-dispensing", "--table", "PS_MAIN", "--from", "20130231", "--to", "20131231"},
        {"audit-dispensing", "--table", "PS_MAIN", "--from", "20131231", "--to", "20130101"},
        {"report-normal", "extra"}}) {
    const auto usage = Run(args);
    EXPECT_EQ(usage.status, 2) << args.back();
    EXPECT_NE(usage.err.find("usage:"), std::string::npos);
  }
}

}  // namespace
}  // namespace jc
