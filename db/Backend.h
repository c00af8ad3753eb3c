#pragma once
// One open database session, whatever the engine behind it. The connection
// object selects the backend from its data source (SQL Server through ODBC,
// or the embedded SQLite store) and hands statements to it unchanged.
#include <functional>
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

// The connection itself is gone (ODBC's communication-link states, class 08;
// a store file that can no longer be read or written). Unlike a failing
// statement, this is never ignored: the runner passes it on, so the running
// operation ends with an error instead of reporting a partial run as done.
// what() names the loss and carries the provider's text.
class ConnectionLost : public DbError {
 public:
  explicit ConnectionLost(const std::string& providerText);
  const std::string& ProviderText() const { return provider_; }

 private:
  std::string provider_;
};

using Cell = std::optional<std::string>;  // nullopt is SQL NULL

// A result fetched whole: column names in order, then every row.
struct ResultSet {
  std::vector<std::string> columns;
  std::vector<std::vector<Cell>> rows;
};

// Takes a result as the backend reads it, row after row, so that the caller
// decides what to keep: the backend holds no more than the row at hand.
class RowSink {
 public:
  virtual ~RowSink() = default;
  // The column names, once, before the first row.
  virtual void Columns(const std::vector<std::string>& names) = 0;
  // One row, one cell per column; the cells are the backend's and change
  // after the call returns.
  virtual void Row(const std::vector<Cell>& cells) = 0;
};

// A sink that keeps the whole result (for results known to be small).
struct CollectingSink : RowSink {
  ResultSet result;
  void Columns(const std::vector<std::string>& names) override;
  void Row(const std::vector<Cell>& cells) override;
};

class Backend {
 public:
  virtual ~Backend() = default;
  // Runs a statement that returns rows and fetches every row. Throws DbError.
  virtual ResultSet Query(const std::string& sql) = 0;
  // Runs a statement that returns rows and hands them to sink one by one,
  // every row before it returns (the statement is done with then, so the next
  // one can run). Throws DbError; rows handed over before the failure are the
  // sink's to discard. This one fetches the whole result through Query; the
  // engines' own backends stream it.
  virtual void QueryInto(const std::string& sql, RowSink& sink);
  // Runs a statement that returns no rows. Returns the number of rows it
  // changed (INSERT, UPDATE, DELETE), or -1 when the engine does not tell
  // (DDL, a batch). Throws DbError.
  virtual long long Execute(const std::string& sql) = 0;

  // The lock that lets one operation at a time work on this database, across
  // every instance of the tool (its scratch and work tables are shared).
  // Taken without waiting: false when another instance holds it. Taking it
  // again in the same session is counted; it is held until as many
  // UnlockOperation calls, or the end of the session.
  virtual bool TryLockOperation() { return true; }
  virtual void UnlockOperation() {}

  // A pause between statements (an operation's pause between pages or
  // tables, or its end): the moment for housekeeping that would otherwise
  // hold up a statement. No statement is running and none is open.
  virtual void Idle() {}

  // Told of every statement the backend sends on its own account (the lock
  // requests), as sent, and whether it succeeded; the connection's trace
  // records them beside the statements handed in through Query and Execute.
  using StatementObserver = std::function<void(const std::string& sql, bool ok)>;
  void SetStatementObserver(StatementObserver observer) { observer_ = std::move(observer); }

 protected:
  // Runs step, which sends sql, and tells the observer how it went.
  template <class Step>
  auto Observed(const std::string& sql, Step step) {
    try {
      auto result = step();
      if (observer_) observer_(sql, true);
      return result;
    } catch (...) {
      if (observer_) observer_(sql, false);
      throw;
    }
  }

 private:
  StatementObserver observer_;
};

}  // namespace jc::db
