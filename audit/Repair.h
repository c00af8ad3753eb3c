#pragma once
// Row-by-row repair of a customer found by the audit: copies the stored value
// of a history row into the customer's records of that value's number.
#include <string>

#include "audit/Journal.h"
#include "common/Shell.h"
#include "crypto/Codec.h"
#include "db/Session.h"
#include "ui/FormModel.h"

namespace jc::audit {

// Shown after a successful repair, followed by the number of records changed
// (RepairDoneText).
inline constexpr const char* kRepairDone = "복구완료";
// Refusals: the current history row holds no customer code, or no stored
// value; no statement runs.
inline constexpr const char* kRepairNoCustomerCode = "고객코드가 없어 복구할 수 없습니다.";
inline constexpr const char* kRepairNoValue = "복구할 암호화 값이 없습니다.";
// The value to copy does not decrypt, now, to a sound number (empty, or with
// '*' in its first 13 characters): copying it would replace the customer's
// values with one that gives no number back. No statement runs.
inline constexpr const char* kRepairUnsoundValue =
    "복구할 암호화 값이 올바른 주민번호로 복호화되지 않아 복구하지 않았습니다.";
// No record of the customer has a number that begins with the seven digits
// of the value's number: the value is another person's, and nothing was
// changed.
inline constexpr const char* kRepairNoRecordOfTheNumber =
    "복구할 값의 주민번호 앞 7자리와 같은 주민번호를 가진 고객 기록이 없어 복구하지 않았습니다.";
// The UPDATE failed; nothing was changed. The provider's text follows on a
// second line.
inline constexpr const char* kRepairFailed = "복구 실패: 고객 암호화 값을 저장하지 못했습니다.";

// The question asked before the UPDATE: the customer, the history row and
// how many of the customer's records will receive the row's value.
std::string RepairQuestionText(const std::string& name, const std::string& code, int row, int records);
// "복구완료" with the number of records changed.
std::string RepairDoneText(long long records);

// What a repair of the current history row came to.
enum class RepairOutcome {
  NoCustomerCode,       // refused: the row holds no customer code
  NoValue,              // refused: the row holds no stored value
  UnsoundValue,         // refused: the value does not decrypt to a sound number
  NoRecordOfTheNumber,  // nothing to change: no record has the value's number
  Declined,             // the operator answered No
  Failed,               // the UPDATE failed
  Done,                 // the UPDATE changed the customer's records
};

// Repairs from Grid_Sub's current row without looking at the button or the
// mode: the refusals, the count of the records to change, the question (a
// No changes nothing), the UPDATE and its message box, as described below.
// The UPDATE and the journal rows of the records it changes commit together
// (Journal.h); a journal that cannot be written ends the repair with
// JournalError before anything changed.
RepairOutcome RepairCurrentRow(ui::FormModel& form, db::Session& db, crypto::Codec& codec, Shell& shell,
                               const JournalContext& journal = SystemJournalContext());

// Handler of a mouse press in Grid_Sub, with the grid row under the pointer
// (0 the header, -1 below the rows). Acts for the right button alone, only
// while CustomerMode is on, and only on a data row: that row becomes current
// and the repair runs from it. It writes TEMPNUM of every TV_BASE..CD_PERSON
// record whose CUSCODE is column 5 of the row and whose number (dashes
// removed) begins with the seven digits of the value's decryption, with the
// value in column 6, code and value as the cells hold them, after the
// operator has confirmed the question. A row whose code or value is empty
// after trimming, or whose value does not decrypt (at the time of the repair)
// to a non-empty text without '*' in its first 13 characters, is refused
// with an information box, and so is a value whose number no record of the
// customer has; a failed UPDATE is reported in the error box.
void Grid_SubMouseDown(ui::FormModel& form, db::Session& db, crypto::Codec& codec, Shell& shell,
                       bool rightButton, int row, const JournalContext& journal = SystemJournalContext());

}  // namespace jc::audit
