#pragma once
// Dispensing-record audits: list the masked dispensing records whose stored
// encrypted value decrypts to a text that itself contains '*', each paired in
// Grid_Sub with the active record of its customer, whose value the bulk
// restore (audit/BulkRestore.h) can copy back into it.
#include <string_view>

#include "common/Shell.h"
#include "crypto/Codec.h"
#include "db/Session.h"
#include "ui/FormModel.h"

namespace jc::audit {

// Rows per pass of the whole-table read, and the pause after every pass.
inline constexpr int kDispensingPassSize = 10000;
inline constexpr int kDispensingPassPauseMs = 4000;

// The two parameters that tell the twin audits apart: the dispensing table
// the records are copied from, and the RestoreKind that names it to the
// restore.
struct DispensingSource {
  std::string_view table;
  std::string_view restoreKind;
};
// "조제내역 복호화검증": TV_PRES..PS_MAIN, kind "P".
extern const DispensingSource kDispensingRecords;
// "분업예외 복호화검증": TV_PRES..INS_COMPOS, kind "B".
extern const DispensingSource kExceptionRecords;

// The audit of one dispensing table. Refuses to start (CodecUnusable) when
// the codec cannot decrypt. Clears both grids, sets their headers, ends the
// customer mode and forgets the pairs of an earlier audit (Btn_Restore
// disabled); rebuilds TV_BASE..JUMIN_CHECK from the masked records with a
// stored value (all of them, or with Chk_Day checked those dated
// Dtp_Start..Dtp_End); reads it back, lists in Grid_Main the records whose
// value decrypts to a text with '*', pairs each in Grid_Sub with the
// customer's active record, drops the scratch table and, when it listed rows,
// keeps the pairs, sets RestoreKind and enables Btn_Restore. A failed copy or
// read of the scratch table ends the run with that statement's error; a count
// or customer lookup that cannot be read ends it with the closed query's
// error.
void RunDispensingAudit(ui::FormModel& form, db::Session& db, crypto::Codec& codec, Shell& shell,
                        const DispensingSource& source);

// Handler of "조제내역 복호화검증" (TV_PRES..PS_MAIN).
void Btn_De_TestClick(ui::FormModel& form, db::Session& db, crypto::Codec& codec, Shell& shell);
// Handler of "분업예외 복호화검증" (TV_PRES..INS_COMPOS).
void Btn_De_BunClick(ui::FormModel& form, db::Session& db, crypto::Codec& codec, Shell& shell);

}  // namespace jc::audit
