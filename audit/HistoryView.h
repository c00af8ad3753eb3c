#pragma once
// Customer history view: every customer record and dispensing record of the
// customer listed in Grid_Main's current row, oldest first, keeping those
// whose stored value decrypts to an unmasked number.
#include <string>

#include "crypto/Codec.h"
#include "db/Session.h"
#include "ui/FormModel.h"
#include "common/Shell.h"

namespace jc::audit {

// True when none of the first 13 characters of text is '*'; characters past
// the end of a shorter text count as not '*', so "" is unmasked.
bool IsUnmasked(const std::string& text);

// True when a decryption gives a value worth copying over others: non-empty
// once trimmed, and unmasked. An empty decryption is what every value gives
// when the key cannot be read, so it never counts as sound.
bool IsSoundDecryption(const std::string& plain);

// Handler of a cell click in Grid_Main. Shows in Grid_Sub the history of the
// customer code in column 5 of Grid_Main's current row; column 6 of each
// history row keeps the stored value the repair copies. Replacing Grid_Sub
// forgets the restore's pairs and disables Btn_Restore. Does nothing when
// Grid_Main lists nothing (row 1 current with an empty name cell). A history
// query that cannot be opened ends the view with the closed-dataset error.
void Grid_MainClickCell(ui::FormModel& form, db::Session& db, crypto::Codec& codec,
                        Shell& shell);

}  // namespace jc::audit
