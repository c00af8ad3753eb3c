// Speed of the embedded store behind the runner, on store files on disk.
//
// Marking: 100 000 marking updates keyed on the indexed CUSCODE of the
// scratch table, each marking a row not marked before (as the audit's do),
// each through ExecQuery, against the cheapest honest way to
// do the same work: the translated statement prepared once and run per row
// with its two values bound (no parsing per row, one commit per statement
// as the tool's own). Page read: a 10 000-row page through
// OpenQuery against reading the same translated SELECT with the C API.
//
// Run: build-<you>/bin/bench_db   (ratios: compare the per-iteration times of
// the pairs; the marking pair reports microseconds per statement).
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "db/Names.h"
#include "db/Query.h"
#include "db/Session.h"
#include "db/SqliteStore.h"
#include "db/Tsql.h"
#include "support/TestStore.h"

namespace {

using namespace jc;

constexpr int kRows = 100000;
constexpr int kPage = 10000;

std::string Code(int i) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "C%06d", i);
  return buf;
}

// One store for the whole run: kRows customer records, copied into the
// customer audit's scratch table with its index, exactly as the audit does.
struct Fixture {
  test::TestStore store;
  db::Session s;
  sqlite3* raw = nullptr;  // a second connection for the C API baselines
  std::vector<std::string> marks;  // T-SQL marking statements, one per row
  std::vector<std::string> codes;  // their customer codes
  sqlite3_stmt* mark = nullptr;    // the marking statement, translated and prepared once
  std::string page;
  std::string pageSqlite;

  Fixture() {
    s.Ado_Qry.Connection = &store.Connection();
    s.Ado_Exec.Connection = &store.Connection();
    auto& backend = dynamic_cast<db::SqliteBackend&>(store.Connection().backend());
    sqlite3_exec(backend.Handle(), "BEGIN", nullptr, nullptr, nullptr);
    for (int i = 0; i < kRows; ++i)
      store.Insert("TV_BASE..CD_PERSON", {{"CUSCODE", Code(i)},
                                          {"SEQ", "1"},
                                          {"PANAME", "홍길동"},
                                          {"INDATE", "20140101"},
                                          {"PANUM", "9001011******"},
                                          {"TEMPNUM", "AbCdEfGhIjKlMnOpQrStUvWxYz0123456789+/==01"},
                                          {"CUSACT", "1"}});
    sqlite3_exec(backend.Handle(), "COMMIT", nullptr, nullptr, nullptr);
    store.Exec(
        "SELECT * INTO TV_BASE..JUMIN_CHECK   FROM (SELECT CUSCODE, SEQ, INDATE, PANUM, PANAME, TEMPNUM, '' AS CHK "
        "          FROM TV_BASE..CD_PERSON          WHERE RIGHT(PANUM, 6) = '******' AND ISNULL(TEMPNUM,'') <> '') AS T1");
    store.Exec(std::string(db::names::sql::CreateJuminCheckIndexCustomer));
    // Every row holds a one-character mark already, so that each measured
    // update rewrites a row of the same size whichever side runs first.
    store.Exec("UPDATE TV_BASE..JUMIN_CHECK SET CHK = '0'");
    for (int i = 0; i < kRows; ++i) {
      marks.push_back("UPDATE TV_BASE..JUMIN_CHECK SET CHK = '1'  WHERE CUSCODE = " + db::QuotedStr(Code(i)) +
                      "   AND SEQ     = " + db::QuotedStr("1"));
      codes.push_back(Code(i));
    }
    page = "SELECT TOP 10000 CUSCODE, SEQ, INDATE, PANUM, PANAME, TEMPNUM  FROM TV_BASE..CD_PERSON WHERE "
           "RIGHT(PANUM,6) = '******' AND TEMPNUM IS NOT NULL ";
    pageSqlite = db::tsql::TranslateInline(page);
    // The baseline connection: the same files, the same attachments and
    // functions, WAL and synchronous=NORMAL like the store's own.
    const std::string folder = store.Folder();
    sqlite3_open_v2((folder + "/master.db").c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    db::RegisterTsqlExtensions(raw);
    for (const char* name : {"TV_BASE", "TV_PRES", "TV_EDIRECE", "TV_EDISEND"}) {
      const std::string sql = "ATTACH DATABASE '" + folder + "/" + name + ".db' AS " + name;
      sqlite3_exec(raw, sql.c_str(), nullptr, nullptr, nullptr);
      sqlite3_exec(raw, ("PRAGMA " + std::string(name) + ".synchronous=NORMAL").c_str(), nullptr, nullptr, nullptr);
    }
    sqlite3_exec(raw, "PRAGMA main.synchronous=NORMAL", nullptr, nullptr, nullptr);
    sqlite3_busy_timeout(raw, 5000);
    // The store's commit policy: no automatic checkpoint after commits, one
    // at the store's ceiling.
    sqlite3_wal_hook(
        raw,
        [](void*, sqlite3* db, const char* schema, int frames) {
          if (frames >= db::SqliteBackend::kWalCeilingFrames)
            sqlite3_wal_checkpoint_v2(db, schema, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
          return SQLITE_OK;
        },
        nullptr);
    // Start both sides alike: the setup's writes checkpointed into the files,
    // and the scratch table and its index read once by each connection.
    sqlite3_exec(raw, "PRAGMA TV_BASE.wal_checkpoint(PASSIVE)", nullptr, nullptr, nullptr);
    const char* warm = "SELECT COUNT(*), MAX(CHK), MAX(TEMPNUM) FROM TV_BASE.JUMIN_CHECK";
    sqlite3_exec(raw, warm, nullptr, nullptr, nullptr);
    sqlite3_exec(raw, "SELECT COUNT(*) FROM TV_BASE.JUMIN_CHECK WHERE CUSCODE > '' COLLATE TSQL", nullptr, nullptr,
                 nullptr);
    sqlite3_exec(backend.Handle(), warm, nullptr, nullptr, nullptr);
    // The marking statement as the store translates it, string literals as
    // parameters (?1 the mark, ?2 the code, ?3 the sequence).
    db::tsql::Tokens tokens;
    db::tsql::Tokenize(marks[0], tokens);
    const std::string translated = db::tsql::Translate(tokens).sql;
    if (sqlite3_prepare_v2(raw, translated.c_str(), -1, &mark, nullptr) != SQLITE_OK)
      throw std::runtime_error("the marking statement does not prepare: " + translated);
  }
  // Every row unmarked again ('0', the size of a mark), checkpointed: each
  // measured statement then marks a row that was not marked, as the audit's
  // do. (A statement that writes the value the row already holds changes no
  // page and commits nothing: about a third of the cost.)
  void Unmark() {
    if (sqlite3_exec(raw, "UPDATE TV_BASE.JUMIN_CHECK SET CHK = '0'", nullptr, nullptr, nullptr) != SQLITE_OK)
      throw std::runtime_error(sqlite3_errmsg(raw));
    sqlite3_exec(raw, "PRAGMA TV_BASE.wal_checkpoint(PASSIVE)", nullptr, nullptr, nullptr);
  }
  // Rows still unmarked after a pass over every code: none, when each
  // measured statement marked its row.
  long long Unmarked() {
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(raw, "SELECT COUNT(*) FROM TV_BASE.JUMIN_CHECK WHERE CHK <> '1'", -1, &st, nullptr);
    const long long n = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int64(st, 0) : -1;
    sqlite3_finalize(st);
    return n;
  }
  ~Fixture() {
    sqlite3_finalize(mark);
    sqlite3_close(raw);
  }
  bool MarkPrepared(const std::string& code) {
    sqlite3_bind_text(mark, 1, "1", 1, SQLITE_STATIC);
    sqlite3_bind_text(mark, 2, code.data(), static_cast<int>(code.size()), SQLITE_STATIC);
    sqlite3_bind_text(mark, 3, "1", 1, SQLITE_STATIC);
    const bool ok = sqlite3_step(mark) == SQLITE_DONE;
    sqlite3_reset(mark);
    return ok;
  }
};

Fixture& F() {
  static Fixture f;
  return f;
}

void MarkingExecQuery(benchmark::State& state) {
  Fixture& f = F();
  f.Unmark();
  std::size_t i = 0;
  int failed = 0;
  for (auto _ : state) {
    if (!db::ExecQuery(f.s.Ado_Exec, f.marks[i])) ++failed;
    i = (i + 1) % f.marks.size();
  }
  state.counters["failed"] = failed;
  if (f.Unmarked() != 0) state.SkipWithError("not every row was marked");
}

void MarkingPrepared(benchmark::State& state) {
  Fixture& f = F();
  f.Unmark();
  std::size_t i = 0;
  int failed = 0;
  for (auto _ : state) {
    if (!f.MarkPrepared(f.codes[i])) ++failed;
    i = (i + 1) % f.codes.size();
  }
  state.counters["failed"] = failed;
  if (f.Unmarked() != 0) state.SkipWithError("not every row was marked");
}
// Each side twice, alternating, so that neither profits from running second.
void BM_Marking_ExecQuery(benchmark::State& state) { MarkingExecQuery(state); }
void BM_Marking_prepared(benchmark::State& state) { MarkingPrepared(state); }
void BM_Marking_ExecQuery_again(benchmark::State& state) { MarkingExecQuery(state); }
void BM_Marking_prepared_again(benchmark::State& state) { MarkingPrepared(state); }
BENCHMARK(BM_Marking_ExecQuery)->Iterations(kRows)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Marking_prepared)->Iterations(kRows)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Marking_ExecQuery_again)->Iterations(kRows)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Marking_prepared_again)->Iterations(kRows)->Unit(benchmark::kMicrosecond);

void BM_PageRead_OpenQuery(benchmark::State& state) {
  Fixture& f = F();
  std::size_t rows = 0;
  for (auto _ : state) {
    db::OpenQuery(f.s.Ado_Qry, f.page);
    for (; !f.s.Ado_Qry.Eof(); f.s.Ado_Qry.Next()) {
      benchmark::DoNotOptimize(f.s.Ado_Qry.FieldAsString("TEMPNUM"));
      ++rows;
    }
  }
  state.counters["rows"] = static_cast<double>(rows) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_PageRead_OpenQuery)->Unit(benchmark::kMillisecond);

void BM_PageRead_CApi(benchmark::State& state) {
  Fixture& f = F();
  std::size_t rows = 0;
  for (auto _ : state) {
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(f.raw, f.pageSqlite.c_str(), -1, &st, nullptr);
    std::vector<std::vector<std::string>> page;
    page.reserve(kPage);
    while (sqlite3_step(st) == SQLITE_ROW) {
      std::vector<std::string> row;
      row.reserve(6);
      for (int c = 0; c < 6; ++c)
        row.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, c)),
                         static_cast<std::size_t>(sqlite3_column_bytes(st, c)));
      page.push_back(std::move(row));
    }
    sqlite3_finalize(st);
    rows += page.size();
    benchmark::DoNotOptimize(page);
  }
  state.counters["rows"] = static_cast<double>(rows) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_PageRead_CApi)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
