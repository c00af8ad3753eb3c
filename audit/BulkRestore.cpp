#include "audit/BulkRestore.h"

#include <string>

#include "audit/HistoryView.h"
#include "common/Text.h"
#include "db/Names.h"
#include "db/Query.h"

namespace jc::audit {

namespace {

const std::string kRestorePsMain =
    "UPDATE " + std::string(db::names::PS_MAIN) + "    SET TEMPNUM  = ";
const std::string kRestoreInsCompos =
    "UPDATE " + std::string(db::names::INS_COMPOS) + "    SET TEMPNUM  = ";
const char* const kRestoreWhere = " WHERE PRESERIAL = ";
// Only while the record still holds what the audit read, or already the
// value being written (a restore run again): a record changed since by
// another program or a repair is not overwritten.
const char* const kRestoreUnchangedNumber = " AND PANUM = ";
const char* const kRestoreUnchangedValue = " AND (TEMPNUM = ";
const char* const kRestoreOrAlready = " OR TEMPNUM = ";
const char* const kRestoreClose = ")";

}  // namespace

void ForgetRestorePairs(ui::FormModel& form) {
  form.RestorePairs.clear();
  form.Btn_Restore.enabled = false;
}

std::string RestoreQuestion(const ui::FormModel& form) {
  const std::string table(form.RestoreKind == "B" ? db::names::INS_COMPOS : db::names::PS_MAIN);
  return "주민번호 복구: " + table + "의 기록 " + std::to_string(form.RestorePairs.size()) +
         "건의 암호화 값을 고객의 암호화 값으로 바꿉니다(올바른 값만). 바꾼 값은 변경 기록에 남아 되돌리기로 "
         "되돌릴 수 있습니다. 계속하시겠습니까?";
}

std::string RestoreSummaryText(const RestoreResult& r) {
  std::string text = "주민번호 복구: " + std::to_string(r.restored.size()) + "건 복구, " +
                     std::to_string(r.Skipped()) + "건 건너뜀 (일련번호 없음 " +
                     std::to_string(r.noRecordNumber) + "건, 고객 암호화 값 불량 " +
                     std::to_string(r.unsoundValue) + "건, 주민번호 앞 7자리 불일치 " +
                     std::to_string(r.otherNumber) + "건, 검증 후 변경된 기록 " +
                     std::to_string(r.changedSinceAudit) + "건)";
  if (r.failed > 0) text += ", " + std::to_string(r.failed) + "건 실패";
  return text;
}

RestoreResult Btn_RestoreClick(ui::FormModel& form, db::Session& db, crypto::Codec& codec, Shell& shell,
                               const JournalContext& journal) {
  RestoreResult result;
  const std::string* head = nullptr;
  if (form.RestoreKind == "P")
    head = &kRestorePsMain;
  else if (form.RestoreKind == "B")
    head = &kRestoreInsCompos;
  if (!head || form.RestorePairs.empty()) return result;
  crypto::RequireUsableCodec(codec);

  const std::string table(form.RestoreKind == "P" ? db::names::PS_MAIN : db::names::INS_COMPOS);
  std::optional<JournalOperation> op;  // begun before the first change
  ui::ResultGrid& grid = form.Grid_Sub;
  for (const ui::RestorePair& pair : form.RestorePairs) {
    // An empty record number would address every record without one.
    if (Trim(pair.preserial).empty()) {
      ++result.noRecordNumber;
      continue;
    }
    // Decide again on the value that would be written: a customer without an
    // active record has none, and one that gives no sound number back would
    // replace the record's value with another unusable one.
    const std::string value = Trim(pair.value);
    std::string plain;
    if (!value.empty() && Trim(pair.plain).find('*') == std::string::npos) plain = codec.DecryptJumin(value);
    if (!IsSoundDecryption(plain)) {
      ++result.unsoundValue;
      continue;
    }
    // The customer's active record may hold another number than the
    // dispensing record (a corrected number, two active records): its value
    // would give the record another person's number.
    if (!DecryptionBelongsToNumber(plain, pair.recordNumber)) {
      ++result.otherNumber;
      continue;
    }
    const std::string where = kRestoreWhere + db::QuotedStr(pair.preserial) + kRestoreUnchangedNumber +
                              db::QuotedStr(pair.recordNumber) + kRestoreUnchangedValue +
                              db::QuotedStr(pair.recordValue) + kRestoreOrAlready + db::QuotedStr(value) +
                              kRestoreClose;
    if (!op) op = BeginJournalOperation(db, journal, "restore");
    const std::optional<long long> changed = RunJournaled(
        db, *op, JournaledUpdate{table, "PRESERIAL", "", "TEMPNUM", where, *head + db::QuotedStr(value), value});
    if (!changed) {
      ++result.failed;
      continue;
    }
    if (*changed == 0) {
      ++result.changedSinceAudit;
      continue;
    }
    if (pair.row < grid.RowCount()) grid.SetRowColor(pair.row, ui::kRestoredRowColor);
    result.restored.push_back(pair);
  }
  shell.ShowMessage(RestoreSummaryText(result));
  return result;
}

}  // namespace jc::audit
