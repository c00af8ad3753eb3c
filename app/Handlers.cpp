// The window's operation handlers: each hands the window's state to the
// operation it names.
#include "app/TForm1.h"
#include "audit/CustomerAudit.h"
#include "audit/DispensingAudit.h"
#include "audit/HistoryView.h"
#include "audit/NormalDataReport.h"
#include "audit/Repair.h"
#include "db/OperationLock.h"
#include "migration/EncryptionRun.h"
#include "migration/MappingBuild.h"
#include "migration/MappingVerification.h"

namespace jc::app {

// Every operation that writes to the database holds the operation lock while
// it runs: the work tables are shared by every instance on the database.
void TForm1::Btn_De_CustomClick() {
  db::OperationLock lock(Connection.get());
  audit::Btn_De_CustomClick(*this, Db, Crypto, shell_);
}

// The migration: the build, the verification (two buttons, one operation)
// and the encryption run all write to the database.
void TForm1::Btn_MappingClick() {
  db::OperationLock lock(Connection.get());
  migration::Btn_MappingClick(*this, Db, Crypto, shell_);
}

void TForm1::Btn_CheckClick() {
  db::OperationLock lock(Connection.get());
  migration::VerifyMapping(*this, Db, Crypto, shell_);
}

void TForm1::Btn_DeTestClick() {
  db::OperationLock lock(Connection.get());
  migration::VerifyMapping(*this, Db, Crypto, shell_);
}

void TForm1::Btn_EncryptClick() {
  db::OperationLock lock(Connection.get());
  migration::Btn_EncryptClick(*this, Db, shell_, &LastRunMasked);
}

// The clicked cell is not used: the view shows the history of the current
// row, which a left click has already moved to the clicked one.
void TForm1::Grid_MainClickCell(int, int) { audit::Grid_MainClickCell(*this, Db, Crypto, shell_); }

void TForm1::Grid_SubMouseDown(MouseButton button) {
  if (!CustomerMode || button != MouseButton::Right) return;
  db::OperationLock lock(Connection.get());
  audit::Grid_SubMouseDown(*this, Db, Crypto, shell_, true);
}

void TForm1::Btn_De_TestClick() {
  db::OperationLock lock(Connection.get());
  audit::Btn_De_TestClick(*this, Db, Crypto, shell_);
}

void TForm1::Btn_De_BunClick() {
  db::OperationLock lock(Connection.get());
  audit::Btn_De_BunClick(*this, Db, Crypto, shell_);
}

void TForm1::Btn_RestoreClick() { RestoreDispensingPairs(); }

audit::RestoreResult TForm1::RestoreDispensingPairs() {
  db::OperationLock lock(Connection.get());
  return audit::Btn_RestoreClick(*this, Db, Crypto, shell_);
}

void TForm1::Button1Click() {
  db::OperationLock lock(Connection.get());
  audit::Button1Click(*this, Db, Crypto, shell_);
}

bool TForm1::RepairCurrentHistoryRow() {
  if (!CustomerMode) return false;
  db::OperationLock lock(Connection.get());
  return audit::RepairCurrentRow(*this, Db, Crypto, shell_) == audit::RepairOutcome::Done;
}

}  // namespace jc::app
