// demo and create-store: the commands of the embedded store. demo makes a
// complete demo root (INI, crypto module, store, data key and synthetic
// pharmacy data). (A build without the store has CmdWithoutStore.cpp.)
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <ostream>

#include "app/Commands.h"
#include "common/HostPath.h"
#include "db/SqliteStore.h"
#include "demo/DemoRoot.h"

namespace jc::app {

namespace {

bool ParseNumber(const std::string& text, long long max, long long& value) {
  if (text.empty() || text.size() > 19) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  value = std::strtoll(text.c_str(), nullptr, 10);
  return value <= max;
}

// The crypto module built with the tool lies beside the executable.
std::string BuiltModulePath() {
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  const auto folder = ec ? std::filesystem::current_path() : exe.parent_path();
  return (folder / (std::string("IndvInfmCrypto") + SharedLibrarySuffix())).string();
}

}  // namespace

int CmdCreateStore(CommandContext& ctx) {
  if (ctx.args.size() != 1) return ctx.Usage("create-store takes one FOLDER");
  try {
    db::CreateStore(std::filesystem::absolute(ctx.args[0]).string());
  } catch (const std::exception& e) {
    ctx.err << "jumincheck: create-store: " << e.what() << '\n';
    return kExitFailed;
  }
  ctx.out << "OK\n";
  return kExitOk;
}

int CmdDemo(CommandContext& ctx) {
  if (ctx.args.empty()) return ctx.Usage("demo takes a folder DIR");
  demo::DemoRootOptions options;
  options.dir = ctx.args[0];
  options.modulePath = BuiltModulePath();
  for (std::size_t i = 1; i < ctx.args.size(); ++i) {
    const std::string& a = ctx.args[i];
    long long v = 0;
    if (a == "--customers" && i + 1 < ctx.args.size() && ParseNumber(ctx.args[i + 1], 100000000, v)) {
      options.data.customers = static_cast<int>(v);
      ++i;
    } else if (a == "--seed" && i + 1 < ctx.args.size() &&
               ParseNumber(ctx.args[i + 1], 9223372036854775807LL, v)) {
      options.data.seed = static_cast<std::uint64_t>(v);
      ++i;
    } else if (a == "--module" && i + 1 < ctx.args.size()) {
      options.modulePath = ctx.args[++i];
    } else {
      return ctx.Usage("unexpected argument '" + a + "'");
    }
  }
  const ui::DateTime now = SystemNow();
  options.data.today = demo::Date{now.year, now.month, now.day};

  const auto start = std::chrono::steady_clock::now();
  try {
    const demo::DemoSummary s = demo::MakeDemoRoot(options, ctx.shell);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    long rows = 0;
    for (const auto& [table, count] : s.rowsByTable) rows += count;
    ctx.err << "demo root made in " << options.dir << ": " << s.customers << " customers, " << rows
            << " rows, " << s.findings.size() << " customer records with a value made from a "
            << "masked number, " << seconds << " s\n";
  } catch (const std::exception& e) {
    ctx.err << "jumincheck: demo: " << e.what() << '\n';
    return ctx.Finish(kExitFailed);
  }
  return ctx.Finish(kExitOk);
}

}  // namespace jc::app
