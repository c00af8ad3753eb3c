#pragma once
// A database backend that answers from a script instead of a database and
// records every statement handed to it, in order. Adopted by a connection,
// it lets a test run an operation against exact results and failures and
// then read back what the operation sent.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "db/Backend.h"
#include "db/Connection.h"
#include "db/Session.h"

namespace jc::test {

class ScriptedBackend : public db::Backend {
 public:
  struct Call {
    bool query;  // true: Query (rows), false: Execute
    std::string sql;
  };

  // Answers a Query; throw db::DbError to fail it. Unset: every query fails.
  std::function<db::ResultSet(const std::string& sql)> onQuery;
  // Runs an Execute; throw db::DbError to fail it. Unset: every statement succeeds.
  std::function<void(const std::string& sql)> onExecute;
  // The rows an Execute reports changed. Unset: -1, as an engine that does
  // not tell.
  std::function<long long(const std::string& sql)> onRowsChanged;

  db::ResultSet Query(const std::string& sql) override {
    calls.push_back({true, sql});
    if (!onQuery) throw db::DbError("no result scripted for: " + sql);
    return onQuery(sql);
  }
  long long Execute(const std::string& sql) override {
    calls.push_back({false, sql});
    if (onExecute) onExecute(sql);
    return onRowsChanged ? onRowsChanged(sql) : -1;
  }

  // The statements sent so far, in order (queries and executions together).
  std::vector<std::string> Statements() const {
    std::vector<std::string> out;
    for (const Call& c : calls) out.push_back(c.sql);
    return out;
  }
  std::size_t ExecuteCount() const {
    std::size_t n = 0;
    for (const Call& c : calls) n += c.query ? 0 : 1;
    return n;
  }

  std::vector<Call> calls;
};

// A session whose two query objects are attached to a connection that runs a
// ScriptedBackend.
struct ScriptedSession {
  ScriptedSession() {
    auto owned = std::make_unique<ScriptedBackend>();
    backend = owned.get();
    connection.Adopt(std::move(owned));
    db.Ado_Qry.Connection = &connection;
    db.Ado_Exec.Connection = &connection;
  }
  db::TADOConnection connection;
  ScriptedBackend* backend = nullptr;  // owned by connection
  db::Session db;
};

// A result set from column names and rows of texts (nullopt cells are NULL).
inline db::ResultSet MakeResult(std::vector<std::string> columns,
                                std::vector<std::vector<db::Cell>> rows) {
  return db::ResultSet{std::move(columns), std::move(rows)};
}

}  // namespace jc::test
