// The window's operation handlers: each hands the window's state to the
// operation it names.
#include "app/TForm1.h"
#include "audit/CustomerAudit.h"
#include "audit/BulkRestore.h"
#include "audit/DispensingAudit.h"
#include "audit/HistoryView.h"
#include "audit/NormalDataReport.h"
#include "audit/Repair.h"
#include "db/OperationLock.h"
#include "migration/EncryptionRun.h"
#include "migration/MappingBuild.h"
#include "migration/MappingVerification.h"
#include "migration/WorkTables.h"

namespace jc::app {

audit::JournalContext TForm1::Journal() const {
  audit::JournalContext context = audit::SystemJournalContext();
  context.now = clock_;
  return context;
}

// Every operation that writes to the database holds the operation lock while
// it runs: the work tables are shared by every instance on the database.
void TForm1::Btn_De_CustomClick() {
  db::OperationLock lock(Connection.get());
  audit::Btn_De_CustomClick(*this, Db, Crypto, ops_);
}

// The migration: the build, the verification (two buttons, one operation)
// and the encryption run all write to the database.
void TForm1::Btn_MappingClick() {
  db::OperationLock lock(Connection.get());
  migration::Btn_MappingClick(*this, Db, Crypto, ops_);
}

void TForm1::Btn_CheckClick() {
  db::OperationLock lock(Connection.get());
  migration::VerifyMapping(*this, Db, Crypto, ops_);
}

void TForm1::Btn_DeTestClick() {
  db::OperationLock lock(Connection.get());
  migration::VerifyMapping(*this, Db, Crypto, ops_);
}

// The run cannot be undone: a verified mapping is run only after a Yes.
void TForm1::Btn_EncryptClick() {
  db::OperationLock lock(Connection.get());
  if (Btn_Encrypt.enabled && !shell_.Confirm(migration::EncryptionRunQuestion(Db))) return;
  migration::Btn_EncryptClick(*this, Db, ops_, &LastRunMasked);
}

// The clicked cell is not used: the view shows the history of the current
// row, which a left click has already moved to the clicked one.
void TForm1::Grid_MainClickCell(int, int) { audit::Grid_MainClickCell(*this, Db, Crypto, ops_); }

void TForm1::Grid_SubMouseDown(MouseButton button, int row) {
  if (!CustomerMode || button != MouseButton::Right || row < 1 || row >= Grid_Sub.RowCount()) return;
  db::OperationLock lock(Connection.get());
  audit::Grid_SubMouseDown(*this, Db, Crypto, ops_, true, row, Journal());
  RefreshJournal();
}

void TForm1::Btn_De_TestClick() {
  db::OperationLock lock(Connection.get());
  audit::Btn_De_TestClick(*this, Db, Crypto, ops_);
}

void TForm1::Btn_De_BunClick() {
  db::OperationLock lock(Connection.get());
  audit::Btn_De_BunClick(*this, Db, Crypto, ops_);
}

void TForm1::Btn_RestoreClick() { RestoreDispensingPairs(); }

audit::RestoreResult TForm1::RestoreDispensingPairs() {
  db::OperationLock lock(Connection.get());
  // The restore cannot be undone: pairs to write are written only after a Yes.
  const bool hasPairs = (RestoreKind == "P" || RestoreKind == "B") && !RestorePairs.empty();
  if (hasPairs && !shell_.Confirm(audit::RestoreQuestion(*this))) return {};
  audit::RestoreResult result = audit::Btn_RestoreClick(*this, Db, Crypto, ops_, Journal());
  RefreshJournal();
  return result;
}

void TForm1::Button1Click() {
  db::OperationLock lock(Connection.get());
  audit::Button1Click(*this, Db, Crypto, ops_);
}

namespace {
constexpr int kJournalShown = 10;
}  // namespace

void TForm1::RefreshJournal() {
  if (!TechnicianView || !Connection || !Connection->Connected()) return;
  ui::ResultGrid& grid = Grid_Journal;
  grid.ClearNonFixed();
  const auto ops = audit::ListJournal(Db, kJournalShown);
  grid.SetRowCount(ops.empty() ? 2 : static_cast<int>(ops.size()) + 1);
  int row = 1;
  for (const audit::JournaledOperationSummary& op : ops) {
    grid.SetCell(0, row, op.name);
    grid.SetCell(1, row, op.time);
    grid.SetCell(2, row, op.user + "@" + op.machine);
    grid.SetCell(3, row, std::to_string(op.records));
    grid.SetCell(4, row, op.id);
    ++row;
  }
  grid.SetCurrentRow(1);
}

void TForm1::Btn_UndoClick() {
  const std::string id = Grid_Journal.Cell(4, Grid_Journal.CurrentRow());
  if (id.empty()) {
    shell_.ShowMessage(kUndoNothingSelected);
    return;
  }
  UndoJournaledOperation(id);
  RefreshJournal();
}

void TForm1::Btn_CleanupClick() {
  db::OperationLock lock(Connection.get());
  const auto work = migration::ReadWorkTables(Db);
  if (!shell_.Confirm(migration::CleanupQuestionText(work))) return;
  shell_.ShowMessage(migration::CleanupDoneText(migration::DropWorkTables(Db, ops_)));
}

std::optional<audit::UndoResult> TForm1::UndoJournaledOperation(const std::string& id) {
  db::OperationLock lock(Connection.get());
  return audit::UndoJournaledOperation(Db, ops_, id, Journal());
}

bool TForm1::RepairCurrentHistoryRow() {
  if (!CustomerMode) return false;
  db::OperationLock lock(Connection.get());
  return audit::RepairCurrentRow(*this, Db, Crypto, ops_, Journal()) == audit::RepairOutcome::Done;
}

}  // namespace jc::app
