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
// The records the UPDATE would change, counted for the question.
const std::string kCountHead =
    "SELECT COUNT(*) AS CNT FROM " + std::string(db::names::CD_PERSON) + " WHERE CUSCODE = ";
}  // namespace

std::string RepairQuestionText(const std::string& name, const std::string& code, int row, int records) {
  return "고객 " + name + "(고객코드 " + code + ")의 기록 " + std::to_string(records) + "건의 암호화 값을 " +
         std::to_string(row) + "번째 행의 값으로 바꿉니다. 바꾼 값은 변경 기록에 남아 되돌리기로 되돌릴 수 있습니다. 복구하시겠습니까?";
}

std::string RepairDoneText(long long records) {
  return std::string(kRepairDone) + " (고객 기록 " + std::to_string(records) + "건 변경)";
}

RepairOutcome RepairCurrentRow(ui::FormModel& form, db::Session& db, crypto::Codec& codec, Shell& shell,
                               const JournalContext& journal) {
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

  const std::string where = kRepairWhere + db::QuotedStr(code) + kRepairSameNumber + db::QuotedStr(digits);
  db.SqlText = kCountHead + db::QuotedStr(code) + kRepairSameNumber + db::QuotedStr(digits);
  if (!db::OpenQuery(db.Ado_Qry, db.SqlText)) {
    shell.ShowError(std::string(kRepairFailed) + "\n" + db.Ado_Qry.LastError());
    return RepairOutcome::Failed;
  }
  const int records = db.Ado_Qry.FieldAsInteger(db::names::col::CNT);
  db.Ado_Qry.Close();
  if (records == 0) {
    shell.ShowMessage(kRepairNoRecordOfTheNumber);
    return RepairOutcome::NoRecordOfTheNumber;
  }
  if (!shell.Confirm(RepairQuestionText(grid.Cell(1, row), code, row, records))) return RepairOutcome::Declined;

  const JournalOperation op = BeginJournalOperation(db, journal, "repair");
  const std::optional<long long> result =
      RunJournaled(db, op, JournaledUpdate{std::string(db::names::CD_PERSON), "CUSCODE", "SEQ", "TEMPNUM", where,
                                           kRepairHead + db::QuotedStr(value), value});
  if (!result) {
    shell.ShowError(std::string(kRepairFailed) + "\n" + db.Ado_Exec.LastError());
    return RepairOutcome::Failed;
  }
  const long long changed = *result;
  if (changed == 0) {
    shell.ShowMessage(kRepairNoRecordOfTheNumber);
    return RepairOutcome::NoRecordOfTheNumber;
  }
  shell.ShowMessage(RepairDoneText(changed < 0 ? records : changed));
  return RepairOutcome::Done;
}

void Grid_SubMouseDown(ui::FormModel& form, db::Session& db, crypto::Codec& codec, Shell& shell,
                       bool rightButton, int row, const JournalContext& journal) {
  if (!form.CustomerMode || !rightButton) return;
  // Only a press on a data row repairs, and from that row: the grid's
  // current row is not shown, and a press below the rows names none.
  if (row < 1 || row >= form.Grid_Sub.RowCount()) return;
  form.Grid_Sub.SetCurrentRow(row);
  RepairCurrentRow(form, db, codec, shell, journal);
}

}  // namespace jc::audit
