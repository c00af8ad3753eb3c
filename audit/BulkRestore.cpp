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

}  // namespace

void ForgetRestorePairs(ui::FormModel& form) {
  form.RestorePairs.clear();
  form.Btn_Restore.enabled = false;
}

RestoreResult Btn_RestoreClick(ui::FormModel& form, db::Session& db, crypto::Codec& codec,
                               Shell& /*shell*/) {
  RestoreResult result;
  const std::string* head = nullptr;
  if (form.RestoreKind == "P")
    head = &kRestorePsMain;
  else if (form.RestoreKind == "B")
    head = &kRestoreInsCompos;
  if (!head || form.RestorePairs.empty()) return result;
  crypto::RequireUsableCodec(codec);

  ui::ResultGrid& grid = form.Grid_Sub;
  for (const ui::RestorePair& pair : form.RestorePairs) {
    // An empty record number would address every record without one.
    if (Trim(pair.preserial).empty() || Trim(pair.plain).find('*') != std::string::npos) {
      ++result.skipped;
      continue;
    }
    // Decide again on the value that would be written: a customer without an
    // active record has none, and one that gives no sound number back would
    // replace the record's value with another unusable one.
    const std::string value = Trim(pair.value);
    if (value.empty() || !IsSoundDecryption(codec.DecryptJumin(value))) {
      ++result.skipped;
      continue;
    }
    db.SqlText = *head + db::QuotedStr(value) + kRestoreWhere + db::QuotedStr(pair.preserial);
    if (!db::ExecQuery(db.Ado_Exec, db.SqlText)) {
      ++result.failed;
      continue;
    }
    if (pair.row < grid.RowCount()) grid.SetRowColor(pair.row, ui::kRestoredRowColor);
    result.restored.push_back(pair);
  }
  return result;
}

}  // namespace jc::audit
