#pragma once
// Mapping verification: decrypts the stored value of every entry of
// TV_BASE..TEMP_MAPPING_BAK, lists in Grid_Main the entries that do not give
// their number back, and enables Btn_Encrypt only when every entry was
// checked and passed.
#include <string>
#include <string_view>

#include "common/Shell.h"
#include "crypto/Codec.h"
#include "db/Session.h"
#include "ui/FormModel.h"

namespace jc::migration {

// Entries read per page, and the pause after every page in milliseconds.
inline constexpr int kVerifyPageSize = 10000;
inline constexpr int kVerifyPagePauseMs = 2000;

// The status texts of the outcome.
inline constexpr const char* kMappingOkText =
    "암호화 매핑 성공 [암호화진행] 버튼을 선택하시면 암호화가 진행됩니다";
inline constexpr const char* kMappingFailedText = "암호화 매핑 실패 아래 표를 확인해주세요";
// The error of a run over a mapping without its empty-number entry, which
// every complete build adds last: the build was cut short, and numbers it
// had still to collect would stay plain.
inline constexpr const char* kMappingIncompleteText =
    "매핑테이블이 완성되지 않았습니다(빈 주민번호 항목이 없습니다). 매핑테이블을 다시 만든 뒤 검증해주세요";

// Whether a mapping entry gives its number back: its stored value carries a
// body before the two-character key version, and its decryption, trimmed,
// is its number, trimmed. The empty-number entry passes with the encryption
// of the empty text. (An entry whose value is empty, "01" alone, does not
// decrypt or decrypts to another number fails: the encryption run would
// mask its number while storing nothing that gives it back. So does an entry
// whose number holds '*': it is a masked number, and the run would store the
// encryption of a masked number.)
bool MappingEntryPasses(std::string_view panum, std::string_view stored,
                        std::string_view decryption);

// VerifyMapping, run by "검증 시작" (Btn_CheckClick) and "복호화 검증 테스트"
// (Btn_DeTestClick). Refuses to start (CodecUnusable) when the codec cannot
// decrypt. Disables Btn_Encrypt first and clears the markers an earlier run
// may have left; enables Btn_Encrypt only when every entry counted at the
// start was read, passed and marked in this run. Lists the failing entries
// (PANUM in column 2, ENCRYPT in column 3) and ends with the message box.
// A run that listed nothing but could not check every entry (a page query
// or a marking failed) throws IncompleteVerificationText; one over a mapping
// without its empty-number entry throws kMappingIncompleteText. A lost
// connection ends the run with its error.
void VerifyMapping(ui::FormModel& form, db::Session& db, crypto::Codec& codec, Shell& shell);

// The error of a run that could not check every counted entry.
std::string IncompleteVerificationText(int total, int verified);

}  // namespace jc::migration
