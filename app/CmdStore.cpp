// sql / create-key: the statement runner and the key table, for the
// operator's eyes.
#include <memory>
#include <ostream>

#include "app/Commands.h"
#include "crypto/DataKey.h"
#include "db/OperationLock.h"
#include "db/Query.h"

namespace jc::app {

int CmdSql(CommandContext& ctx) {
  if (ctx.args.size() != 1) return ctx.Usage("sql takes one STATEMENT (quote it)");
  if (!ctx.StartUp()) return ctx.Finish(kExitFailed);
  TForm1& f = *ctx.form;
  const std::string& statement = ctx.args[0];
  // A store that can no longer be read or written (a lost connection) fails
  // the statement like any other failure; the runner passes it on.
  auto run = [&](db::TADOQuery& query, bool (*runner)(db::TADOQuery&, const std::string&)) {
    try {
      return runner(query, statement);
    } catch (const db::ConnectionLost&) {
      return false;
    }
  };
  if (db::ReturnsRows(statement)) {
    if (!run(f.Db.Ado_Qry, &db::OpenQuery)) {
      ctx.out << "FAILED: " << f.Db.Ado_Qry.LastError() << '\n';
      return ctx.Finish(kExitFailed);
    }
    db::TADOQuery& q = f.Db.Ado_Qry;
    PrintTsvRow(q.Columns(), ctx.out);
    std::vector<std::string> cells;
    for (; !q.Eof(); q.Next()) {
      cells.clear();
      for (const auto& cell : q.CurrentRow()) cells.push_back(cell.value_or("NULL"));
      PrintTsvRow(cells, ctx.out);
    }
    return ctx.Finish(kExitOk);
  }
  // A statement that can write takes the operation lock as the operations
  // do: changing the mapping or a table under a running migration would
  // mask numbers with another number's value.
  std::unique_ptr<db::OperationLock> held;
  f.RunEvent([&] { held = std::make_unique<db::OperationLock>(f.Connection.get()); });
  if (!held) return ctx.Finish(kExitFailed);
  if (!run(f.Db.Ado_Exec, &db::ExecQuery)) {
    ctx.out << "FAILED: " << f.Db.Ado_Exec.LastError() << '\n';
    return ctx.Finish(kExitFailed);
  }
  ctx.out << "OK\n";
  return ctx.Finish(kExitOk);
}

int CmdCreateKey(CommandContext& ctx) {
  if (!ctx.args.empty()) return ctx.Usage("create-key takes no argument");
  if (!ctx.StartUp()) return ctx.Finish(kExitFailed);
  TForm1& f = *ctx.form;
  if (!f.Connection || !f.Connection->Connected()) {
    ctx.err << "jumincheck: create-key: no database connection\n";
    return ctx.Finish(kExitFailed);
  }
  std::string error;
  if (!crypto::CreateDataKey(f.Crypto, *f.Connection, error)) {
    ctx.err << "jumincheck: create-key: " << error << '\n';
    return ctx.Finish(kExitFailed);
  }
  ctx.out << "OK\n";
  return ctx.Finish(kExitOk);
}

}  // namespace jc::app
