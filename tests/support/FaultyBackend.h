#pragma once
// A backend that hands statements on to another backend and, at the Nth
// statement (counted from 1 over queries and executions), injects a fault:
// that statement fails as a statement does (the store's error), or the
// connection is lost there and every later statement fails the same way.
// Records every statement with its outcome, in order.
#include <string>
#include <vector>

#include "db/Backend.h"
#include "db/Connection.h"
#include "db/Session.h"
#include "support/RecordingBackend.h"

namespace jc::test {

class FaultyBackend : public db::Backend {
 public:
  enum class Fault { None, FailStatement, LoseConnection };
  struct Call {
    bool query;
    std::string sql;
    bool ok;
  };

  explicit FaultyBackend(db::Backend& target) : target_(target) {}

  // Arms the fault for statement number at (1-based) from now on.
  void Inject(Fault fault, int at) {
    fault_ = fault;
    at_ = at;
    count_ = 0;
    lost_ = false;
    calls.clear();
  }

  db::ResultSet Query(const std::string& sql) override {
    calls.push_back({true, sql, false});
    Step(sql);
    db::ResultSet rs = target_.Query(sql);
    calls.back().ok = true;
    return rs;
  }
  long long Execute(const std::string& sql) override {
    calls.push_back({false, sql, false});
    Step(sql);
    const long long changed = target_.Execute(sql);
    calls.back().ok = true;
    return changed;
  }
  bool TryLockOperation() override {
    if (lost_) throw db::ConnectionLost("injected: the connection was closed");
    return target_.TryLockOperation();
  }
  void UnlockOperation() override { target_.UnlockOperation(); }

  int Count() const { return count_; }
  bool Lost() const { return lost_; }
  std::vector<Call> calls;

 private:
  void Step(const std::string&) {
    ++count_;
    if (lost_) throw db::ConnectionLost("injected: the connection was closed");
    if (count_ != at_) return;
    if (fault_ == Fault::FailStatement) throw db::DbError("injected: the statement failed");
    if (fault_ == Fault::LoseConnection) {
      lost_ = true;
      // The server ends the lost session's open transaction: its changes
      // never took place.
      try {
        target_.Execute("ROLLBACK TRANSACTION");
      } catch (const db::DbError&) {
      }
      throw db::ConnectionLost("injected: the connection was closed");
    }
  }

  db::Backend& target_;
  Fault fault_ = Fault::None;
  int at_ = 0;
  int count_ = 0;
  bool lost_ = false;
};

// A connection that injects faults on its way to another connection's backend.
using FaultyConnection = ConnectionOver<FaultyBackend>;

}  // namespace jc::test
