// The window's operation handlers: each hands the window's state to the
// operation it names.
#include "app/TForm1.h"

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

void TForm1::Btn_De_CustomClick() {}
void TForm1::Grid_MainClickCell(int, int) {}
void TForm1::Grid_SubMouseDown(MouseButton) {}

bool TForm1::RepairCurrentHistoryRow() {
  Grid_SubMouseDown(MouseButton::Right);
  return false;
}

}  // namespace jc::app
