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

// The leading digits that a masked number keeps ("8001011******").
inline constexpr std::size_t kKeptDigits = 7;

// The seven leading digits of a stored number, trimmed and with its dashes
// removed; empty when it has fewer or they are not all digits (a number
// masked from the empty number, "******").
std::string KeptDigits(const std::string& storedNumber);

// True when a decryption is the number of a record: trimmed, it begins with
// the record's seven kept digits. A sound value of another person (a
// corrected number, a second active record) is not.
bool DecryptionBelongsToNumber(const std::string& plain, const std::string& storedNumber);

// Handler of a cell click in Grid_Main. Shows in Grid_Sub the history of the
// customer code in column 5 of Grid_Main's current row; column 6 of each
// history row keeps the stored value the repair copies. Replacing Grid_Sub
// forgets the restore's pairs and disables Btn_Restore. Does nothing when
// Grid_Main lists nothing (row 1 current with an empty name cell). A history
// query that cannot be opened ends the view with the closed-dataset error.
void Grid_MainClickCell(ui::FormModel& form, db::Session& db, crypto::Codec& codec,
                        Shell& shell);

}  // namespace jc::audit
