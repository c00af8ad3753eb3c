#pragma once
// One open database session, whatever the engine behind it. The connection
// object selects the backend from its data source (SQL Server through ODBC,
// or the embedded SQLite store) and hands statements to it unchanged.
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace jc::db {

// An error raised by the database provider; what() is the provider's text.
class DbError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

using Cell = std::optional<std::string>;  // nullopt is SQL NULL

// A result fetched whole: column names in order, then every row.
struct ResultSet {
  std::vector<std::string> columns;
  std::vector<std::vector<Cell>> rows;
};

class Backend {
 public:
  virtual ~Backend() = default;
  // Runs a statement that returns rows and fetches every row. Throws DbError.
  virtual ResultSet Query(const std::string& sql) = 0;
  // Runs a statement that returns no rows. Throws DbError.
  virtual void Execute(const std::string& sql) = 0;
};

}  // namespace jc::db
