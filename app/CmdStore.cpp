// create-store / sql / create-key: the store and the statement runner, for
// the operator's eyes.
#include <ostream>

#include "app/Commands.h"

namespace jc::app {

int CmdCreateStore(CommandContext& ctx) {
  ctx.err << "jumincheck: create-store is not available yet\n";
  return kExitFailed;
}

int CmdSql(CommandContext& ctx) {
  ctx.err << "jumincheck: sql is not available yet\n";
  return kExitFailed;
}

int CmdCreateKey(CommandContext& ctx) {
  ctx.err << "jumincheck: create-key is not available yet\n";
  return kExitFailed;
}

}  // namespace jc::app
