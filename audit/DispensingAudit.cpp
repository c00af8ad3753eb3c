#include "audit/DispensingAudit.h"

#include <string>
#include <string_view>

#include "audit/BulkRestore.h"
#include "common/Text.h"
#include "db/Names.h"
#include "db/Query.h"

namespace jc::audit {

const DispensingSource kDispensingRecords{db::names::PS_MAIN, "P"};
const DispensingSource kExceptionRecords{db::names::INS_COMPOS, "B"};

namespace {

namespace names = db::names;
namespace col = db::names::col;

std::string Str(std::string_view s) { return std::string(s); }

const std::string kJuminCheck = Str(names::JUMIN_CHECK);

// Copy of the masked records with a stored value; the source table goes
// between the head and the rest. The date-range variant joins the two dates
// as quoted texts: INDATE is text, and a bare number would make the server
// convert every INDATE to a number, so one non-numeric INDATE anywhere would
// fail the whole copy.
const std::string kCopyHead =
    "SELECT * INTO " + kJuminCheck +
    "   FROM (SELECT PRESERIAL, CUSCODE, PANUM, PANAME, TEMPNUM, '' AS CHK           FROM ";
const char* const kCopyWhere =
    "          WHERE RIGHT(PANUM,6) = '******' AND TEMPNUM IS NOT NULL           ";
const char* const kCopyBetween = "AND INDATE BETWEEN ";
const char* const kCopyBetweenAnd = "           AND ";
const char* const kCopyByDateTail = "           ) AS T1 ";
const char* const kCopyAllTail = ") AS T1 ";

const std::string kCount = "SELECT COUNT(*) AS CNT FROM " + kJuminCheck + " ";

// Every copied row (date range), or the rows not marked yet (whole table).
const std::string kReadAll =
    "SELECT PRESERIAL, CUSCODE, PANUM, PANAME, TEMPNUM  FROM " + kJuminCheck +
    " WHERE RIGHT(PANUM,6) = '******' AND TEMPNUM IS NOT NULL ";
const std::string kReadUnmarked = kReadAll + "AND CHK <> '1' ";

const std::string kMarkHead = "UPDATE " + kJuminCheck + " SET CHK = '1' WHERE PRESERIAL = ";

// The customer's active record; the first one returned is paired.
const std::string kActiveCustomer =
    "SELECT * FROM " + Str(names::CD_PERSON) + " WHERE CUSACT = '1' AND CUSCODE = ";

const char* const kHeaders[6] = {"일련번호", "이름", "주민번호", "암호해제값", "암호화값",
                                 "고객코드"};

struct Run {
  ui::FormModel& form;
  db::Session& db;
  crypto::Codec& codec;
  Shell& shell;

  // The current row of Ado_Qry: listed when its value, as read, decrypts to a
  // text with '*'.
  void ListingStep() {
    db::TADOQuery& q = db.Ado_Qry;
    const std::string tempnum = q.FieldAsString(col::TEMPNUM);
    if (codec.DecryptJumin(tempnum).find('*') == std::string::npos) return;
    ui::ResultGrid& grid = form.Grid_Main;
    grid.AppendRow();
    const int row = grid.RowCount() - 2;
    grid.SetCell(0, row, q.FieldAsString(col::PRESERIAL));
    grid.SetCell(1, row, q.FieldAsString(col::PANAME));
    grid.SetCell(2, row, q.FieldAsString(col::PANUM));
    grid.SetCell(3, row, codec.DecryptJumin(Trim(tempnum)));
    grid.SetCell(4, row, tempnum);
    grid.SetCell(5, row, q.FieldAsString(col::CUSCODE));
  }

  // One read of the scratch table; with mark, every row read is marked so
  // that a later pass does not see it again.
  void Read(const std::string& sql, bool mark) {
    db.SqlText = sql;
    // A read that fails must not pass for a table without findings.
    db::OpenQueryOrFail(db.Ado_Qry, db.SqlText);
    db::TADOQuery& q = db.Ado_Qry;
    while (!q.Eof()) {
      ListingStep();
      if (mark) {
        db.SqlText = kMarkHead + db::QuotedStr(q.FieldAsString(col::PRESERIAL));
        db::ExecQuery(db.Ado_Exec, db.SqlText);
      }
      form.Gauge1.AddProgress(1);
      shell.ProcessMessages();
      q.Next();
    }
  }

  // Row i of Grid_Sub: the record number and code of Grid_Main's row i with
  // the fields of the customer's active record (empty when there is none).
  // A lookup that cannot be opened ends the run at its first field.
  void PairRows() {
    const ui::ResultGrid& listed = form.Grid_Main;
    ui::ResultGrid& pairs = form.Grid_Sub;
    pairs.SetRowCount(listed.RowCount());
    db::TADOQuery& q = db.Ado_Qry;
    for (int row = 1; row < listed.RowCount(); ++row) {
      db.SqlText = kActiveCustomer + db::QuotedStr(Trim(listed.Cell(5, row)));
      db::OpenQuery(q, db.SqlText);
      pairs.SetCell(0, row, Trim(listed.Cell(0, row)));
      pairs.SetCell(1, row, q.FieldAsString(col::PANAME));
      pairs.SetCell(2, row, q.FieldAsString(col::PANUM));
      const std::string tempnum = q.FieldAsString(col::TEMPNUM);
      pairs.SetCell(3, row, codec.DecryptJumin(tempnum));
      pairs.SetCell(4, row, tempnum);
      pairs.SetCell(5, row, listed.Cell(5, row));
    }
  }

  void KeepPairs() {
    const ui::ResultGrid& listed = form.Grid_Main;
    const ui::ResultGrid& pairs = form.Grid_Sub;
    form.RestorePairs.clear();
    for (int row = 1; row < pairs.RowCount(); ++row)
      form.RestorePairs.push_back(ui::RestorePair{row, pairs.Cell(0, row), pairs.Cell(5, row),
                                                  pairs.Cell(3, row), pairs.Cell(4, row),
                                                  listed.Cell(2, row), listed.Cell(4, row)});
  }
};

}  // namespace

void RunDispensingAudit(ui::FormModel& form, db::Session& db, crypto::Codec& codec, Shell& shell,
                        const DispensingSource& source) {
  crypto::RequireUsableCodec(codec);
  form.CustomerMode = false;
  for (ui::ResultGrid* grid : {&form.Grid_Main, &form.Grid_Sub}) {
    grid->ClearNonFixed();
    grid->SetRowCount(2);
  }
  // Grid_Sub no longer shows the pairs of an earlier audit.
  ForgetRestorePairs(form);
  for (ui::ResultGrid* grid : {&form.Grid_Main, &form.Grid_Sub})
    for (int col = 0; col < 6; ++col) grid->SetColumnHeader(col, kHeaders[col]);
  shell.ProcessMessages();

  db.SqlText = names::sql::DropJuminCheck;
  db::ExecQuery(db.Ado_Exec, db.SqlText);

  const bool byDate = form.Chk_Day.checked;
  db.SqlText = kCopyHead + Str(source.table) + kCopyWhere;
  if (byDate)
    db.SqlText += kCopyBetween + db::QuotedStr(form.Dtp_Start.date.Yyyymmdd()) + kCopyBetweenAnd +
                  db::QuotedStr(form.Dtp_End.date.Yyyymmdd()) + kCopyByDateTail;
  else
    db.SqlText += kCopyAllTail;
  // A failed drop leaves the previous run's table; a failed copy must end
  // the run with its own error rather than let that table be read.
  db::ExecQueryOrFail(db.Ado_Exec, db.SqlText);

  db.SqlText = names::sql::CreateJuminCheckIndexDispensing;
  db::ExecQuery(db.Ado_Exec, db.SqlText);

  db.SqlText = kCount;
  db::OpenQuery(db.Ado_Qry, db.SqlText);
  const int total = db.Ado_Qry.FieldAsInteger(col::CNT);
  form.Gauge1.SetMinValue(0);
  form.Gauge1.SetProgress(0);
  form.Gauge1.SetMaxValue(total);
  form.Grid_Main.SetRowCount(2);

  Run run{form, db, codec, shell};
  if (byDate) {
    run.Read(kReadAll, false);
  } else {
    form.Gauge1.SetMaxValue(total);
    // The pass reads every unmarked row, so the first pass reads them all;
    // the passes still follow the count, each with its pause.
    const int passes = total / kDispensingPassSize + 1;
    for (int pass = 0; pass < passes; ++pass) {
      run.Read(kReadUnmarked, true);
      shell.Sleep(kDispensingPassPauseMs);
    }
  }
  // Drop the spare row the appends leave at the end.
  form.Grid_Main.RemoveRows(form.Grid_Main.RowCount(), 1);

  run.PairRows();

  db.SqlText = names::sql::DropJuminCheck;
  db::ExecQuery(db.Ado_Exec, db.SqlText);

  if (form.Grid_Main.RowCount() > 1) {
    run.KeepPairs();
    form.RestoreKind = Str(source.restoreKind);
    form.Btn_Restore.enabled = true;
  }
}

void Btn_De_TestClick(ui::FormModel& form, db::Session& db, crypto::Codec& codec, Shell& shell) {
  RunDispensingAudit(form, db, codec, shell, kDispensingRecords);
}

void Btn_De_BunClick(ui::FormModel& form, db::Session& db, crypto::Codec& codec, Shell& shell) {
  RunDispensingAudit(form, db, codec, shell, kExceptionRecords);
}

}  // namespace jc::audit
