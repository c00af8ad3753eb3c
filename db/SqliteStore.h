#pragma once
// The embedded store: a folder with one SQLite file per database. master.db
// is the main file; TV_BASE.db, TV_PRES.db, TV_EDIRECE.db and TV_EDISEND.db
// are attached under their database names. Statements arrive in T-SQL and are
// translated (db/Tsql.h); translated statements are prepared once and kept in
// a small cache keyed on the literal-free statement text.
//
// Every statement commits on its own; the files run in WAL mode with
// synchronous=NORMAL. The WAL is not checkpointed automatically after
// commits: a checkpoint in the middle of a run of single-row commits holds
// up the commit that triggers it. It is checkpointed when the session is
// idle (Idle: the operations' pauses and ends), and, so that a long run of
// commits without a pause cannot grow it without bound, whenever it passes
// kWalCeilingFrames frames. Every commit is in the WAL either way.
#include <list>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "db/Backend.h"
#include "db/Tsql.h"

struct sqlite3;
struct sqlite3_stmt;

namespace jc::db {

class TADOConnection;

// The database files of a store, main file first.
const std::vector<std::string>& StoreDatabases();

class SqliteBackend : public Backend {
 public:
  // Opens an existing store folder. Throws DbError when the folder or one of
  // its files is missing.
  explicit SqliteBackend(const std::string& folder);
  ~SqliteBackend() override;
  SqliteBackend(const SqliteBackend&) = delete;
  SqliteBackend& operator=(const SqliteBackend&) = delete;

  ResultSet Query(const std::string& sql) override;
  void QueryInto(const std::string& sql, RowSink& sink) override;
  long long Execute(const std::string& sql) override;
  // Checkpoints the WAL of every database file (see the class comment).
  void Idle() override;
  // An exclusive advisory lock (flock) on the store folder; other processes
  // that try it meanwhile are refused. Taken again by the same session it is
  // counted (as the server's application lock is), and released when every
  // taking has been released, or with the process.
  bool TryLockOperation() override;
  void UnlockOperation() override;

  sqlite3* Handle() const { return db_; }
  const std::string& Folder() const { return folder_; }

 private:
  struct Cached;
  // Runs one statement; returns the rows a DML statement changed, -1 for
  // any other.
  long long Run(const std::string& sql, bool wantRows, RowSink* out);
  sqlite3_stmt* Prepare(const std::string& sql);

  tsql::Tokens tokens_;  // reused between statements
  sqlite3* db_ = nullptr;
  std::string folder_;
  int lockFd_ = -1;  // the store folder, open while the operation lock is held
  int lockDepth_ = 0;
  // LRU cache of prepared statements keyed on the literal-free template.
  std::list<std::string> lru_;
  std::unordered_map<std::string, std::unique_ptr<Cached>> cache_;
  static constexpr std::size_t kCacheSize = 64;

 public:
  // Frames (pages) the WAL of one database file may hold before a commit
  // checkpoints it: 256 MB of 4 KB pages.
  static constexpr int kWalCeilingFrames = 65536;
};

// One table of the pharmacy schema: qualified name and its text columns
// with their widths (NVARCHAR(width)).
struct TableSpec {
  std::string_view table;
  std::vector<std::pair<std::string_view, int>> columns;
};
const std::vector<TableSpec>& PharmacyTables();

// Registers the TSQL collation and the T-SQL helper functions on a handle.
void RegisterTsqlExtensions(sqlite3* db);

// Makes an empty store with the whole pharmacy schema. Refuses a folder that
// exists and is not empty. Throws DbError.
void CreateStore(const std::string& folder);

// Creates every pharmacy table (and its indexes) on an open connection.
void CreatePharmacySchema(TADOConnection& connection);

// The connection string that opens the store in folder (absolute path).
std::string StoreConnectionString(const std::string& folder);

}  // namespace jc::db
