#pragma once
// Bulk restore of the dispensing records found by the last dispensing audit:
// each listed record receives the stored value of its customer's active
// record, when that value decrypts to a sound number that is the record's own.
#include <string>
#include <vector>

#include "audit/Journal.h"
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
  // Skipped, by reason; no statement ran for these.
  int noRecordNumber = 0;  // the pair has no dispensing record number
  int unsoundValue = 0;    // the customer value is masked, empty or gives no sound number now
  int otherNumber = 0;     // the value's number does not begin with the record's seven digits
  // The UPDATE ran but changed nothing: the record no longer held the number
  // and value the audit saw (changed since by another program or a repair).
  int changedSinceAudit = 0;
  int failed = 0;  // the UPDATE failed; the row stays uncoloured

  int Skipped() const { return noRecordNumber + unsoundValue + otherNumber + changedSinceAudit; }
};

// The question asked before the restore, which cannot be undone: the table
// and the number of listed records whose value it may replace.
std::string RestoreQuestion(const ui::FormModel& form);

// The information box at the end of a restore: the records restored and
// those skipped, for each reason, and those whose statement failed.
std::string RestoreSummaryText(const RestoreResult& result);

// Handler of "주민번호 복구". Acts only on the pairs kept by the last
// dispensing audit that listed rows, with the table RestoreKind names ("P":
// TV_PRES..PS_MAIN, "B": TV_PRES..INS_COMPOS; anything else does nothing).
// A pair is skipped when it has no record number, when its customer value
// decrypted to a text with '*' at audit time or does not decrypt now to a
// sound number (so an empty value is never written), or when that number
// does not begin with the seven digits of the record's masked number (the
// value of another person). Otherwise TEMPNUM of the dispensing record with
// the pair's PRESERIAL is set to the trimmed value, only while the record
// still holds the PANUM the audit read and the TEMPNUM it read (or already
// that value, so that a restore run again does the same); the pair's Grid_Sub row
// turns light green when a record was updated. Ends with one information
// box (RestoreSummaryText); Btn_Restore stays enabled and the pairs kept, so
// it can run again. Refuses to start (CodecUnusable) when the codec cannot
// decrypt.
// Each record's UPDATE commits together with its journal rows (Journal.h);
// a journal that cannot be written ends the restore with JournalError before
// that record changed.
RestoreResult Btn_RestoreClick(ui::FormModel& form, db::Session& db, crypto::Codec& codec, Shell& shell,
                               const JournalContext& journal = SystemJournalContext());

}  // namespace jc::audit
