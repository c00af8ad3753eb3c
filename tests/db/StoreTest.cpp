// Making and opening an embedded store.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>

#include "db/Names.h"
#include "db/SqliteStore.h"
#include "support/TestStore.h"

namespace jc::db {
namespace {

namespace fs = std::filesystem;

struct TempDir {
  TempDir() {
    std::string t = (fs::temp_directory_path() / "jc-storetest-XXXXXX").string();
    if (!::mkdtemp(t.data())) throw std::runtime_error("mkdtemp");
    path = t;
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
  std::string path;
};

TEST(CreateStore, MakesEveryPharmacyTableInItsDatabase) {
  TempDir dir;
  const std::string folder = dir.path + "/store";
  CreateStore(folder);
  for (const std::string& name : StoreDatabases()) EXPECT_TRUE(fs::exists(fs::path(folder) / (name + ".db"))) << name;
  TADOConnection c;
  c.ConnectionString = StoreConnectionString(folder);
  c.Open();
  ASSERT_EQ(PharmacyTables().size(), 24u);  // 3 in TV_BASE, 13 in TV_PRES, 6 + 2 in the EDI databases
  for (const TableSpec& t : PharmacyTables()) {
    std::string cols;
    for (const auto& col : t.columns) cols += (cols.empty() ? "" : ", ") + std::string(col.first);
    EXPECT_NO_THROW(c.backend().Query("SELECT " + cols + " FROM " + std::string(t.table))) << t.table;
  }
  // The key table and the text width of the resident numbers.
  c.backend().Execute("INSERT INTO TV_BASE..HIRAEncryption(Encrypt) VALUES('" + std::string(100, 'k') + "')");
  EXPECT_THROW(c.backend().Execute("INSERT INTO TV_BASE..HIRAEncryption(Encrypt) VALUES('" + std::string(101, 'k') + "')"),
               DbError);
  c.backend().Execute("INSERT INTO TV_PRES..QORA_PRESLP(PANAMEJUMIN) VALUES('900101-1234567')");
  // The store file holds WAL mode.
  sqlite3* db = nullptr;
  sqlite3_open_v2((folder + "/TV_BASE.db").c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, "PRAGMA journal_mode", -1, &st, nullptr);
  ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
  EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)), "wal");
  sqlite3_finalize(st);
  sqlite3_close(db);
}

TEST(CreateStore, RefusesAFolderThatIsNotEmpty) {
  TempDir dir;
  std::ofstream(dir.path + "/something") << "x";
  EXPECT_THROW(CreateStore(dir.path), DbError);
  EXPECT_FALSE(fs::exists(fs::path(dir.path) / "master.db"));
  // An existing empty folder is fine.
  TempDir empty;
  EXPECT_NO_THROW(CreateStore(empty.path));
}

TEST(OpenStore, RefusesAFolderWithoutItsFiles) {
  TempDir dir;
  CreateStore(dir.path + "/s");
  fs::remove(fs::path(dir.path) / "s" / "TV_PRES.db");
  TADOConnection c;
  c.ConnectionString = StoreConnectionString(dir.path + "/s");
  try {
    c.Open();
    FAIL();
  } catch (const DbError& e) {
    EXPECT_NE(std::string(e.what()).find("TV_PRES.db"), std::string::npos) << e.what();
  }
}

TEST(OpenStore, TheInstanceSuffixIsIgnored) {
  test::TestStore store;
  TADOConnection c;
  c.ConnectionString = "Data Source=sqlite:" + store.Folder() + "\\quinset";
  EXPECT_NO_THROW(c.Open());
}

}  // namespace
}  // namespace jc::db
