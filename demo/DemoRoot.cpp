#include "demo/DemoRoot.h"

#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <stdexcept>

#include "common/CurrentDirectoryGuard.h"
#include "common/HostPath.h"
#include "crypto/CryptoUnit.h"
#include "crypto/DataKey.h"
#include "db/Connection.h"
#include "db/SqliteStore.h"

namespace jc::demo {

namespace fs = std::filesystem;

namespace {

// Writes rows straight into the store's files in one transaction: the demo
// makes hundreds of thousands of rows, which the statement-per-row runner of
// the tool would commit one by one.
class StoreBulkSink : public RowSink {
 public:
  explicit StoreBulkSink(sqlite3* db) : db_(db) { Exec("BEGIN"); }
  ~StoreBulkSink() override {
    for (auto& [key, stmt] : stmts_) sqlite3_finalize(stmt);
    if (open_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  }

  void Insert(std::string_view table, const std::vector<std::string_view>& columns,
              const std::vector<std::optional<std::string>>& values) override {
    sqlite3_stmt* stmt = Statement(table, columns);
    for (std::size_t i = 0; i < values.size(); ++i) {
      const int rc = values[i]
                         ? sqlite3_bind_text(stmt, static_cast<int>(i + 1), values[i]->data(),
                                             static_cast<int>(values[i]->size()), SQLITE_TRANSIENT)
                         : sqlite3_bind_null(stmt, static_cast<int>(i + 1));
      Check(rc);
    }
    const int rc = sqlite3_step(stmt);
    sqlite3_reset(stmt);
    if (rc != SQLITE_DONE) Check(rc);
    if (++pending_ >= 200000) {  // keep the write-ahead log bounded
      Exec("COMMIT");
      Exec("BEGIN");
      pending_ = 0;
    }
  }

  void Commit() {
    Exec("COMMIT");
    open_ = false;
  }

 private:
  sqlite3_stmt* Statement(std::string_view table, const std::vector<std::string_view>& columns) {
    std::string key(table);
    for (auto c : columns) key.append(",").append(c);
    auto it = stmts_.find(key);
    if (it != stmts_.end()) return it->second;
    // "DB..TABLE" is "DB"."TABLE" in the store.
    const auto dots = table.find("..");
    std::string sql = "INSERT INTO \"" + std::string(table.substr(0, dots)) + "\".\"" +
                      std::string(table.substr(dots + 2)) + "\" (";
    for (std::size_t i = 0; i < columns.size(); ++i)
      sql += (i ? ",\"" : "\"") + std::string(columns[i]) + "\"";
    sql += ") VALUES (";
    for (std::size_t i = 0; i < columns.size(); ++i) sql += i ? ",?" : "?";
    sql += ")";
    sqlite3_stmt* stmt = nullptr;
    Check(sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr));
    stmts_.emplace(key, stmt);
    return stmt;
  }

  void Exec(const char* sql) { Check(sqlite3_exec(db_, sql, nullptr, nullptr, nullptr)); }
  void Check(int rc) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
      throw std::runtime_error(std::string("demo store: ") + sqlite3_errmsg(db_));
  }

  sqlite3* db_;
  std::map<std::string, sqlite3_stmt*> stmts_;
  long pending_ = 0;
  bool open_ = true;
};

}  // namespace

DemoSummary MakeDemoRoot(const DemoRootOptions& options, Shell& shell) {
  const fs::path root = fs::absolute(options.dir);
  const fs::path telvaro = root / "TELVARO";
  const fs::path ini = telvaro / "TELVARO.ini";
  const fs::path store = root / kDemoStoreFolder;
  if (fs::exists(ini)) throw std::runtime_error(ini.string() + " already exists");
  if (fs::exists(store)) throw std::runtime_error(store.string() + " already exists");
  if (!fs::is_regular_file(options.modulePath))
    throw std::runtime_error("crypto module not found: " + options.modulePath);

  CurrentDirectoryGuard cwd;
  const PathMapper paths(root.string());
  const fs::path moduleFile = paths.Map(crypto::CryptoUnit::ModuleFile);
  fs::create_directories(moduleFile.parent_path());
  fs::copy_file(options.modulePath, moduleFile, fs::copy_options::overwrite_existing);

  db::CreateStore(store.string());

  crypto::CryptoUnit unit(shell, paths);
  if (!unit.LoadCryptoModule()) throw std::runtime_error("the crypto module did not load");

  db::TADOConnection writer;
  writer.ConnectionString = db::StoreConnectionString(store.string());
  writer.Open();
  std::string error;
  if (!crypto::CreateDataKey(unit, writer, error))
    throw std::runtime_error("data key: " + error);

  std::unique_ptr<db::TADOConnection> keyConnection;
  unit.CreateKeyStore([&]() -> db::TADOConnection& {
    keyConnection = std::make_unique<db::TADOConnection>();
    keyConnection->ConnectionString = writer.ConnectionString;
    keyConnection->Open();
    return *keyConnection;
  });

  auto* backend = dynamic_cast<db::SqliteBackend*>(&writer.backend());
  if (!backend) throw std::runtime_error("the demo store is not an embedded store");
  StoreBulkSink sink(backend->Handle());
  DemoSummary summary = GenerateDemoData(options.data, unit, sink);
  sink.Commit();
  unit.DestroyKeyStore();

  // The INI file last: a root with an INI file is a finished root.
  fs::create_directories(telvaro);
  std::ofstream(ini, std::ios::binary) << "[DATAPATH]\r\nPATH=" << kDemoIniPath << "\r\n";
  return summary;
}

}  // namespace jc::demo
