// audit-dispensing / report-normal: the dispensing-record audits with the
// bulk restore, and the normal-data report, headless.
#include <optional>
#include <ostream>

#include "app/Commands.h"

namespace jc::app {

int CmdAuditDispensing(CommandContext& ctx) {
  std::optional<std::string> table;
  std::optional<ui::DateTime> from, to;
  bool restore = false;
  for (std::size_t i = 0; i < ctx.args.size(); ++i) {
    const std::string& a = ctx.args[i];
    const bool hasValue = i + 1 < ctx.args.size();
    if (a == "--table" && hasValue) {
      table = ctx.args[++i];
      if (*table != "PS_MAIN" && *table != "INS_COMPOS")
        return ctx.Usage("--table takes PS_MAIN or INS_COMPOS");
    } else if ((a == "--from" || a == "--to") && hasValue) {
      ui::DateTime d;
      if (!ParseDate(ctx.args[i + 1], d)) return ctx.Usage(a + " takes a date YYYYMMDD that exists");
      (a == "--from" ? from : to) = d;
      ++i;
    } else if (a == "--restore") {
      restore = true;
    } else {
      return ctx.Usage("unexpected argument '" + a + "'");
    }
  }
  if (!table) return ctx.Usage("--table is required");
  if (from.has_value() != to.has_value()) return ctx.Usage("--from and --to go together");
  if (from && DateBefore(*to, *from)) return ctx.Usage("--from is after --to");
  if (!ctx.StartUp()) return ctx.Finish(kExitFailed);
  TForm1& f = *ctx.form;
  if (from) {
    f.Chk_Day.checked = true;
    f.Dtp_Start.date = *from;
    f.Dtp_End.date = *to;
  }
  if (*table == "PS_MAIN")
    f.RunEvent([&f] { f.Btn_De_TestClick(); });
  else
    f.RunEvent([&f] { f.Btn_De_BunClick(); });
  ctx.shell.EndProgress();
  PrintGrid(f.Grid_Main, ctx.out);
  ctx.out << '\n';
  PrintGrid(f.Grid_Sub, ctx.out);
  if (!restore || ctx.shell.ErrorShown()) return ctx.Finish(kExitOk);

  // The restore, as a click on Btn_Restore right after the audit; --restore
  // is the operator's answer to its question.
  ctx.shell.SetConfirmed(true);
  audit::RestoreResult result;
  f.RunEvent([&] { result = f.RestoreDispensingPairs(); });
  ctx.out << '\n';
  PrintTsvRow({"일련번호", "고객코드"}, ctx.out);
  for (const ui::RestorePair& pair : result.restored) PrintTsvRow({pair.preserial, pair.cuscode}, ctx.out);
  ctx.err << "status: " << audit::RestoreSummaryText(result) << '\n';
  if (result.failed > 0) {
    ctx.err << "jumincheck: audit-dispensing: " << result.failed
            << " restore statement(s) failed; their rows were not restored\n";
    return ctx.Finish(kExitFailed);
  }
  return ctx.Finish(kExitOk);
}

int CmdReportNormal(CommandContext& ctx) {
  if (!ctx.args.empty()) return ctx.Usage("report-normal takes no arguments");
  if (!ctx.StartUp()) return ctx.Finish(kExitFailed);
  TForm1& f = *ctx.form;
  f.RunEvent([&f] { f.Button1Click(); });
  ctx.shell.EndProgress();
  // A report that did not run (refused by the operation lock, or failed)
  // has no grid and no counts to print: its box said why.
  if (ctx.shell.ErrorShown()) return ctx.Finish(kExitFailed);
  PrintGrid(f.Grid_Main, ctx.out);
  ctx.err << "status: " << f.Label4.caption << '\n';
  return ctx.Finish(kExitOk);
}

}  // namespace jc::app
