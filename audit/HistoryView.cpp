#include "audit/HistoryView.h"

#include <string>

#include "audit/BulkRestore.h"
#include "common/Text.h"
#include "db/Names.h"
#include "db/Query.h"

namespace jc::audit {

namespace {

namespace col = db::names::col;

// Customer records, then dispensing records (SEQ '1'), of one customer code.
const std::string kHistoryPerson =
    "SELECT SEQ, CUSCODE, PANAME, INDATE, PANUM, TEMPNUM   FROM " +
    std::string(db::names::CD_PERSON) + " WHERE CUSCODE = ";
const char* const kHistoryUnion = " UNION ALL ";
const char* const kHistoryDispensing = "SELECT '1' AS SEQ, CUSCODE, PANAME, INDATE, PANUM, TEMPNUM ";
const std::string kHistoryDispensingWhere =
    "  FROM " + std::string(db::names::PS_MAIN) + " WHERE CUSCODE = ";
const char* const kHistoryOrder = " ORDER BY INDATE";

const char* const kHeaders[6] = {"SEQ", "이름", "주민번호", "암호화해제 주민번호", "고객등록일",
                                 "고객코드"};

bool IsBlankRow(const ui::ResultGrid& grid, int row) {
  for (int col = 0; col <= 5; ++col)
    if (!Trim(grid.Cell(col, row)).empty()) return false;
  return true;
}

}  // namespace

bool IsUnmasked(const std::string& text) {
  return Utf8Left(text, 13).find('*') == std::string::npos;
}

bool IsSoundDecryption(const std::string& plain) {
  const std::string trimmed = Trim(plain);
  return !trimmed.empty() && IsUnmasked(trimmed);
}

std::string KeptDigits(const std::string& storedNumber) {
  const std::string number = WithoutDashes(Trim(storedNumber));
  if (number.size() < kKeptDigits) return {};
  for (std::size_t i = 0; i < kKeptDigits; ++i)
    if (number[i] < '0' || number[i] > '9') return {};
  return number.substr(0, kKeptDigits);
}

bool DecryptionBelongsToNumber(const std::string& plain, const std::string& storedNumber) {
  const std::string digits = KeptDigits(storedNumber);
  return !digits.empty() && Trim(plain).compare(0, kKeptDigits, digits) == 0;
}

void Grid_MainClickCell(ui::FormModel& form, db::Session& db, crypto::Codec& codec,
                        Shell& /*shell*/) {
  const ui::ResultGrid& list = form.Grid_Main;
  const int current = list.CurrentRow();
  if (current == 1 && list.Cell(1, 1).empty()) return;  // nothing listed

  // The code exactly as the cell holds it.
  const std::string code = db::QuotedStr(list.Cell(5, current));
  db.SqlText = kHistoryPerson + code + kHistoryUnion + kHistoryDispensing +
               kHistoryDispensingWhere + code + kHistoryOrder;
  db::OpenQuery(db.Ado_Qry, db.SqlText);

  ui::ResultGrid& grid = form.Grid_Sub;
  ForgetRestorePairs(form);  // Grid_Sub no longer shows a dispensing audit's pairs
  grid.ClearNonFixed();
  grid.SetRowCount(db.Ado_Qry.RecordCount() + 1);

  // Record r goes to row r when its value decrypts unmasked; the others leave
  // their row blank.
  db::TADOQuery& q = db.Ado_Qry;
  for (int r = 1; !q.Eof(); ++r, q.Next()) {
    const std::string tempnum = q.FieldAsString(col::TEMPNUM);
    if (!IsUnmasked(Trim(codec.DecryptJumin(tempnum)))) continue;
    grid.SetCell(0, r, q.FieldAsString(col::SEQ));
    grid.SetCell(1, r, q.FieldAsString(col::PANAME));
    grid.SetCell(2, r, q.FieldAsString(col::PANUM));
    grid.SetCell(3, r, codec.DecryptJumin(tempnum));
    grid.SetCell(4, r, q.FieldAsString(col::INDATE));
    grid.SetCell(5, r, q.FieldAsString(col::CUSCODE));
    grid.SetCell(6, r, tempnum);
  }

  // Close the gaps: listed records end up in consecutive rows from row 1.
  for (int row = 1; row < grid.RowCount();) {
    if (IsBlankRow(grid, row))
      grid.RemoveRows(row, 1);
    else
      ++row;
  }

  for (int col = 0; col < 6; ++col) grid.SetCell(col, 0, kHeaders[col]);
}

}  // namespace jc::audit
