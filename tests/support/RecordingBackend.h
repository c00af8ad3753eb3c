#pragma once
// A backend that hands every statement on to another backend and records it,
// with its outcome, in order. A test attaches its session's query objects to
// a connection running one of these to see what an operation sent to a real
// store (how many pages it read, which rows it marked in between).
#include <memory>
#include <string>
#include <vector>

#include "db/Backend.h"
#include "db/Connection.h"
#include "db/Session.h"

namespace jc::test {

class RecordingBackend : public db::Backend {
 public:
  struct Call {
    bool query;  // true: Query (rows), false: Execute
    std::string sql;
    bool ok;
  };

  explicit RecordingBackend(db::Backend& target) : target_(target) {}

  db::ResultSet Query(const std::string& sql) override {
    calls.push_back({true, sql, false});
    db::ResultSet rs = target_.Query(sql);
    calls.back().ok = true;
    return rs;
  }
  void QueryInto(const std::string& sql, db::RowSink& sink) override {
    calls.push_back({true, sql, false});
    target_.QueryInto(sql, sink);
    calls.back().ok = true;
  }
  long long Execute(const std::string& sql) override {
    calls.push_back({false, sql, false});
    const long long changed = target_.Execute(sql);
    calls.back().ok = true;
    return changed;
  }

  void Idle() override { target_.Idle(); }

  std::vector<Call> calls;

 private:
  db::Backend& target_;
};

// A connection whose backend B hands every statement on to another
// connection's backend (recording it, injecting faults, ...).
template <class B>
struct ConnectionOver {
  explicit ConnectionOver(db::TADOConnection& target) {
    auto owned = std::make_unique<B>(target.backend());
    backend = owned.get();
    connection.Adopt(std::move(owned));
  }
  // Attaches both query objects of a session here.
  void Attach(db::Session& session) {
    session.Ado_Qry.Connection = &connection;
    session.Ado_Exec.Connection = &connection;
  }
  db::TADOConnection connection;
  B* backend = nullptr;  // owned by connection
};

// A connection that records on its way to another connection's backend.
using RecordingConnection = ConnectionOver<RecordingBackend>;

}  // namespace jc::test
