// encrypt / decrypt: the two single-value tools, headless.
#include <ostream>

#include "app/Commands.h"

namespace jc::app {

namespace {
constexpr int kEnter = 13;
}

int CmdEncrypt(CommandContext& ctx) {
  if (ctx.args.size() != 1) return ctx.Usage("encrypt takes one TEXT");
  if (!ctx.StartUp()) return ctx.Finish(kExitFailed);
  TForm1& f = *ctx.form;
  f.Edit_En_Jumin.text = ctx.args[0];
  f.RunEvent([&f] { f.Edit_En_JuminKeyDown(kEnter); });
  const std::string& result = f.Edit_Encrypt.text;
  // Empty: no module or no data key; "01" alone: the module refused the text.
  if (result.empty() || result == "01") {
    ctx.err << "jumincheck: encrypt: no encrypted value was produced\n";
    return ctx.Finish(kExitFailed);
  }
  ctx.out << result << '\n';
  return ctx.Finish(kExitOk);
}

int CmdDecrypt(CommandContext& ctx) {
  if (ctx.args.size() != 1) return ctx.Usage("decrypt takes one VALUE");
  if (!ctx.StartUp()) return ctx.Finish(kExitFailed);
  TForm1& f = *ctx.form;
  f.Edit_De_Jumin.text = ctx.args[0];
  f.RunEvent([&f] { f.Edit_De_JuminKeyDown(kEnter); });
  const std::string& result = f.Edit_Decrypt.text;
  if (result.empty()) {
    ctx.err << "jumincheck: decrypt: the value could not be decrypted\n";
    return ctx.Finish(kExitFailed);
  }
  ctx.out << result << '\n';
  return ctx.Finish(kExitOk);
}

}  // namespace jc::app
