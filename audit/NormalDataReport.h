#pragma once
// Normal-data report: the masked customer records whose stored value
// decrypts to a text without '*', listed in Grid_Main, counted in Label4 and
// saved to the report table TV_BASE..AAA.
#include <string>

#include "common/Shell.h"
#include "crypto/Codec.h"
#include "db/Session.h"
#include "ui/FormModel.h"

namespace jc::audit {

// The read count at whose multiples the report pauses, and the pause.
inline constexpr int kReportPauseEvery = 10000;
inline constexpr int kReportPauseMs = 5000;

// The information box after the inserts when some listed rows could not be
// saved to the report table.
std::string ReportRowsNotSavedText(int notSaved, int listed);
// Its sentence for the records whose value could not be decrypted (its
// decryption is empty), which are not normal data and not listed.
std::string ReportUndecryptableText(int undecryptable);

// Handler of "정상데이터 확인". Refuses to start (CodecUnusable) when the codec
// cannot decrypt. Lists, numbered from 1, every masked customer record (not
// thirteen '*') with a stored value whose decryption is not empty and holds
// no '*'; Label4 shows the count of records read, then the count and the
// next number; the report table is dropped, created and filled with one row
// per listed row. Records whose value does not decrypt, and rows whose
// insert fails, are counted and told in one information box; a report table
// that cannot be created ends the run with the create's error.
// The query of the records, when it cannot be opened, ends it with the closed
// query's error.
void Button1Click(ui::FormModel& form, db::Session& db, crypto::Codec& codec, Shell& shell);

}  // namespace jc::audit
