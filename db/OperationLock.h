#pragma once
// One operation at a time per database, across instances: an operation that
// works through the shared work tables holds this lock while it runs.
#include "db/Connection.h"

namespace jc::db {

// The error text when another instance is running an operation.
inline constexpr const char* kOperationLockBusy =
    "다른 프로그램(인스턴스)이 이 데이터베이스에서 작업을 실행 중입니다. 그 작업이 끝난 뒤 다시 시도하세요";

class OperationLock {
 public:
  // Takes the lock of the connection's database without waiting. Throws
  // DbError(kOperationLockBusy) when another instance holds it. Without an
  // open connection there is nothing to lock (the operation's own statements
  // then fail as they would anyway).
  explicit OperationLock(TADOConnection* connection);
  ~OperationLock();
  OperationLock(const OperationLock&) = delete;
  OperationLock& operator=(const OperationLock&) = delete;

 private:
  TADOConnection* held_ = nullptr;
};

}  // namespace jc::db
