#pragma once
// Bulk restore of the dispensing records found by the last dispensing audit:
// each listed record receives the stored value of its customer's active
// record, when that value decrypts to a sound number.
#include <vector>

#include "common/Shell.h"
#include "crypto/Codec.h"
#include "db/Session.h"
#include "ui/FormModel.h"

namespace jc::audit {

// Forgets the pairs of the last dispensing audit and disables Btn_Restore.
// Every operation that replaces the content of Grid_Sub calls it first: the
// restore must never act on rows that are not the audit's pairs.
void ForgetRestorePairs(ui::FormModel& form);

struct RestoreResult {
  std::vector<ui::RestorePair> restored;  // updated, in Grid_Sub order
  int skipped = 0;  // the customer value is masked, empty or not sound now
  int failed = 0;   // the UPDATE failed; the row stays uncoloured
};

// Handler of "주민번호 복구". Acts only on the pairs kept by the last
// dispensing audit that listed rows, with the table RestoreKind names ("P":
// TV_PRES..PS_MAIN, "B": TV_PRES..INS_COMPOS; anything else does nothing).
// A pair is skipped when its customer value decrypted to a text with '*' at
// audit time, or when the value, trimmed, does not decrypt now to a sound
// number (so an empty value is never written). Otherwise TEMPNUM of the
// dispensing record with the pair's PRESERIAL is set to the trimmed value, and
// the pair's Grid_Sub row turns light green when the UPDATE succeeded. Shows
// nothing; Btn_Restore stays enabled and the pairs kept, so it can run again.
// Refuses to start (CodecUnusable) when the codec cannot decrypt.
RestoreResult Btn_RestoreClick(ui::FormModel& form, db::Session& db, crypto::Codec& codec,
                               Shell& shell);

}  // namespace jc::audit
