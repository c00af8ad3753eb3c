// demo and create-store in a build without the embedded store (the Windows
// program): both need it, so both say so, as wrong usage of this build.
#include <ostream>

#include "app/Commands.h"
#include "db/EmbeddedStore.h"

namespace jc::app {

namespace {
int NeedsTheStore(CommandContext& ctx) {
  ctx.err << "jumincheck: " << ctx.options.command << ": " << db::kNoEmbeddedStore << '\n';
  return kExitUsage;
}
}  // namespace

int CmdCreateStore(CommandContext& ctx) { return NeedsTheStore(ctx); }
int CmdDemo(CommandContext& ctx) { return NeedsTheStore(ctx); }

}  // namespace jc::app
