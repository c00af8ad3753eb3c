// The window's operation handlers: each hands the window's state to the
// operation it names.
#include "app/TForm1.h"
#include "audit/CustomerAudit.h"
#include "audit/HistoryView.h"
#include "audit/Repair.h"

namespace jc::app {

// The migration buttons and the dispensing audits, the restore and the
// normal-data report are wired but not built yet; they start disabled or
// hidden, so the operator cannot reach them.
void TForm1::Btn_MappingClick() {}
void TForm1::Btn_CheckClick() {}
void TForm1::Btn_DeTestClick() {}
void TForm1::Btn_EncryptClick() {}
void TForm1::Btn_De_TestClick() {}
void TForm1::Btn_De_BunClick() {}
void TForm1::Btn_RestoreClick() {}
void TForm1::Button1Click() {}

void TForm1::Btn_De_CustomClick() { audit::Btn_De_CustomClick(*this, Db, Crypto, shell_); }

// The clicked cell is not used: the view shows the history of the current
// row, which a left click has already moved to the clicked one.
void TForm1::Grid_MainClickCell(int, int) { audit::Grid_MainClickCell(*this, Db, Crypto, shell_); }

void TForm1::Grid_SubMouseDown(MouseButton button) {
  audit::Grid_SubMouseDown(*this, Db, shell_, button == MouseButton::Right);
}

bool TForm1::RepairCurrentHistoryRow() {
  if (!CustomerMode) return false;
  return audit::RepairCurrentRow(*this, Db, shell_) == audit::RepairOutcome::Done;
}

}  // namespace jc::app
