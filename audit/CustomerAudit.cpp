#include "audit/CustomerAudit.h"

#include <string>
#include <string_view>

#include "audit/BulkRestore.h"
#include "common/Text.h"
#include "db/Names.h"
#include "db/Query.h"

namespace jc::audit {

namespace {

namespace names = db::names;
namespace col = db::names::col;

std::string Str(std::string_view s) { return std::string(s); }

const std::string kJuminCheck = Str(names::JUMIN_CHECK);

// Copy for the registration-date range: records whose stored value is missing.
const std::string kCopyByDateHead =
    "SELECT * INTO " + kJuminCheck +
    "   FROM (SELECT CUSCODE, SEQ, INDATE, PANUM, PANAME, TEMPNUM, '' AS CHK           FROM " +
    Str(names::CD_PERSON) +
    "          WHERE RIGHT(PANUM, 6) = '******' AND ISNULL(TEMPNUM,'') = ''            AND "
    "INDATE BETWEEN ";
const char* const kCopyByDateAnd = "           AND ";
const char* const kCopyByDateTail = "       ) AS T1";

// Copy for the tax year: records with a stored value whose customer has a
// dispensing record dated within the year.
const std::string kCopyByYearHead =
    "SELECT * INTO " + kJuminCheck +
    "   FROM (SELECT CUSCODE, SEQ, INDATE, PANUM, PANAME, TEMPNUM, '' AS CHK           FROM " +
    Str(names::CD_PERSON) +
    "          WHERE RIGHT(PANUM, 6) = '******' AND ISNULL(TEMPNUM,'') <> ''            AND "
    "CUSCODE IN(SELECT CUSCODE                             FROM " +
    Str(names::PS_MAIN) + "                            WHERE INDATE BETWEEN ";
const char* const kCopyByYearAnd = " AND ";
const char* const kCopyByYearTail = "                           GROUP BY CUSCODE)) AS T1";

const std::string kCount = "SELECT COUNT(*) AS CNT FROM " + kJuminCheck + " ";

// Unmarked rows: all of them (single mode) or the next page.
const std::string kReadColumns = "CUSCODE, SEQ, INDATE, PANUM, PANAME, TEMPNUM  FROM " +
                                 kJuminCheck +
                                 " WHERE RIGHT(PANUM,6) = '******' AND TEMPNUM IS NOT NULL AND "
                                 "CHK <> '1' ";
const std::string kReadAll = "SELECT " + kReadColumns;
const std::string kReadPage = "SELECT TOP 10000 " + kReadColumns;

const std::string kMarkHead = "UPDATE " + kJuminCheck + " SET CHK = '1'  WHERE CUSCODE = ";
const char* const kMarkSeq = "   AND SEQ     = ";

const char* const kHeaders[6] = {"SEQ", "이름", "주민번호", "암호화해제 주민번호", "조제년도",
                                 "고객코드"};

struct Run {
  ui::FormModel& form;
  db::Session& db;
  crypto::Codec& codec;
  Shell& shell;
  std::string yearCell;  // column 4 of every listed row: the audited year + "년"
  int listed = 0;

  // One row of Ado_Qry: decrypt, list it when the decryption holds '*', mark
  // it read, advance the gauge.
  void RowStep() {
    db::TADOQuery& q = db.Ado_Qry;
    const std::string tempnum = q.FieldAsString(col::TEMPNUM);
    const std::string cuscode = q.FieldAsString(col::CUSCODE);
    const std::string seq = q.FieldAsString(col::SEQ);
    if (codec.DecryptJumin(tempnum).find('*') != std::string::npos) {
      ui::ResultGrid& grid = form.Grid_Main;
      grid.AppendRow();
      const int row = grid.RowCount() - 2;
      grid.SetCell(0, row, seq);
      grid.SetCell(1, row, q.FieldAsString(col::PANAME));
      grid.SetCell(2, row, q.FieldAsString(col::PANUM));
      grid.SetCell(3, row, codec.DecryptJumin(Trim(tempnum)));
      grid.SetCell(4, row, yearCell);
      grid.SetCell(5, row, cuscode);
      ++listed;
    }
    db.SqlText = kMarkHead + db::QuotedStr(cuscode) + kMarkSeq + db::QuotedStr(seq);
    db::ExecQuery(db.Ado_Exec, db.SqlText);
    form.Gauge1.AddProgress(1);
    shell.ProcessMessages();
  }

  void ReadAll(const std::string& sql) {
    db.SqlText = sql;
    // A read that fails must not pass for a page without findings.
    db::OpenQueryOrFail(db.Ado_Qry, db.SqlText);
    while (!db.Ado_Qry.Eof()) {
      RowStep();
      db.Ado_Qry.Next();
    }
  }
};

}  // namespace

void Btn_De_CustomClick(ui::FormModel& form, db::Session& db, crypto::Codec& codec,
                        Shell& shell) {
  crypto::RequireUsableCodec(codec);
  form.CustomerMode = true;
  form.LB_Msg.caption.clear();

  const std::string year = Trim(form.Combo_Year.Text());
  const std::string yearStart = year + "0101";
  const std::string yearEnd = year + "1231";

  for (ui::ResultGrid* grid : {&form.Grid_Main, &form.Grid_Sub}) {
    grid->ClearNonFixed();
    grid->SetRowCount(2);
  }
  ForgetRestorePairs(form);  // Grid_Sub no longer shows a dispensing audit's pairs
  for (int col = 0; col < 6; ++col) form.Grid_Main.SetColumnHeader(col, kHeaders[col]);
  shell.ProcessMessages();

  db.SqlText = names::sql::DropJuminCheck;
  db::ExecQuery(db.Ado_Exec, db.SqlText);

  Run run{form, db, codec, shell, {}, 0};
  if (form.Chk_Day.checked) {
    const std::string from = form.Dtp_Start.date.Yyyymmdd();
    const std::string to = form.Dtp_End.date.Yyyymmdd();
    db.SqlText = kCopyByDateHead + db::QuotedStr(from) + kCopyByDateAnd + db::QuotedStr(to) +
                 kCopyByDateTail;
    run.yearCell = from.substr(0, 4) + "년";
  } else {
    db.SqlText = kCopyByYearHead + db::QuotedStr(yearStart) + kCopyByYearAnd +
                 db::QuotedStr(yearEnd) + kCopyByYearTail;
    run.yearCell = year + "년";
  }
  // The drop above may have failed too (a lock, a full disk), leaving the
  // previous run's table with every row marked: a failed copy must end the
  // run with its own error, never be read as a clean audit.
  db::ExecQueryOrFail(db.Ado_Exec, db.SqlText);

  db.SqlText = names::sql::CreateJuminCheckIndexCustomer;
  db::ExecQuery(db.Ado_Exec, db.SqlText);

  db.SqlText = kCount;
  db::OpenQuery(db.Ado_Qry, db.SqlText);
  const int total = db.Ado_Qry.FieldAsInteger(col::CNT);
  form.Gauge1.SetMinValue(0);
  form.Gauge1.SetProgress(0);
  form.Gauge1.SetMaxValue(total);

  if (total <= kAuditPageSize) {
    run.ReadAll(kReadAll);
    // Drop the spare row the appends leave at the end.
    form.Grid_Main.SetRowCount(form.Grid_Main.RowCount() - 1);
  } else {
    form.Grid_Main.SetRowCount(2);
    form.Gauge1.SetMaxValue(total);
    // The read mark moves the pages on; one page more than the whole part.
    const int pages = total / kAuditPageSize + 1;
    for (int page = 0; page < pages; ++page) {
      run.ReadAll(kReadPage);
      shell.Sleep(kAuditPagePauseMs);
    }
    // The spare row stays: the grid ends with one blank row.
  }

  form.LB_Msg.caption = std::to_string(total) + "건 중 암호화 오입력 환자 " +
                        std::to_string(run.listed) + "건 검색";
}

}  // namespace jc::audit
