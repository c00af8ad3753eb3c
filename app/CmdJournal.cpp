// journal / undo: the change journal of the repair and the restore, and the
// undo of one journaled operation.
#include <unistd.h>

#include <cstdlib>
#include <ostream>
#include <string>

#include "app/Commands.h"

namespace jc::app {

namespace {
constexpr int kDefaultLast = 20;

bool ParseCount(const std::string& text, int& n) {
  if (text.empty() || text.size() > 6) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  n = std::atoi(text.c_str());
  return n > 0;
}

std::string OrNull(const std::optional<std::string>& v) { return v ? *v : "NULL"; }
}  // namespace

int CmdJournal(CommandContext& ctx) {
  int last = kDefaultLast;
  std::string id;
  if (ctx.args.size() == 2 && ctx.args[0] == "--last") {
    if (!ParseCount(ctx.args[1], last)) return ctx.Usage("--last takes a number of operations (1 or more)");
  } else if (ctx.args.size() == 1 && ctx.args[0].rfind("--", 0) != 0) {
    id = ctx.args[0];
  } else if (!ctx.args.empty()) {
    return ctx.Usage("journal takes --last N or one operation ID");
  }
  if (!ctx.StartUp()) return ctx.Finish(kExitFailed);
  TForm1& f = *ctx.form;
  f.RunEvent([&] {
    if (id.empty()) {
      PrintTsvRow({"id", "time", "machine", "user", "operation", "records"}, ctx.out);
      for (const audit::JournaledOperationSummary& op : audit::ListJournal(f.Db, last))
        PrintTsvRow({op.id, op.time, op.machine, op.user, op.name, std::to_string(op.records)}, ctx.out);
      return;
    }
    const auto records = audit::ReadJournaledOperation(f.Db, id);
    PrintTsvRow({"table", "key", "seq", "column", "before", "after", "still_written"}, ctx.out);
    for (const audit::JournaledRecord& r : records)
      PrintTsvRow({r.table, r.key1, r.key2, r.column, OrNull(r.before), OrNull(r.after), r.stillWritten ? "yes" : "no"},
                  ctx.out);
  });
  return ctx.Finish(kExitOk);
}

int CmdUndo(CommandContext& ctx) {
  std::string id;
  bool yes = false;
  for (const std::string& a : ctx.args) {
    if (a == "--yes" && !yes) yes = true;
    else if (a.rfind("--", 0) == 0 || !id.empty()) return ctx.Usage("undo takes one operation ID and --yes");
    else id = a;
  }
  if (id.empty()) return ctx.Usage("undo takes the ID of a journaled operation (see journal)");
  if (!yes && !isatty(STDIN_FILENO))
    return ctx.Usage("the undo changes stored values: without a terminal to confirm on, give --yes");
  if (!ctx.StartUp()) return ctx.Finish(kExitFailed);
  ctx.shell.SetConfirmed(yes);
  TForm1& f = *ctx.form;
  std::optional<audit::UndoResult> result;
  bool ran = false;
  f.RunEvent([&] {
    result = f.UndoJournaledOperation(id);
    ran = true;
  });
  if (!ran) return ctx.Finish(kExitFailed);
  if (!result) {
    ctx.err << "jumincheck: undo: not confirmed; nothing was changed\n";
    return ctx.Finish(kExitFailed);
  }
  ctx.err << "status: " << audit::UndoSummaryText(*result) << '\n';
  return ctx.Finish(result->failed > 0 ? kExitFailed : kExitOk);
}

}  // namespace jc::app
