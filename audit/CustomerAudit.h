#pragma once
// Customer decryption audit: lists the masked customer records whose stored
// encrypted value decrypts to a text that itself contains '*', that is, values
// made from a number that was already masked.
#include "crypto/Codec.h"
#include "db/Session.h"
#include "ui/FormModel.h"
#include "common/Shell.h"

namespace jc::audit {

// Rows read per query once the scratch table holds more than this many rows.
inline constexpr int kAuditPageSize = 10000;
// Pause after every page of the paged read, in milliseconds.
inline constexpr int kAuditPagePauseMs = 4000;

// Handler of "고객 복호화검증". Rebuilds TV_BASE..JUMIN_CHECK from the masked
// customer records of the chosen tax year (or, with Chk_Day checked, of the
// registration-date range Dtp_Start..Dtp_End), reads it back in one query or
// in pages, decrypts every stored value and lists the suspicious ones in
// Grid_Main. Sets CustomerMode, which enables the repair click; empties
// Grid_Sub, so the restore's pairs are forgotten and Btn_Restore disabled.
// Refuses to start (CodecUnusable) when the codec cannot decrypt; a failed
// copy ends the run with the copy's error; database errors of a closed query
// and a lost connection propagate as exceptions.
void Btn_De_CustomClick(ui::FormModel& form, db::Session& db, crypto::Codec& codec,
                        Shell& shell);

}  // namespace jc::audit
