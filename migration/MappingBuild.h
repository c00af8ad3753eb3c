#pragma once
// Mapping table build: gathers every plain resident number the pharmacy
// tables still hold without a stored value into TV_BASE..TEMP_MAPPING_BAK,
// each distinct number once plus one empty-number entry, and gives every
// entry its stored encrypted value.
#include <string_view>
#include <vector>

#include "common/Shell.h"
#include "crypto/Codec.h"
#include "db/Session.h"
#include "ui/FormModel.h"

namespace jc::migration {

// Entries read per page of the encryption phase.
inline constexpr int kBuildPageSize = 10000;
// Pause after every page, in milliseconds.
inline constexpr int kBuildPagePauseMs = 2000;
// The longest number a mapping entry holds. A longer source value (a dashed
// number, a foreign document number) makes the server refuse the whole
// collection from its table, which ends the build.
inline constexpr int kMappingNumberLength = 13;

// A number column the build collects from, with its companion column.
struct CollectedColumn {
  std::string_view table;  // qualified
  std::string_view plain;
  std::string_view value;
};
// The columns the build collects from, in the order it does.
const std::vector<CollectedColumn>& CollectedColumns();

// Handler of "매핑테이블 만들기". Refuses to start (CodecUnusable) when the
// codec cannot encrypt, so that no entry is given an empty or "01"-only
// value. Re-creates the mapping table (S1 to S11), removes the entries whose
// number holds '*', then encrypts the entries page by page. S1, S2 and S10
// may fail without effect; a failure of any other statement ends the build
// with that statement's error (DbError), before the encryption phase. The
// mapping is new and not verified: Btn_Encrypt is disabled until a
// verification passes again.
void Btn_MappingClick(ui::FormModel& form, db::Session& db, crypto::Codec& codec, Shell& shell);

}  // namespace jc::migration
