#include "migration/MappingVerification.h"

#include <stdexcept>
#include <string>

#include "common/Text.h"
#include "db/Names.h"
#include "db/Query.h"

namespace jc::migration {

namespace {

namespace names = db::names;
namespace col = db::names::col;

const std::string kMapping(names::TEMP_MAPPING_BAK);

const std::string kCount = "SELECT COUNT(*) CNT FROM " + kMapping + " ";
const std::string kPage =
    "SELECT TOP 10000 PANUM, ENCRYPT FROM " + kMapping + " WHERE CHECKFLG IS NULL";
const std::string kMarkHead = "UPDATE " + kMapping + "    SET CHECKFLG = '1'  WHERE PANUM = ";
const std::string kResetMarks = "UPDATE " + kMapping + "    SET CHECKFLG = NULL ";
// Markers an earlier run left behind (its closing reset failed).
const std::string kClearLeftoverMarks =
    "UPDATE " + kMapping + "    SET CHECKFLG = NULL  WHERE CHECKFLG IS NOT NULL";

const char* const kChecking = "암호화 매핑 점검중입니다....";

constexpr std::size_t kVersionLength = 2;

struct Run {
  ui::FormModel& form;
  db::Session& db;
  crypto::Codec& codec;
  Shell& shell;
  bool allPassed = true;
  int verified = 0;  // entries that passed and were marked in this run
  bool sawEmptyEntry = false;  // the empty-number entry a complete build ends with

  // Appends the current row of Ado_Qry to Grid_Main, before the spare row.
  void List() {
    allPassed = false;
    ui::ResultGrid& grid = form.Grid_Main;
    grid.AppendRow();
    shell.ProcessMessages();
    const int row = grid.RowCount() - 2;
    grid.SetCell(2, row, db.Ado_Qry.FieldAsString(col::PANUM));
    grid.SetCell(3, row, db.Ado_Qry.FieldAsString(col::ENCRYPT));
  }

  void Entry() {
    db::TADOQuery& q = db.Ado_Qry;
    const std::string stored = q.FieldAsString(col::ENCRYPT);
    const std::string decryption = codec.DecryptJumin(stored);
    const std::string panum = q.FieldAsString(col::PANUM);
    const bool passed = MappingEntryPasses(panum, stored, decryption);
    if (!passed) List();
    db.SqlText = kMarkHead + db::QuotedStr(panum);
    const bool marked = db::ExecQuery(db.Ado_Exec, db.SqlText);
    // A NULL number reads as the empty text, and its marking marks the
    // empty-number entry instead: it never counts as checked.
    if (passed && marked && !q.FieldIsNull(col::PANUM)) {
      ++verified;
      if (panum.empty()) sawEmptyEntry = true;
    }
    form.Gauge1.AddProgress(1);
    shell.ProcessMessages();
  }

  void Page() {
    db.SqlText = kPage;
    db::OpenQuery(db.Ado_Qry, db.SqlText);
    while (!db.Ado_Qry.Eof()) {
      try {
        Entry();
      } catch (const db::ConnectionLost&) {
        throw;  // not a failing entry: the run cannot go on
      } catch (const crypto::CodecUnusable&) {
        throw;
      } catch (const OperationCancelled&) {
        throw;  // stopped by the user: not a failing entry either
      } catch (...) {
        // The entry is listed, not marked, and the gauge does not advance.
        List();
      }
      db.Ado_Qry.Next();
    }
  }
};

}  // namespace

bool MappingEntryPasses(std::string_view panum, std::string_view stored,
                        std::string_view decryption) {
  return stored.size() > kVersionLength && panum.find('*') == std::string_view::npos &&
         Trim(decryption) == Trim(panum);
}

std::string IncompleteVerificationText(int total, int verified) {
  return "암호화 매핑 검증 미완료: 전체 " + std::to_string(total) + "건 중 " +
         std::to_string(verified) + "건만 검증되었습니다. 다시 검증해주세요";
}

void VerifyMapping(ui::FormModel& form, db::Session& db, crypto::Codec& codec, Shell& shell) {
  crypto::RequireUsableCodec(codec);
  // Only this run's outcome may enable the encryption run: a failing run
  // after a clean one must not leave it enabled.
  form.Btn_Encrypt.enabled = false;

  Run run{form, db, codec, shell};
  form.Gauge1.SetMinValue(0);
  form.Gauge1.SetProgress(0);
  form.LB_Msg.SetText(kChecking);
  shell.ProcessMessages();

  // Markers left by an earlier run whose closing reset failed would make
  // the pages skip their entries: every run starts from none.
  db.SqlText = kClearLeftoverMarks;
  db::ExecQuery(db.Ado_Exec, db.SqlText);

  db.SqlText = kCount;
  db::OpenQuery(db.Ado_Qry, db.SqlText);
  const int count = db.Ado_Qry.FieldAsInteger(col::CNT);  // a failed count ends the run here
  form.Gauge1.SetMaxValue(count);

  ui::ResultGrid& grid = form.Grid_Main;
  grid.ClearNonFixed();
  grid.SetRowCount(2);
  grid.SetCurrentRow(1);

  // One page more than the whole part; marking moves the pages on.
  const int pages = count / kVerifyPageSize + 1;
  for (int page = 0; page < pages; ++page) {
    run.Page();
    shell.Sleep(kVerifyPagePauseMs);
  }

  db.SqlText = kResetMarks;
  db::ExecQuery(db.Ado_Exec, db.SqlText);

  if (!run.allPassed) {
    grid.RemoveRows(grid.RowCount(), 1);
    shell.ShowMessage(kMappingFailedText);
    form.LB_Msg.SetText(kMappingFailedText);
    return;
  }
  // Nothing listed, but not every counted entry was checked (a page query
  // or a marking failed): the run itself failed, and says so.
  if (run.verified != count) throw std::runtime_error(IncompleteVerificationText(count, run.verified));
  if (!run.sawEmptyEntry) throw std::runtime_error(kMappingIncompleteText);
  form.Btn_Encrypt.enabled = true;
  form.LB_Msg.SetText(kMappingOkText);  // the grid keeps its spare row
}

}  // namespace jc::migration
