// audit-customers / history / repair: the customer audit, the history view
// and the repair, headless.
#include <unistd.h>

#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

#include "app/Commands.h"

namespace jc::app {

bool ParseDate(const std::string& text, ui::DateTime& date) {
  if (text.size() != 8) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  date = ui::DateTime{std::atoi(text.substr(0, 4).c_str()), std::atoi(text.substr(4, 2).c_str()),
                      std::atoi(text.substr(6, 2).c_str()), 0, 0, 0};
  // A date that exists in the calendar: 20240229 does, 20230229 and 20240431 do not.
  if (date.year < 1 || date.month < 1 || date.month > 12 || date.day < 1) return false;
  const bool leap = (date.year % 4 == 0 && date.year % 100 != 0) || date.year % 400 == 0;
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return date.day <= kDays[date.month - 1] + (date.month == 2 && leap ? 1 : 0);
}

bool DateBefore(const ui::DateTime& a, const ui::DateTime& b) {
  if (a.year != b.year) return a.year < b.year;
  if (a.month != b.month) return a.month < b.month;
  return a.day < b.day;
}

namespace {

bool ParseRow(const std::string& text, int& row) {
  if (text.empty() || text.size() > 9) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  row = std::atoi(text.c_str());
  return row >= 1;
}

// Lists the code in Grid_Main's row 1, as an audit would, and clicks it.
void ShowHistory(TForm1& f, const std::string& code) {
  f.Grid_Main.ClearNonFixed();
  f.Grid_Main.SetRowCount(2);
  f.Grid_Main.SetCell(1, 1, code);  // the name cell must not be empty for the view to run
  f.Grid_Main.SetCell(5, 1, code);
  f.Grid_Main.SetCurrentRow(1);
  f.RunEvent([&f] { f.Grid_MainClickCell(1, 1); });
}

}  // namespace

int CmdAuditCustomers(CommandContext& ctx) {
  std::optional<std::string> year;
  std::optional<ui::DateTime> from, to;
  for (std::size_t i = 0; i < ctx.args.size(); ++i) {
    const std::string& a = ctx.args[i];
    const bool hasValue = i + 1 < ctx.args.size();
    if (a == "--year" && hasValue) {
      year = ctx.args[++i];
    } else if ((a == "--from" || a == "--to") && hasValue) {
      ui::DateTime d;
      if (!ParseDate(ctx.args[i + 1], d)) return ctx.Usage(a + " takes a date YYYYMMDD that exists");
      (a == "--from" ? from : to) = d;
      ++i;
    } else {
      return ctx.Usage("unexpected argument '" + a + "'");
    }
  }
  if (year && (from || to)) return ctx.Usage("--year and --from/--to exclude each other");
  if (from.has_value() != to.has_value()) return ctx.Usage("--from and --to go together");
  if (from && DateBefore(*to, *from)) return ctx.Usage("--from is after --to");
  if (!ctx.StartUp()) return ctx.Finish(kExitFailed);
  TForm1& f = *ctx.form;
  if (year) {
    int index = -1;
    for (std::size_t i = 0; i < f.Combo_Year.items.size(); ++i)
      if (f.Combo_Year.items[i] == *year) index = static_cast<int>(i);
    if (index < 0) return ctx.Usage("year " + *year + " is not in the tax-year list");
    f.Combo_Year.itemIndex = index;
  }
  if (from) {
    f.Chk_Day.checked = true;
    f.Dtp_Start.date = *from;
    f.Dtp_End.date = *to;
  }
  f.RunEvent([&f] { f.Btn_De_CustomClick(); });
  ctx.shell.EndProgress();
  PrintGrid(f.Grid_Main, ctx.out);
  ctx.err << "status: " << f.LB_Msg.caption << '\n';
  return ctx.Finish(kExitOk);
}

int CmdHistory(CommandContext& ctx) {
  if (ctx.args.size() != 1) return ctx.Usage("history takes one CUSCODE");
  if (!ctx.StartUp()) return ctx.Finish(kExitFailed);
  ShowHistory(*ctx.form, ctx.args[0]);
  PrintGrid(ctx.form->Grid_Sub, ctx.out);
  return ctx.Finish(kExitOk);
}

int CmdRepair(CommandContext& ctx) {
  int row = 0;
  std::vector<std::string> args;
  bool yes = false;
  for (const std::string& a : ctx.args) {
    if (a == "--yes" && !yes) yes = true;
    else if (a.rfind("--", 0) == 0) return ctx.Usage("unexpected option '" + a + "'");
    else args.push_back(a);
  }
  if (args.size() != 2 || !ParseRow(args[1], row))
    return ctx.Usage("repair takes a CUSCODE and a history ROW (1, 2, ...)");
  // The repair asks first, as the window does: on a terminal the operator
  // answers; without one, --yes is the answer.
  if (!yes && !isatty(STDIN_FILENO))
    return ctx.Usage("the repair cannot be undone: without a terminal to confirm on, give --yes");
  ctx.shell.SetConfirmed(yes);
  if (!ctx.StartUp()) return ctx.Finish(kExitFailed);
  TForm1& f = *ctx.form;
  ShowHistory(f, args[0]);
  if (ctx.shell.ErrorShown()) return ctx.Finish(kExitFailed);
  if (row >= f.Grid_Sub.RowCount() || f.Grid_Sub.Cell(5, row).empty()) {
    PrintGrid(f.Grid_Sub, ctx.out);
    ctx.err << "jumincheck: repair: the history of '" << args[0] << "' has no row " << row
            << '\n';
    return ctx.Finish(kExitFailed);
  }
  f.Grid_Sub.SetCurrentRow(row);
  f.CustomerMode = true;  // as after a customer audit
  bool repaired = false;
  f.RunEvent([&] { repaired = f.RepairCurrentHistoryRow(); });
  return ctx.Finish(repaired ? kExitOk : kExitFailed);
}

}  // namespace jc::app
