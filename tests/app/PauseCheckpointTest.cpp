// The operations' pauses are the embedded store's idle moments: by the time
// an operation pauses, and once it has ended, the WAL has been copied into
// the store's files; between pauses the commits are left in the WAL.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/TForm1.h"
#include "common/CurrentDirectoryGuard.h"
#include "demo/DemoRoot.h"
#include "support/FakeShell.h"
#include "support/WalState.h"

namespace jc::app {
namespace {

namespace fs = std::filesystem;

// Records the WAL state of one store file at every pause and every message
// round of the operation.
class WatchingShell : public test::FakeShell {
 public:
  explicit WatchingShell(std::string file) : file_(std::move(file)) {}
  void ProcessMessages() override {
    between.push_back(test::ReadWalState(file_));
    FakeShell::ProcessMessages();
  }
  void Sleep(int ms) override {
    atPauses.push_back(test::ReadWalState(file_));
    FakeShell::Sleep(ms);
  }
  std::vector<test::WalState> between, atPauses;

 private:
  std::string file_;
};

TEST(PauseCheckpoint, TheStoreIsCheckpointedInEveryPauseAndAtTheEnd) {
  CurrentDirectoryGuard cwd;
  const fs::path root = fs::temp_directory_path() / ("jc_pauses_" + std::to_string(::getpid()));
  fs::remove_all(root);
  {
    demo::DemoRootOptions o;
    o.dir = root.string();
    o.modulePath = JC_MODULE_PATH;
    o.data.customers = 40;
    test::FakeShell quiet;
    demo::MakeDemoRoot(o, quiet);
  }
  const std::string base = (root / "store" / "TV_BASE.db").string();
  struct Operation {
    const char* what;
    std::function<void(TForm1&)> run;
  } operations[] = {
      {"mapping build", [](TForm1& f) { f.Btn_MappingClick(); }},
      {"verification", [](TForm1& f) { f.Btn_CheckClick(); }},
      {"dispensing audit", [](TForm1& f) { f.Btn_De_TestClick(); }},
  };
  WatchingShell shell(base);
  TForm1 form(shell, PathMapper(root.string()), [] { return ui::DateTime{2014, 6, 15, 10, 0, 0}; });
  ASSERT_TRUE(form.RunEvent([&] { form.FormCreate(); }));
  form.EnterTechnicianView();
  for (const Operation& op : operations) {
    SCOPED_TRACE(op.what);
    shell.between.clear();
    shell.atPauses.clear();
    ASSERT_TRUE(form.RunEvent([&] { op.run(form); }));
    EXPECT_TRUE(shell.errors.empty()) << (shell.errors.empty() ? "" : shell.errors[0]);
    ASSERT_FALSE(shell.atPauses.empty());
    for (const test::WalState& s : shell.atPauses) EXPECT_TRUE(s.CheckpointedWhole()) << s.backfilled << "/" << s.frames;
    bool pending = false;
    for (const test::WalState& s : shell.between) pending = pending || s.backfilled < s.frames;
    EXPECT_TRUE(pending) << "commits between pauses are left in the WAL";
    EXPECT_TRUE(test::ReadWalState(base).CheckpointedWhole()) << "checkpointed at the end";
  }
  form.FormClose();
  fs::remove_all(root);
}

}  // namespace
}  // namespace jc::app
