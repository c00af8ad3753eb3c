// build-mapping / verify-mapping / encrypt-tables / migration-status: the
// migration to encrypted storage, headless.
#include <unistd.h>

#include <iostream>
#include <memory>
#include <ostream>
#include <string>

#include "app/Commands.h"
#include "db/OperationLock.h"
#include "migration/EncryptionRun.h"
#include "migration/MappingBuild.h"
#include "migration/MigrationStatus.h"

namespace jc::app {

namespace {

// The header row and the listed rows of Grid_Main (the spare row a clean
// verification leaves is blank and not printed).
void PrintListed(const ui::ResultGrid& grid, std::ostream& out) {
  std::vector<std::string> cells(static_cast<std::size_t>(grid.ColCount()));
  for (int r = 0; r < grid.RowCount(); ++r) {
    bool blank = true;
    for (int c = 0; c < grid.ColCount(); ++c) {
      cells[static_cast<std::size_t>(c)] = grid.Cell(c, r);
      if (!cells[static_cast<std::size_t>(c)].empty()) blank = false;
    }
    if (r == 0 || !blank) PrintTsvRow(cells, out);
  }
}

void PrintStatus(CommandContext& ctx) {
  ctx.shell.EndProgress();
  ctx.err << "status: " << ctx.form->LB_Msg.caption << '\n';
}

// Runs the verification; true when it enabled the encryption run.
bool Verify(CommandContext& ctx) {
  TForm1& f = *ctx.form;
  f.RunEvent([&f] { f.Btn_CheckClick(); });
  PrintListed(f.Grid_Main, ctx.out);
  PrintStatus(ctx);
  return !ctx.shell.ErrorShown() && f.Btn_Encrypt.enabled;
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
  return ctx.Finish(Verify(ctx) ? kExitOk : kExitFailed);
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
  if (!Verify(ctx)) {
    ctx.err << "jumincheck: encrypt-tables: the mapping did not pass the verification; nothing "
               "was changed\n";
    return ctx.Finish(kExitFailed);
  }
  if (!yes) {
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
  if (report.mappingReadable)
    ctx.err << "status: the mapping table TV_BASE..TEMP_MAPPING_BAK holds " << report.mappingNumbers
            << " plain numbers\n";
  else
    ctx.err << "status: no mapping table TV_BASE..TEMP_MAPPING_BAK (" << report.mappingError
            << "): nothing would be masked\n";
  return ctx.Finish(kExitOk);
}

}  // namespace jc::app
