#pragma once
// A temporary embedded store with the whole pharmacy schema, for tests: makes
// a fresh folder, opens a connection on it, inserts rows conveniently, reads
// rows back, and deletes the folder at the end.

#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "db/Connection.h"
#include "db/Query.h"
#include "db/SqliteStore.h"

namespace jc::test {

class TestStore {
 public:
  using Value = std::optional<std::string>;  // nullopt inserts NULL

  // schema=false gives the five empty database files without tables.
  explicit TestStore(bool schema = true) {
    std::string templ = (std::filesystem::temp_directory_path() / "jc-store-XXXXXX").string();
    if (!::mkdtemp(templ.data())) throw std::runtime_error("mkdtemp failed");
    folder_ = templ;
    // A copy of a store made once per test program: making a store syncs
    // every file several times, copying does not.
    std::filesystem::copy(TemplateFolder(), folder_, std::filesystem::copy_options::recursive);
    connection_ = std::make_unique<db::TADOConnection>();
    connection_->ConnectionString = db::StoreConnectionString(folder_);
    connection_->Open();
    if (!schema) DropAllTables();
  }
  ~TestStore() {
    connection_.reset();
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }
  TestStore(const TestStore&) = delete;
  TestStore& operator=(const TestStore&) = delete;

  const std::string& Folder() const { return folder_; }
  db::TADOConnection& Connection() { return *connection_; }
  // The connection string that opens this store (for code that opens its own).
  std::string ConnectionString() const { return db::StoreConnectionString(folder_); }

  // Runs T-SQL that returns no rows; throws db::DbError on failure.
  void Exec(const std::string& sql) { connection_->backend().Execute(sql); }
  // Runs a T-SQL SELECT and returns every row.
  db::ResultSet Rows(const std::string& sql) { return connection_->backend().Query(sql); }
  // The rows of a SELECT as texts, NULL written as "<NULL>".
  std::vector<std::vector<std::string>> Texts(const std::string& sql) {
    std::vector<std::vector<std::string>> out;
    for (const auto& row : Rows(sql).rows) {
      std::vector<std::string> r;
      for (const auto& c : row) r.push_back(c ? *c : "<NULL>");
      out.push_back(std::move(r));
    }
    return out;
  }
  // The first column of the first row of a SELECT, as an integer.
  long long Scalar(const std::string& sql) {
    auto rs = Rows(sql);
    if (rs.rows.empty() || !rs.rows[0][0]) return 0;
    return std::stoll(*rs.rows[0][0]);
  }

  // INSERT INTO table(columns...) VALUES(values...), values quoted as texts.
  void Insert(const std::string& table, std::initializer_list<std::pair<std::string, Value>> values) {
    std::string cols, vals;
    for (const auto& [c, v] : values) {
      if (!cols.empty()) {
        cols += ", ";
        vals += ", ";
      }
      cols += c;
      vals += v ? db::QuotedStr(*v) : std::string("NULL");
    }
    Exec("INSERT INTO " + table + "(" + cols + ") VALUES(" + vals + ")");
  }

 private:
  static const std::string& TemplateFolder() {
    static const struct Template {
      std::string folder;
      Template() {
        std::string templ = (std::filesystem::temp_directory_path() / "jc-template-XXXXXX").string();
        if (!::mkdtemp(templ.data())) throw std::runtime_error("mkdtemp failed");
        folder = templ;
        db::CreateStore(folder);
      }
      ~Template() {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
      }
    } t;
    return t.folder;
  }

  void DropAllTables() {
    for (const auto& t : db::PharmacyTables()) Exec("DROP TABLE " + std::string(t.table));
  }

  std::string folder_;
  std::unique_ptr<db::TADOConnection> connection_;
};

}  // namespace jc::test
