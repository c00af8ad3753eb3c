// The T-SQL translation on any statement text (nesting as deep as the input
// goes), and each translated statement that returns rows run on an empty
// in-memory copy of the pharmacy schema with the store's collation and
// functions.
#include <sqlite3.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "db/Query.h"
#include "db/SqliteStore.h"
#include "db/Tsql.h"

namespace {

using namespace jc::db;

int gSteps = 0;  // progress callbacks of the statement running

sqlite3* Store() {
  static sqlite3* db = [] {
    sqlite3* d = nullptr;
    if (sqlite3_open(":memory:", &d) != SQLITE_OK) std::abort();
    // Small limits: a statement may build long texts, but not without bound.
    sqlite3_limit(d, SQLITE_LIMIT_LENGTH, 1 << 20);
    RegisterTsqlExtensions(d);
    for (const std::string& name : StoreDatabases())
      if (name != "master") sqlite3_exec(d, ("ATTACH ':memory:' AS " + tsql::QuoteIdent(name)).c_str(), nullptr, nullptr, nullptr);
    for (const TableSpec& t : PharmacyTables()) {
      std::string create = "CREATE TABLE " + std::string(t.table) + "(";
      for (std::size_t i = 0; i < t.columns.size(); ++i)
        create += (i ? ", " : "") + std::string(t.columns[i].first) + " NVARCHAR(" + std::to_string(t.columns[i].second) +
                  ") NULL";
      if (sqlite3_exec(d, tsql::TranslateInline(create + ")").c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
        std::abort();
    }
    // A statement is stopped after a while: the target is the translator and
    // the functions, not SQLite's patience.
    sqlite3_progress_handler(d, 1000, [](void*) { return ++gSteps > 100 ? 1 : 0; }, nullptr);
    return d;
  }();
  return db;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string sql(reinterpret_cast<const char*>(data), size);
  tsql::Tokens tokens;
  tsql::Translation tr;
  try {
    tsql::Tokenize(sql, tokens);
    tr = tsql::Translate(tokens);
    (void)tsql::TranslateInline(sql);
  } catch (const DbError&) {
    return 0;
  }
  (void)tsql::ReturnsRows(sql);
  if (tr.kind != tsql::StmtKind::Rows) return 0;
  sqlite3* db = Store();
  gSteps = 0;
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db, tr.sql.c_str(), static_cast<int>(tr.sql.size()), &st, nullptr) == SQLITE_OK) {
    for (std::size_t p = 0; p < tokens.literals.size(); ++p)
      sqlite3_bind_text(st, static_cast<int>(p + 1), tokens.literals[p].data(),
                        static_cast<int>(tokens.literals[p].size()), SQLITE_STATIC);
    for (int rows = 0; rows < 100 && sqlite3_step(st) == SQLITE_ROW; ++rows) {
    }
  }
  sqlite3_finalize(st);
  return 0;
}
