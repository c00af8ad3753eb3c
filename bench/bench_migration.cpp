// Speed of the three migration steps against the floors they cannot go
// below, on a store on disk with 100 000 and 1 000 000 mapping entries:
//
//   build      the encryption phase of the mapping build, against the
//              numbers read in one pass, the bare codec and the same
//              per-entry UPDATE, prepared once, in a loop;
//   verify     the whole verification, against the entries read in one
//              pass, the bare codec, the entry check and the same marking
//              UPDATE, prepared once, in a loop, and the marks cleared;
//   run        the whole table run, against the same UPDATE ... FROM
//              statements issued straight to SQLite.
//
// The store holds N plain numbers in CD_PERSON and in PS_MAIN (so the
// mapping has N entries and the empty-number entry) and N/10 dashed ones in
// QORA_DATAINFO. The shell records the pauses instead of sleeping, so they
// are excluded. Times are manual (the phase itself); the program prints
// every phase beside its floor at the end.
//
// The 1 000 000 case runs each benchmark once; select a size with
// --benchmark_filter=/100000/ or /1000000/ (the names go on after the size).
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "IdleShell.h"
#include "db/Query.h"
#include "db/SqliteStore.h"
#include "db/Tsql.h"
#include "migration/EncryptionRun.h"
#include "migration/MappingBuild.h"
#include "migration/MappingVerification.h"
#include "support/CodecStore.h"
#include "support/FakeShell.h"
#include "support/ScriptedBackend.h"

namespace {

using Clock = std::chrono::steady_clock;
double Seconds(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

std::string Number(long i) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "8%012ld", i);
  return buf;
}
std::string Dashed(const std::string& n) { return n.substr(0, 6) + "-" + n.substr(6); }

void RawExec(sqlite3* db, const std::string& sql) {
  char* message = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
    std::string text = message ? message : "?";
    sqlite3_free(message);
    throw std::runtime_error(sql.substr(0, 80) + ": " + text);
  }
}

// A prepared statement on the store's own connection, for the floors.
class Statement {
 public:
  Statement(sqlite3* db, const std::string& sql) : db_(db) {
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st_, nullptr) != SQLITE_OK)
      throw std::runtime_error(sqlite3_errmsg(db));
  }
  ~Statement() { sqlite3_finalize(st_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  // Steps to the next row; false at the end.
  bool Row() {
    const int rc = sqlite3_step(st_);
    if (rc == SQLITE_ROW) return true;
    if (rc != SQLITE_DONE) throw std::runtime_error(sqlite3_errmsg(db_));
    return false;
  }
  std::string Text(int column) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st_, column));
    return text ? std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(st_, column))) : std::string();
  }
  // Binds the texts to ?1, ?2, ... and runs the statement once; the rows
  // it changed.
  long long Run(std::initializer_list<std::string> texts) {
    int i = 1;
    for (const std::string& t : texts)
      sqlite3_bind_text(st_, i++, t.data(), static_cast<int>(t.size()), SQLITE_TRANSIENT);
    if (sqlite3_step(st_) != SQLITE_DONE) throw std::runtime_error(sqlite3_errmsg(db_));
    sqlite3_reset(st_);
    return sqlite3_changes64(db_);
  }

 private:
  sqlite3* db_;
  sqlite3_stmt* st_ = nullptr;
};

// Inserts rows through one prepared statement with one parameter, ?1.
void RawInsert(sqlite3* db, const std::string& sql, long rows, const std::function<std::string(long)>& value) {
  Statement insert(db, sql);
  for (long i = 0; i < rows; ++i) insert.Run({value(i)});
}

struct Setup {
  explicit Setup(long n) : n(n) {
    RawExec(Handle(), "BEGIN");
    RawInsert(Handle(), "INSERT INTO \"TV_BASE\".\"CD_PERSON\"(CUSCODE, PANUM) VALUES(?1, ?1)", n,
              [](long i) { return Number(i); });
    RawInsert(Handle(), "INSERT INTO \"TV_PRES\".\"PS_MAIN\"(PRESERIAL, PANUM) VALUES(?1, ?1)", n,
              [](long i) { return Number(i); });
    RawExec(Handle(), "COMMIT");
    RestoreQora();
    form.Btn_Encrypt.enabled = false;
    // The statements of the build's first phase, as it sends them: a build
    // against a scripted database whose count fails ends right after them.
    jc::test::ScriptedSession scripted;
    jc::test::FakeShell shell;
    jc::ui::FormModel scratch;
    jc::migration::Btn_MappingClick(scratch, scripted.db, store.Codec(), shell);
    preparation = scripted.backend->Statements();
    preparation.pop_back();  // the count
  }

  sqlite3* Handle() {
    return dynamic_cast<jc::db::SqliteBackend&>(store.store.Connection().backend()).Handle();
  }
  jc::db::Session& Db() { return store.Db(); }
  // The shell the window would hand the operations: pauses are idle moments.
  jc::Shell& Paused() { return paused; }
  void Idle() { store.store.Connection().Idle(); }

  void RestoreQora() {
    RawExec(Handle(), "BEGIN");
    RawExec(Handle(), "DELETE FROM \"TV_PRES\".\"QORA_DATAINFO\"");
    RawInsert(Handle(), "INSERT INTO \"TV_PRES\".\"QORA_DATAINFO\"(PREGNO) VALUES(?1)", n / 10,
              [](long i) { return Dashed(Number(i * 10)); });
    RawExec(Handle(), "COMMIT");
  }
  // Every table back to its plain numbers without values.
  void RestoreTables() {
    store.store.Exec("UPDATE TV_BASE..CD_PERSON SET PANUM = CUSCODE, TEMPNUM = NULL");
    store.store.Exec("UPDATE TV_PRES..PS_MAIN SET PANUM = PRESERIAL, TEMPNUM = NULL");
    RestoreQora();
  }

  long n;
  jc::test::CodecStore store;
  jc::bench::IdleShell paused{store.Shell(), store.store.Connection()};
  jc::ui::FormModel form;
  std::vector<std::string> preparation;  // the build's statements before its count
  bool built = false;
};

std::map<long, std::unique_ptr<Setup>>& Setups() {
  static std::map<long, std::unique_ptr<Setup>> setups;
  return setups;
}
Setup& TheSetup(long n) {
  auto& p = Setups()[n];
  if (!p) p = std::make_unique<Setup>(n);
  return *p;
}

// Seconds per iteration of each phase, by "phase/size".
std::map<std::string, double> timings;
void Record(const std::string& name, long n, double seconds, benchmark::State& state) {
  timings[name + "/" + std::to_string(n)] += seconds / static_cast<double>(state.max_iterations);
  state.SetIterationTime(seconds);
}

void BM_BuildEncryptionPhase(benchmark::State& state) {
  Setup& s = TheSetup(state.range(0));
  for (auto _ : state) {
    Clock::time_point start, end;
    s.form.LB_Msg.OnChanged = [&](const std::string& text) {
      if (text.find("암호화 작업") != std::string::npos) start = Clock::now();
    };
    jc::migration::Btn_MappingClick(s.form, s.Db(), s.store.Codec(), s.Paused());
    s.Idle();  // the operation's end: part of the phase, as the window runs it
    end = Clock::now();
    s.form.LB_Msg.OnChanged = nullptr;
    Record("build", s.n, Seconds(start, end), state);
  }
  s.store.Shell().sleeps.clear();
  const long long pending =
      s.store.store.Scalar("SELECT COUNT(*) FROM TV_BASE..TEMP_MAPPING_BAK WHERE ENCRYPT IS NULL");
  const long long entries = s.store.store.Scalar("SELECT COUNT(*) FROM TV_BASE..TEMP_MAPPING_BAK");
  if (pending != 0 || entries != s.n + 1) state.SkipWithError("the build left entries without a value");
  s.built = true;
}

void BM_BareEncryptAndUpdate(benchmark::State& state) {
  Setup& s = TheSetup(state.range(0));
  // The eleven counted steps and the uncounted delete of partly masked numbers.
  if (s.preparation.size() != 12) {
    state.SkipWithError("the build's first phase was not captured");
    return;
  }
  jc::db::Session& db = s.Db();
  jc::crypto::Codec& codec = s.store.Codec();
  sqlite3* raw = s.Handle();
  long long updated = 0;
  for (auto _ : state) {
    state.PauseTiming();
    // The mapping as the build's first phase leaves it.
    for (const std::string& sql : s.preparation) jc::db::ExecQuery(db.Ado_Exec, sql);
    state.ResumeTiming();
    // The same work done the cheapest way: the numbers read in one pass,
    // then one durable UPDATE each, prepared once and bound.
    const auto start = Clock::now();
    std::vector<std::string> numbers;
    {
      Statement read(raw, "SELECT PANUM FROM \"TV_BASE\".\"TEMP_MAPPING_BAK\" WHERE ENCRYPT IS NULL");
      while (read.Row()) numbers.push_back(read.Text(0));
    }
    Statement update(raw, "UPDATE \"TV_BASE\".\"TEMP_MAPPING_BAK\" SET ENCRYPT = ?1 WHERE PANUM = ?2");
    updated = 0;
    for (const std::string& number : numbers) updated += update.Run({codec.EncryptJumin(number), number});
    Record("build floor", s.n, Seconds(start, Clock::now()), state);
  }
  if (updated != s.n) state.SkipWithError("the floor did not give every entry its value");
}

void BM_Verification(benchmark::State& state) {
  Setup& s = TheSetup(state.range(0));
  if (!s.built) {
    state.SkipWithError("run the build benchmark of this size first");
    return;
  }
  for (auto _ : state) {
    const auto start = Clock::now();
    jc::migration::VerifyMapping(s.form, s.Db(), s.store.Codec(), s.Paused());
    s.Idle();
    Record("verify", s.n, Seconds(start, Clock::now()), state);
  }
  s.store.Shell().sleeps.clear();
  if (!s.form.Btn_Encrypt.enabled) state.SkipWithError(("verification failed: " + s.form.LB_Msg.caption).c_str());
}

void BM_BareDecryptAndMark(benchmark::State& state) {
  Setup& s = TheSetup(state.range(0));
  if (!s.built) {
    state.SkipWithError("run the build benchmark of this size first");
    return;
  }
  jc::crypto::Codec& codec = s.store.Codec();
  sqlite3* raw = s.Handle();
  struct Entry {
    std::string number, value;
  };
  long passed = 0;
  long long marked = 0;
  for (auto _ : state) {
    // The same work done the cheapest way: every entry read in one pass,
    // checked, and marked by one durable UPDATE each; then the marks
    // cleared, as a verification leaves them.
    passed = 0;
    marked = 0;
    const auto start = Clock::now();
    std::vector<Entry> entries;
    {
      Statement read(raw, "SELECT PANUM, ENCRYPT FROM \"TV_BASE\".\"TEMP_MAPPING_BAK\"");
      while (read.Row()) entries.push_back({read.Text(0), read.Text(1)});
    }
    Statement mark(raw, "UPDATE \"TV_BASE\".\"TEMP_MAPPING_BAK\" SET CHECKFLG = '1' WHERE PANUM = ?1");
    for (const Entry& e : entries) {
      passed += jc::migration::MappingEntryPasses(e.number, e.value, codec.DecryptJumin(e.value));
      marked += mark.Run({e.number});
    }
    RawExec(raw, "UPDATE \"TV_BASE\".\"TEMP_MAPPING_BAK\" SET CHECKFLG = NULL");
    Record("verify floor", s.n, Seconds(start, Clock::now()), state);
  }
  if (passed != s.n + 1 || marked != s.n + 1) state.SkipWithError("entries failed or were not marked");
}

void BM_TableRun(benchmark::State& state) {
  Setup& s = TheSetup(state.range(0));
  if (!s.built) {
    state.SkipWithError("run the build benchmark of this size first");
    return;
  }
  for (auto _ : state) {
    state.PauseTiming();
    s.RestoreTables();
    s.form.Btn_Encrypt.enabled = true;
    state.ResumeTiming();
    const auto start = Clock::now();
    jc::migration::Btn_EncryptClick(s.form, s.Db(), s.Paused());
    s.Idle();
    Record("run", s.n, Seconds(start, Clock::now()), state);
  }
  s.store.Shell().sleeps.clear();
  if (s.form.Gauge1.Progress() != 23) state.SkipWithError(("run failed: " + s.form.LB_Msg.caption).c_str());
  const long long masked = s.store.store.Scalar(
      "SELECT COUNT(*) FROM TV_PRES..QORA_DATAINFO WHERE RIGHT(PREGNO,6) = '******' AND TEMPNUM IS NOT NULL");
  if (masked != s.n / 10) state.SkipWithError("QORA_DATAINFO not masked");
}

void BM_BareRunStatements(benchmark::State& state) {
  Setup& s = TheSetup(state.range(0));
  if (!s.built) {
    state.SkipWithError("run the build benchmark of this size first");
    return;
  }
  std::vector<std::string> statements;
  for (const auto& entry : jc::migration::RunList())
    for (const std::string& sql : jc::migration::TableStatements(std::string(entry.table)))
      statements.push_back(jc::db::tsql::TranslateInline(sql));
  for (auto _ : state) {
    state.PauseTiming();
    s.RestoreTables();
    state.ResumeTiming();
    const auto start = Clock::now();
    for (const std::string& sql : statements) RawExec(s.Handle(), sql);
    Record("run floor", s.n, Seconds(start, Clock::now()), state);
  }
}

void Register(long n, int iterations) {
  for (auto [name, fn] : std::initializer_list<std::pair<const char*, void (*)(benchmark::State&)>>{
           {"BM_BuildEncryptionPhase", BM_BuildEncryptionPhase},
           {"BM_BareEncryptAndUpdate", BM_BareEncryptAndUpdate},
           {"BM_Verification", BM_Verification},
           {"BM_BareDecryptAndMark", BM_BareDecryptAndMark},
           {"BM_TableRun", BM_TableRun},
           {"BM_BareRunStatements", BM_BareRunStatements}})
    benchmark::RegisterBenchmark(name, fn)
        ->Arg(n)
        ->Iterations(iterations)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
}

}  // namespace

int main(int argc, char** argv) {
  Register(100000, 3);
  Register(1000000, 1);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  for (long n : {100000L, 1000000L}) {
    for (const char* phase : {"build", "verify", "run"}) {
      const std::string key = std::string(phase) + "/" + std::to_string(n);
      const std::string floorKey = std::string(phase) + " floor/" + std::to_string(n);
      if (!timings.count(key) || !timings.count(floorKey)) continue;
      const double t = timings[key], f = timings[floorKey];
      std::printf("%-7s %8ld entries: %8.2f s (%6.2f us/entry), floor %8.2f s (%6.2f us/entry), ratio %.2f\n",
                  phase, n, t, t * 1e6 / static_cast<double>(n), f, f * 1e6 / static_cast<double>(n), t / f);
    }
  }
  Setups().clear();
  return 0;
}
