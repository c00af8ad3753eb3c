// build-mapping / verify-mapping / encrypt-tables / migration-status: the
// migration to encrypted storage, headless.
#include <unistd.h>

#include <iostream>
#include <memory>
#include <ostream>
#include <string>

#include "app/Commands.h"
#include "db/Names.h"
#include "db/OperationLock.h"
#include "db/Query.h"
#include "migration/EncryptionRun.h"
#include "migration/MappingBuild.h"
#include "migration/MappingVerification.h"
#include "migration/MigrationStatus.h"
#include "migration/WorkTables.h"

namespace jc::app {

namespace {

// The entries the verification listed in Grid_Main (number and stored
// value), under a header of their own; nothing when none was listed. The
// grid's own header row belongs to the customer audit, not to this command.
void PrintListed(const ui::ResultGrid& grid, std::ostream& out) {
  bool header = false;
  for (int r = 1; r < grid.RowCount(); ++r) {
    const std::string number = grid.Cell(2, r), value = grid.Cell(3, r);
    if (number.empty() && value.empty()) continue;
    if (!header) PrintTsvRow({"PANUM", "ENCRYPT"}, out);
    header = true;
    PrintTsvRow({number, value}, out);
  }
}

void PrintStatus(CommandContext& ctx) {
  ctx.shell.EndProgress();
  ctx.err << "status: " << ctx.form->LB_Msg.caption << '\n';
}

// The mapping table must be there before it can be verified; without it the
// verification would only say that its count has no field. False (having
// said what to do) when it cannot be read.
bool MappingTableThere(CommandContext& ctx) {
  TForm1& f = *ctx.form;
  bool there = false;
  std::string why;
  f.RunEvent([&] {
    f.Db.SqlText = "SELECT COUNT(*) AS CNT FROM " + std::string(db::names::TEMP_MAPPING_BAK);
    there = db::OpenQuery(f.Db.Ado_Qry, f.Db.SqlText);
    if (!there) why = f.Db.Ado_Qry.LastError();
    f.Db.Ado_Qry.Close();
  });
  if (there || ctx.shell.ErrorShown()) return there;
  ctx.err << "error: there is no mapping table " << db::names::TEMP_MAPPING_BAK << " yet (" << why
          << "): run build-mapping first, it makes the table\n";
  return false;
}

// The run's summary on stdout: rows masked per table completed, and a total;
// a run that changed nothing says so.
void PrintMasked(CommandContext& ctx, const std::vector<migration::TableMasked>& masked) {
  if (masked.empty()) return;
  long long total = 0;
  PrintTsvRow({"table", "rows_masked"}, ctx.out);
  for (const migration::TableMasked& t : masked) {
    PrintTsvRow({t.table, std::to_string(t.rows)}, ctx.out);
    total += t.rows;
  }
  PrintTsvRow({"total", std::to_string(total)}, ctx.out);
  if (total == 0)
    ctx.err << "jumincheck: encrypt-tables: nothing was left to mask; no row was changed\n";
}

// Runs the verification; true when it enabled the encryption run.
// nextStep: a clean verification names encrypt-tables as the command to run
// next (verify-mapping); encrypt-tables, which runs it itself, does not.
bool Verify(CommandContext& ctx, bool nextStep) {
  TForm1& f = *ctx.form;
  if (!MappingTableThere(ctx)) return false;
  f.RunEvent([&f] { f.Btn_CheckClick(); });
  PrintListed(f.Grid_Main, ctx.out);
  const bool passed = !ctx.shell.ErrorShown() && f.Btn_Encrypt.enabled;
  if (passed && f.LB_Msg.caption == migration::kMappingOkText) {
    // The window's text points at its button; here the next step is a command.
    ctx.shell.EndProgress();
    ctx.err << "status: 암호화 매핑 성공";
    if (nextStep)
      ctx.err << ": 다음 단계는 encrypt-tables 명령입니다 (jumincheck --root " << ctx.paths.Root()
              << " encrypt-tables)";
    ctx.err << '\n';
  } else {
    PrintStatus(ctx);
  }
  return passed;
}

}  // namespace

int CmdBuildMapping(CommandContext& ctx) {
  if (!ctx.args.empty()) return ctx.Usage("build-mapping takes no arguments");
  if (!ctx.StartUp()) return ctx.Finish(kExitFailed);
  TForm1& f = *ctx.form;
  f.RunEvent([&f] { f.Btn_MappingClick(); });
  PrintStatus(ctx);
  return ctx.Finish(kExitOk);
}

int CmdVerifyMapping(CommandContext& ctx) {
  if (!ctx.args.empty()) return ctx.Usage("verify-mapping takes no arguments");
  if (!ctx.StartUp()) return ctx.Finish(kExitFailed);
  return ctx.Finish(Verify(ctx, true) ? kExitOk : kExitFailed);
}

int CmdEncryptTables(CommandContext& ctx) {
  bool yes = false;
  for (const std::string& a : ctx.args) {
    if (a == "--yes") yes = true;
    else return ctx.Usage("unexpected argument '" + a + "'");
  }
  const bool terminal = isatty(STDIN_FILENO) != 0;
  if (!yes && !terminal)
    return ctx.Usage("the run cannot be undone: without a terminal to confirm on, give --yes");
  if (!ctx.StartUp()) return ctx.Finish(kExitFailed);
  // One operation lock from the verification to the end of the run, so that
  // no other instance can change the mapping in between (the handlers take it
  // again; it is counted).
  TForm1& f = *ctx.form;
  std::unique_ptr<db::OperationLock> held;
  f.RunEvent([&] { held = std::make_unique<db::OperationLock>(f.Connection.get()); });
  if (!held) return ctx.Finish(kExitFailed);
  // The verification first, in this process: only a clean one enables the run.
  if (!Verify(ctx, false)) {
    ctx.err << "jumincheck: encrypt-tables: the mapping did not pass the verification; nothing "
               "was changed\n";
    return ctx.Finish(kExitFailed);
  }
  if (!yes) {
    if (KoreanMessages())
      ctx.err << "암호화 진행은 " << migration::RunList().size()
              << "개 테이블의 매핑된 평문 번호를 모두 마스킹하며 되돌릴 수 없습니다.\n계속하려면 yes를 입력하세요: "
              << std::flush;
    else
      ctx.err << "The run masks every mapped plain number of " << migration::RunList().size()
              << " tables and cannot be undone.\nType yes to go on: " << std::flush;
    std::string answer;
    if (!std::getline(std::cin, answer) || answer != "yes") {
      ctx.err << "jumincheck: encrypt-tables: not confirmed; nothing was changed\n";
      return ctx.Finish(kExitFailed);
    }
  }
  // Confirmed above: the handler's own question is answered Yes.
  ctx.shell.SetConfirmed(true);
  f.RunEvent([&f] { f.Btn_EncryptClick(); });
  PrintStatus(ctx);
  PrintMasked(ctx, f.LastRunMasked);
  // The gauge stands at the number of tables completed.
  const bool complete = f.Gauge1.Progress() == static_cast<int>(migration::RunList().size()) &&
                        f.Gauge1.MaxValue() == f.Gauge1.Progress();
  return ctx.Finish(complete ? kExitOk : kExitFailed);
}

int CmdMigrationStatus(CommandContext& ctx) {
  bool checkValues = false;
  for (const std::string& a : ctx.args) {
    if (a == "--check-values") checkValues = true;
    else return ctx.Usage("unexpected argument '" + a + "'");
  }
  if (!ctx.StartUp()) return ctx.Finish(kExitFailed);
  TForm1& f = *ctx.form;
  migration::MigrationStatusReport report;
  bool read = false;
  f.RunEvent([&] {
    report = migration::ReadMigrationStatus(f.Db, checkValues ? &f.Crypto : nullptr);
    read = true;
  });
  if (!read) return ctx.Finish(kExitFailed);
  std::vector<std::string> header = {"table",         "number_column",        "value_column",
                                     "rows",          "plain_to_mask",        "plain_staying",
                                     "partly_masked", "too_long_to_collect", "masked",
                                     "masked_without_value"};
  if (checkValues) header.push_back("masked_bad_value");
  PrintTsvRow(header, ctx.out);
  for (const migration::ColumnStatus& s : report.columns) {
    if (!s.unreadable.empty()) {
      std::vector<std::string> cells = {s.table, s.numberColumn, s.valueColumn};
      cells.resize(header.size(), "unreadable");
      PrintTsvRow(cells, ctx.out);
      continue;
    }
    std::vector<std::string> cells = {s.table,
                                      s.numberColumn,
                                      s.valueColumn,
                                      std::to_string(s.rows),
                                      std::to_string(s.plainToMask),
                                      std::to_string(s.plainStaying),
                                      std::to_string(s.partlyMasked),
                                      s.tooLongToCollect < 0 ? "-" : std::to_string(s.tooLongToCollect),
                                      std::to_string(s.masked),
                                      std::to_string(s.maskedWithoutValue)};
    if (checkValues) cells.push_back(std::to_string(s.maskedBadValue));
    PrintTsvRow(cells, ctx.out);
  }
  // Values the build cannot collect make it fail: name them, so that the
  // operator can find and correct them first.
  for (const migration::ColumnStatus& s : report.columns)
    if (s.tooLongToCollect > 0)
      ctx.err << "warning: " << s.table << "." << s.numberColumn << " holds " << s.tooLongToCollect
              << " plain value(s) longer than " << migration::kMappingNumberLength
              << " characters: build-mapping cannot collect them and fails until they are corrected\n";
  bool unreadable = false;
  for (const migration::ColumnStatus& s : report.columns)
    if (!s.unreadable.empty()) {
      unreadable = true;
      ctx.err << "warning: " << s.table << "." << s.numberColumn << " / " << s.valueColumn
              << " is unreadable (" << s.unreadable << "); the other tables are counted\n";
    }
  // Plain numbers left in the work tables: the mapping keeps every number
  // it masked, the report wrote decrypted full numbers.
  std::vector<migration::WorkTable> work;
  f.RunEvent([&] { work = migration::ReadWorkTables(f.Db); });
  for (const migration::WorkTable& w : work)
    if (w.present && w.plainNumbers > 0)
      ctx.err << "warning: " << w.table << " holds " << w.plainNumbers
              << " plain resident number(s); once nothing is left to mask, run cleanup to drop it\n";
  if (report.mappingReadable)
    ctx.err << "status: the mapping table TV_BASE..TEMP_MAPPING_BAK holds " << report.mappingNumbers
            << " plain numbers\n";
  else
    ctx.err << "status: no mapping table TV_BASE..TEMP_MAPPING_BAK (" << report.mappingError
            << "): nothing would be masked\n";
  return ctx.Finish(unreadable ? kExitFailed : kExitOk);
}

int CmdCleanup(CommandContext& ctx) {
  bool yes = false;
  for (const std::string& a : ctx.args) {
    if (a == "--yes") yes = true;
    else return ctx.Usage("unexpected argument '" + a + "'");
  }
  const bool terminal = isatty(STDIN_FILENO) != 0;
  if (!yes && !terminal)
    return ctx.Usage("the drop cannot be undone: without a terminal to confirm on, give --yes");
  if (!ctx.StartUp()) return ctx.Finish(kExitFailed);
  TForm1& f = *ctx.form;
  std::vector<migration::WorkTable> work;
  if (!f.RunEvent([&] { work = migration::ReadWorkTables(f.Db); }) || ctx.shell.ErrorShown())
    return ctx.Finish(kExitFailed);
  if (!yes) {
    const bool korean = KoreanMessages();
    ctx.err << (korean ? "다음 테이블을 영구히 지웁니다 (마스킹할 번호가 남으면 거부):\n"
                       : "cleanup drops these tables for good (refused while numbers are left to mask):\n");
    for (const migration::WorkTable& w : work)
      if (w.present)
        ctx.err << "  " << w.table << " (" << w.plainNumbers
                << (korean ? "건의 평문 주민번호)\n" : " plain resident numbers)\n");
    ctx.err << (korean ? "계속하려면 yes를 입력하세요: " : "Type yes to go on: ") << std::flush;
    std::string answer;
    if (!std::getline(std::cin, answer) || answer != "yes") {
      ctx.err << "jumincheck: cleanup: not confirmed; nothing was dropped\n";
      return ctx.Finish(kExitFailed);
    }
  }
  migration::CleanupResult result;
  bool done = false;
  f.RunEvent([&] {
    result = migration::DropWorkTables(f.Db, ctx.shell);
    done = true;
  });
  if (!done) return ctx.Finish(kExitFailed);
  ctx.err << "status: " << migration::CleanupDoneText(result) << '\n';
  return ctx.Finish(kExitOk);
}

}  // namespace jc::app
