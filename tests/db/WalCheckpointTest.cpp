// The store's WAL: commits are not followed by automatic checkpoints, each
// one is durable in the WAL (a copy of the files taken at that moment, as a
// crash leaves them, holds it), an idle moment copies everything into the
// files, and a run of commits without one stops at the ceiling.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "db/Connection.h"
#include "db/SqliteStore.h"
#include "support/TestStore.h"
#include "support/WalState.h"

namespace jc::db {
namespace {

namespace fs = std::filesystem;

long long Count(TADOConnection& connection, const std::string& sql) {
  return std::stoll(*connection.backend().Query(sql).rows.at(0).at(0));
}

TEST(WalCheckpoint, CommitsStayInTheWalUntilTheSessionIsIdle) {
  test::TestStore store;
  const std::string base = (fs::path(store.Folder()) / "TV_BASE.db").string();
  store.Exec(std::string("CREATE TABLE TV_BASE..AAA(CUSCODE NVARCHAR(20) NULL)"));
  store.Connection().Idle();
  // More single-row commits than the automatic checkpoint (1000 frames)
  // would have let pass without one.
  constexpr int kCommits = 1500;
  for (int i = 0; i < kCommits; ++i) store.Exec("INSERT INTO TV_BASE..AAA(CUSCODE) VALUES('C" + std::to_string(i) + "')");
  const test::WalState before = test::ReadWalState(base);
  EXPECT_GE(before.frames, static_cast<std::uint32_t>(kCommits));
  EXPECT_EQ(before.backfilled, 0u) << "no checkpoint among the commits";

  // The files as a crash at this moment leaves them: every commit is there.
  const fs::path copy = fs::path(store.Folder()).string() + "-crash";
  fs::create_directories(copy);
  for (const auto& entry : fs::directory_iterator(store.Folder()))
    if (entry.path().extension() != ".db-shm") fs::copy_file(entry.path(), copy / entry.path().filename());
  {
    TADOConnection crashed;
    crashed.ConnectionString = StoreConnectionString(copy.string());
    crashed.Open();
    EXPECT_EQ(Count(crashed, "SELECT COUNT(*) FROM TV_BASE..AAA"), kCommits);
  }
  fs::remove_all(copy);

  store.Connection().Idle();
  EXPECT_TRUE(test::ReadWalState(base).CheckpointedWhole());
  // The next commit writes the WAL from its start again.
  store.Exec("INSERT INTO TV_BASE..AAA(CUSCODE) VALUES('after')");
  EXPECT_LT(test::ReadWalState(base).frames, 10u);
  EXPECT_EQ(store.Scalar("SELECT COUNT(*) FROM TV_BASE..AAA"), kCommits + 1);
}

TEST(WalCheckpoint, ALongRunOfCommitsIsCheckpointedAtTheCeiling) {
  test::TestStore store;
  const std::string base = (fs::path(store.Folder()) / "TV_BASE.db").string();
  store.Exec(std::string("CREATE TABLE TV_BASE..AAA(CUSCODE NVARCHAR(20) NULL)"));
  std::uint32_t most = 0;
  bool checkpointed = false;
  for (int i = 0; i < SqliteBackend::kWalCeilingFrames + 100; ++i) {
    store.Exec("INSERT INTO TV_BASE..AAA(CUSCODE) VALUES('C')");
    const test::WalState state = test::ReadWalState(base);
    if (state.frames > most) most = state.frames;
    if (state.frames > 0 && state.backfilled == state.frames) checkpointed = true;
  }
  EXPECT_TRUE(checkpointed);
  EXPECT_LE(most, static_cast<std::uint32_t>(SqliteBackend::kWalCeilingFrames) + 8);
}

}  // namespace
}  // namespace jc::db
