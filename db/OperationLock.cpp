#include "db/OperationLock.h"

namespace jc::db {

OperationLock::OperationLock(TADOConnection* connection) {
  if (!connection || !connection->Connected()) return;
  if (!connection->backend().TryLockOperation()) throw DbError(kOperationLockBusy);
  held_ = connection;
}

OperationLock::~OperationLock() {
  if (!held_) return;
  try {
    held_->backend().UnlockOperation();
  } catch (...) {
    // A connection lost meanwhile has released the lock with the session.
  }
}

}  // namespace jc::db
