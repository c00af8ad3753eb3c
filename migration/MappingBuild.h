#pragma once
// Mapping table build: gathers every plain resident number the pharmacy
// tables still hold without a stored value into TV_BASE..TEMP_MAPPING_BAK,
// each distinct number once plus one empty-number entry, and gives every
// entry its stored encrypted value.
#include "common/Shell.h"
#include "crypto/Codec.h"
#include "db/Session.h"
#include "ui/FormModel.h"

namespace jc::migration {

// Entries read per page of the encryption phase.
inline constexpr int kBuildPageSize = 10000;
// Pause after every page, in milliseconds.
inline constexpr int kBuildPagePauseMs = 2000;

// Handler of "매핑테이블 만들기". Refuses to start (CodecUnusable) when the
// codec cannot encrypt, so that no entry is given an empty or "01"-only
// value. Re-creates the mapping table (S1 to S11, every result ignored),
// then encrypts the entries page by page. The mapping is new and not
// verified: Btn_Encrypt is disabled until a verification passes again.
void Btn_MappingClick(ui::FormModel& form, db::Session& db, crypto::Codec& codec, Shell& shell);

}  // namespace jc::migration
