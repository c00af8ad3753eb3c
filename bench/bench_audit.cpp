// Speed of the customer audit per row read, against the floor it cannot go
// below: the same decryptions and marking statements run in a bare loop.
//
// The store holds 100 000 masked customer records with a dispensing record in
// the audited year, one in a thousand with a value made from a masked number,
// so the audit reads them in 11 pages. The shell records the pauses between
// pages instead of sleeping, so they are excluded. After both benchmarks the
// program prints the time per row of each and their ratio.
#include <benchmark/benchmark.h>

#include <time.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "IdleShell.h"
#include "TimingBackend.h"
#include "audit/CustomerAudit.h"
#include "common/Text.h"
#include "db/Query.h"
#include "support/CodecStore.h"
#include "support/RecordingBackend.h"

namespace {

constexpr int kRows = 100000;

using jc::bench::TimingBackend;

struct Setup {
  Setup() {
    const std::string sound = store.Encrypt("8001011234567");
    const std::string bad = store.Encrypt("8001011******");
    store.InTransaction([&] {
      for (int i = 0; i < kRows; ++i) {
        char code[16];
        std::snprintf(code, sizeof code, "C%06d", i);
        store.AddPerson(code, "1", "20100101", "8001011******", "고객", i % 1000 == 7 ? bad : sound);
        store.AddDispensing(code, code, "20130301", "8001011******", "고객", sound);
      }
    });
    form.Combo_Year.items = {"2013"};
    form.Combo_Year.itemIndex = 0;
  }
  // As the window runs it: every pause and the end are idle moments.
  void Audit() {
    jc::audit::Btn_De_CustomClick(form, store.Db(), store.Codec(), paused);
    store.store.Connection().Idle();
    store.Shell().sleeps.clear();
  }
  jc::test::CodecStore store;
  jc::bench::IdleShell paused{store.Shell(), store.store.Connection()};
  jc::ui::FormModel form;
};

Setup& TheSetup() {
  static Setup setup;
  return setup;
}

using jc::bench::Stamp;
struct PerRow {
  double wall = 0, cpu = 0;  // nanoseconds per row
  void Add(const Stamp& start) {
    const Stamp end = Stamp::Now();
    wall += end.wall - start.wall;
    cpu += end.cpu - start.cpu;
  }
  void Finish(benchmark::IterationCount iterations) {
    wall /= static_cast<double>(iterations) * kRows;
    cpu /= static_cast<double>(iterations) * kRows;
  }
};
PerRow audit, bare;

std::map<std::string, double> auditStatementMs;

void BM_CustomerAudit(benchmark::State& state) {
  Setup& s = TheSetup();
  // Statements go through a timing layer on their way to the store.
  auto timing = std::make_unique<TimingBackend>(s.store.store.Connection().backend());
  TimingBackend* timer = timing.get();
  jc::db::TADOConnection timed;
  timed.Adopt(std::move(timing));
  jc::db::Session& db = s.store.Db();
  db.Ado_Qry.Connection = db.Ado_Exec.Connection = &timed;
  for (auto _ : state) {
    const Stamp start = Stamp::Now();
    s.Audit();
    audit.Add(start);
  }
  if (s.form.LB_Msg.caption != std::to_string(kRows) + "건 중 암호화 오입력 환자 100건 검색")
    state.SkipWithError(("unexpected result: " + s.form.LB_Msg.caption).c_str());
  audit.Finish(state.iterations());
  for (const auto& [kind, ms] : timer->ms) auditStatementMs[kind] = ms / state.iterations();
  db.Ado_Qry.Connection = db.Ado_Exec.Connection = &s.store.store.Connection();
  state.counters["per_row"] = benchmark::Counter(
      kRows, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The audit's own work per row, without the audit around it: decrypt the
// value as read, decrypt the trimmed value again when it holds '*', run the
// marking statement. Before every pass (not timed) the scratch table is
// rebuilt with the audit's own drop, copy and index statements, so the marks
// meet the table as the audit's marks do: freshly copied rows, packed full,
// that each mark makes one byte longer. (Marking rows already marked, or rows
// whose mark was cleared in place, costs the store markedly less.)
void BM_BareDecryptAndMark(benchmark::State& state) {
  Setup& s = TheSetup();
  // One audit, recorded, gives the statements that build the scratch table
  // and leaves it built.
  std::vector<std::string> rebuild;
  {
    jc::test::RecordingConnection recorder(s.store.store.Connection());
    recorder.Attach(s.store.Db());
    s.Audit();
    for (const auto& call : recorder.backend->calls) {
      if (call.query) break;  // the count follows the drop, the copy and the index
      rebuild.push_back(call.sql);
    }
    s.store.Db().Ado_Qry.Connection = s.store.Db().Ado_Exec.Connection = &s.store.store.Connection();
  }
  if (rebuild.size() != 3) state.SkipWithError("the audit did not start with drop, copy, index");
  struct Row {
    std::string code, seq, value;
  };
  std::vector<Row> rows;
  jc::db::Session& db = s.store.Db();
  jc::db::OpenQuery(db.Ado_Qry, "SELECT CUSCODE, SEQ, TEMPNUM FROM TV_BASE..JUMIN_CHECK");
  for (; !db.Ado_Qry.Eof(); db.Ado_Qry.Next())
    rows.push_back({db.Ado_Qry.FieldAsString("CUSCODE"), db.Ado_Qry.FieldAsString("SEQ"),
                    db.Ado_Qry.FieldAsString("TEMPNUM")});
  db.Ado_Qry.Close();
  jc::crypto::Codec& codec = s.store.Codec();

  int listed = 0;
  for (auto _ : state) {
    state.PauseTiming();
    for (const std::string& sql : rebuild) s.store.store.Exec(sql);
    state.ResumeTiming();
    listed = 0;
    const Stamp start = Stamp::Now();
    for (const Row& r : rows) {
      if (codec.DecryptJumin(r.value).find('*') != std::string::npos) {
        benchmark::DoNotOptimize(codec.DecryptJumin(jc::Trim(r.value)));
        ++listed;
      }
      db.SqlText = "UPDATE TV_BASE..JUMIN_CHECK SET CHK = '1'  WHERE CUSCODE = " +
                   jc::db::QuotedStr(r.code) + "   AND SEQ     = " + jc::db::QuotedStr(r.seq);
      jc::db::ExecQuery(db.Ado_Exec, db.SqlText);
    }
    bare.Add(start);
  }
  if (listed != kRows / 1000 || static_cast<int>(rows.size()) != kRows)
    state.SkipWithError("unexpected rows");
  bare.Finish(state.iterations());
  state.counters["per_row"] = benchmark::Counter(
      kRows, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

BENCHMARK(BM_CustomerAudit)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_BareDecryptAndMark)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  for (const auto& [kind, ms] : auditStatementMs)
    std::printf("audit statements %-24s %9.1f ms per run\n", kind.c_str(), ms);
  if (audit.wall > 0 && bare.wall > 0) {
    std::printf("wall: audit %.2f us/row, bare loop %.2f us/row, ratio %.2f\n", audit.wall / 1000,
                bare.wall / 1000, audit.wall / bare.wall);
    std::printf("cpu:  audit %.2f us/row, bare loop %.2f us/row, ratio %.2f\n", audit.cpu / 1000,
                bare.cpu / 1000, audit.cpu / bare.cpu);
  }
  return 0;
}
