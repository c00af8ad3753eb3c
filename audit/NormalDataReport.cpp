#include "audit/NormalDataReport.h"

#include <string>

#include "common/Text.h"
#include "db/Names.h"
#include "db/Query.h"

namespace jc::audit {

namespace {

namespace names = db::names;
namespace col = db::names::col;

// Masked customer records (not the thirteen-'*' placeholder) with a value.
const std::string kRecords = "SELECT CUSCODE, PANAME, PANUM, TEMPNUM FROM " +
                             std::string(names::CD_PERSON) +
                             "  WHERE RIGHT(PANUM,6) = '******'    AND ISNULL(TEMPNUM, '') <> ''  "
                             "  AND PANUM <> '*************' ";

const char* const kCountSuffix = " 건";
const char* const kCountBetween = " 건 / ";

const std::string kInsertHead = "INSERT INTO " + std::string(names::AAA) +
                                "(CUSCODE, PANAME, PANUM, PANUM_1, TEMPNUM) VALUES( ";

}  // namespace

std::string ReportRowsNotSavedText(int notSaved, int listed) {
  return "정상데이터 " + std::to_string(listed) + "건 중 " + std::to_string(notSaved) +
         "건을 보고서 테이블(" + std::string(names::AAA) + ")에 저장하지 못했습니다.";
}

std::string ReportUndecryptableText(int undecryptable) {
  return "암호화 값을 복호화할 수 없는 " + std::to_string(undecryptable) +
         "건은 정상데이터가 아니어서 목록에서 제외했습니다.";
}

void Button1Click(ui::FormModel& form, db::Session& db, crypto::Codec& codec, Shell& shell) {
  crypto::RequireUsableCodec(codec);
  ui::ResultGrid& grid = form.Grid_Main;
  grid.ClearNonFixed();
  grid.SetRowCount(2);
  grid.SetCurrentRow(1);
  form.Gauge1.SetMinValue(0);
  form.Gauge1.SetProgress(0);

  db.SqlText = kRecords;
  db::OpenQuery(db.Ado_Qry, db.SqlText);
  db::TADOQuery& q = db.Ado_Qry;
  const int records = q.RecordCount();
  form.Label4.caption = std::to_string(records) + kCountSuffix;
  form.Gauge1.SetMaxValue(records);
  shell.ProcessMessages();

  int next = 1;  // the number of the next listed row
  int read = 1;  // counted from 1: the first pause comes after 9 999 records
  int undecryptable = 0;
  while (!q.Eof()) {
    const std::string tempnum = q.FieldAsString(col::TEMPNUM);
    const std::string plain = codec.DecryptJumin(tempnum);
    // An empty decryption (a value with a trailing blank, one that does not
    // decrypt) holds no '*' but is no normal data either.
    if (Trim(plain).empty()) {
      ++undecryptable;
    } else if (plain.find('*') == std::string::npos) {
      grid.AppendRow();
      const int row = grid.RowCount() - 2;
      grid.SetCell(0, row, std::to_string(next));
      grid.SetCell(1, row, q.FieldAsString(col::PANAME));
      grid.SetCell(2, row, q.FieldAsString(col::PANUM));
      grid.SetCell(3, row, plain);
      grid.SetCell(4, row, tempnum);
      grid.SetCell(5, row, q.FieldAsString(col::CUSCODE));
      ++next;
    }
    ++read;
    if (read % kReportPauseEvery == 0) shell.Sleep(kReportPauseMs);
    q.Next();
    form.Gauge1.AddProgress(1);
    shell.ProcessMessages();
  }
  form.Label4.caption = std::to_string(records) + kCountBetween + std::to_string(next) + kCountSuffix;
  // Drop the spare row the appends leave at the end.
  grid.RemoveRows(grid.RowCount(), 1);

  db.SqlText = names::sql::DropAAA;
  db::ExecQuery(db.Ado_Exec, db.SqlText);
  // A report table that cannot be made (the drop failed too, say) would take
  // the inserts into whatever table is there: end with the create's error.
  db.SqlText = names::sql::CreateAAA;
  db::ExecQueryOrFail(db.Ado_Exec, db.SqlText);

  // A row the table refuses (a name longer than its column, say) is not in
  // the report: count them and say so once.
  int notSaved = 0;
  for (int row = 1; row < grid.RowCount(); ++row) {
    db.SqlText = kInsertHead + db::QuotedStr(grid.Cell(5, row)) + "," +
                 db::QuotedStr(grid.Cell(1, row)) + "," + db::QuotedStr(grid.Cell(2, row)) + "," +
                 db::QuotedStr(grid.Cell(3, row)) + "," + db::QuotedStr(grid.Cell(4, row)) + ")";
    if (!db::ExecQuery(db.Ado_Exec, db.SqlText)) ++notSaved;
  }
  std::string notice;
  if (undecryptable > 0) notice = ReportUndecryptableText(undecryptable);
  if (notSaved > 0)
    notice += (notice.empty() ? "" : "\n") + ReportRowsNotSavedText(notSaved, grid.RowCount() - 1);
  if (!notice.empty()) shell.ShowMessage(notice);
}

}  // namespace jc::audit
