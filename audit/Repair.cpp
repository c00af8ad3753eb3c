#include "audit/Repair.h"

#include <string>

#include "audit/HistoryView.h"
#include "common/Text.h"
#include "db/Names.h"
#include "db/Query.h"

namespace jc::audit {

namespace {
const std::string kRepairHead =
    "UPDATE " + std::string(db::names::CD_PERSON) + "    SET TEMPNUM = ";
const char* const kRepairWhere = " WHERE CUSCODE = ";
// Only the customer's records of the value's own number: a customer code
// that also holds records of another number (a corrected number) keeps them.
const char* const kRepairSameNumber = " AND LEFT(REPLACE(PANUM,'-',''),7) = ";
}  // namespace

RepairOutcome RepairCurrentRow(ui::FormModel& form, db::Session& db, crypto::Codec& codec,
                               Shell& shell) {
  const ui::ResultGrid& grid = form.Grid_Sub;
  const int row = grid.CurrentRow();
  // Row 0 is the header; its cells are captions, not a customer.
  const std::string code = row >= 1 ? grid.Cell(5, row) : std::string();
  const std::string value = row >= 1 ? grid.Cell(6, row) : std::string();

  // An empty code would address every record without a code, an empty value
  // would wipe the customer's good values: refuse both.
  if (Trim(code).empty()) {
    shell.ShowMessage(kRepairNoCustomerCode);
    return RepairOutcome::NoCustomerCode;
  }
  if (Trim(value).empty()) {
    shell.ShowMessage(kRepairNoValue);
    return RepairOutcome::NoValue;
  }

  // The grid's verdict may be stale or made without a usable key (every
  // decryption then comes back empty, which holds no '*'): decide again now.
  const std::string plain = codec.DecryptJumin(value);
  const std::string digits = KeptDigits(Trim(plain));
  if (!IsSoundDecryption(plain) || digits.empty()) {
    shell.ShowMessage(kRepairUnsoundValue);
    return RepairOutcome::UnsoundValue;
  }

  db.SqlText = kRepairHead + db::QuotedStr(value) + kRepairWhere + db::QuotedStr(code) + kRepairSameNumber +
               db::QuotedStr(digits);
  if (!db::ExecQuery(db.Ado_Exec, db.SqlText)) {
    shell.ShowError(std::string(kRepairFailed) + "\n" + db.Ado_Exec.LastError());
    return RepairOutcome::Failed;
  }
  if (db.Ado_Exec.RowsAffected() == 0) {
    shell.ShowMessage(kRepairNoRecordOfTheNumber);
    return RepairOutcome::NoRecordOfTheNumber;
  }
  shell.ShowMessage(kRepairDone);
  return RepairOutcome::Done;
}

void Grid_SubMouseDown(ui::FormModel& form, db::Session& db, crypto::Codec& codec, Shell& shell,
                       bool rightButton) {
  if (!form.CustomerMode || !rightButton) return;
  RepairCurrentRow(form, db, codec, shell);
}

}  // namespace jc::audit
