// Making and opening an embedded store.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>

#include "db/Names.h"
#include "db/SqliteStore.h"
#include "support/FaultVfs.h"
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

// A store that can no longer be written: the message names the file and the
// cause, and the operation ends (a lost connection) instead of going on.
TEST(StoreFiles, AFileThatCannotBeWrittenIsNamedWithTheCause) {
  test::TestStore store;
  const std::string file = (fs::path(store.Folder()) / "TV_BASE.db").string();
  struct Case {
    const char* name;
    bool readOnly;
    int writeCode;  // of a write that finds no space
    const char* cause;
  } cases[] = {
      {"read-only file", true, 0, "read-only"},
      {"disk full", false, SQLITE_FULL, "no space left"},
      {"disk full, reported as an I/O error", false, SQLITE_IOERR_WRITE, "no space left"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::FaultVfs vfs;
    if (c.readOnly) vfs.readOnly = {"/TV_BASE.db"};
    else vfs.noSpace = {"/TV_BASE.db-wal", "/TV_BASE.db"};
    vfs.writeCode = c.writeCode;
    TADOConnection conn;
    conn.ConnectionString = store.ConnectionString();
    conn.Open();
    // Reading still works; the first write fails.
    EXPECT_NO_THROW(conn.backend().Query("SELECT COUNT(*) FROM TV_BASE..CD_PERSON"));
    try {
      conn.backend().Execute("INSERT INTO TV_BASE..CD_PERSON(CUSCODE) VALUES('C1')");
      ADD_FAILURE() << "the write went through";
    } catch (const ConnectionLost& e) {
      const std::string text = e.ProviderText();
      EXPECT_NE(text.find(file), std::string::npos) << text;
      EXPECT_NE(text.find(c.cause), std::string::npos) << text;
    }
    // The other databases of the store are untouched by it.
    if (c.readOnly) {
      EXPECT_NO_THROW(conn.backend().Execute("INSERT INTO TV_PRES..PS_MAIN(CUSCODE) VALUES('C1')"));
    }
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
