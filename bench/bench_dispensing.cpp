// Speed of the dispensing audit and of the normal-data report, against the
// floor each cannot go below: the same decryptions and statements run in a
// bare loop over rows read beforehand.
//
// The store is a demo root of 100 000 customers (about 300 000 dispensing
// records, most of them masked; the records of the customers whose values
// went wrong are partly made from masked numbers), opened as the tool opens
// it; JC_BENCH_CUSTOMERS=N makes it N customers (above 100 000 each
// benchmark runs once). The audit runs in its whole-table variant; the shell records the pauses
// between passes and between pages of the report instead of sleeping, so
// they are excluded. After the benchmarks the program prints the time per
// row of each, per listed row for the audit, and the ratios.
#include <benchmark/benchmark.h>

#include <time.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/TForm1.h"
#include "IdleShell.h"
#include "TimingBackend.h"
#include "audit/DispensingAudit.h"
#include "audit/NormalDataReport.h"
#include "common/CurrentDirectoryGuard.h"
#include "common/Text.h"
#include "db/Query.h"
#include "demo/DemoRoot.h"
#include "support/FakeShell.h"
#include "support/RecordingBackend.h"

namespace {

int Customers() {
  const char* env = std::getenv("JC_BENCH_CUSTOMERS");
  return env && *env ? std::atoi(env) : 100000;
}
const int kCustomers = Customers();
const int kIterations = kCustomers > 100000 ? 1 : 3;

namespace fs = std::filesystem;

using jc::bench::TimingBackend;

struct Setup {
  Setup() {
    std::string pattern = (fs::temp_directory_path() / "jc-bench-disp-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    root = pattern;
    fs::remove(root);
    jc::demo::DemoRootOptions options;
    options.dir = root.string();
    options.modulePath = JC_MODULE_PATH;
    options.data.customers = kCustomers;
    options.data.seed = 1;
    options.data.today = jc::demo::Date{2014, 6, 1};
    jc::demo::MakeDemoRoot(options, shell);
    form = std::make_unique<jc::app::TForm1>(shell, jc::PathMapper(root.string()), [] {
      return jc::ui::DateTime{2014, 6, 15, 10, 0, 0};
    });
    form->RunEvent([this] { form->FormCreate(); });
    if (!shell.errors.empty()) throw std::runtime_error("start-up failed: " + shell.errors[0]);
  }
  ~Setup() {
    form->FormClose();
    form.reset();
    std::error_code ec;
    fs::remove_all(root, ec);
  }
  jc::db::Session& Db() { return form->Db; }
  jc::db::TADOConnection& Store() { return *form->Connection; }
  // As the window runs them: every pause and the end are the connection's
  // idle moments.
  void Audit() {
    jc::bench::IdleShell paused(shell, Store());
    jc::audit::RunDispensingAudit(*form, form->Db, form->Crypto, paused,
                                  jc::audit::kDispensingRecords);
    Store().Idle();
    shell.sleeps.clear();
  }
  void Report() {
    jc::bench::IdleShell paused(shell, Store());
    jc::audit::Button1Click(*form, form->Db, form->Crypto, paused);
    Store().Idle();
    shell.sleeps.clear();
  }

  jc::CurrentDirectoryGuard cwd;
  fs::path root;
  jc::test::FakeShell shell;
  std::unique_ptr<jc::app::TForm1> form;
};

Setup& TheSetup() {
  static Setup setup;
  return setup;
}

using jc::bench::Stamp;
struct Totals {
  double wall = 0, cpu = 0;  // nanoseconds over all iterations
  benchmark::IterationCount iterations = 0;
  void Add(const Stamp& start) {
    const Stamp end = Stamp::Now();
    wall += end.wall - start.wall;
    cpu += end.cpu - start.cpu;
  }
  double WallPer(double items) const { return wall / static_cast<double>(iterations) / items; }
  double CpuPer(double items) const { return cpu / static_cast<double>(iterations) / items; }
};
Totals audit, bareAudit, report, bareReport;
int auditRows = 0, auditListed = 0, reportRecords = 0, reportListed = 0;
std::string reportNotice;  // what the report said at its end
std::map<std::string, double> auditStatementMs;

// The statements of one recorded audit up to its count: drop, copy, index.
std::vector<std::string> ScratchRebuild(Setup& s) {
  jc::test::RecordingConnection recorder(s.Store());
  recorder.Attach(s.Db());
  s.Audit();
  std::vector<std::string> rebuild;
  for (const auto& call : recorder.backend->calls) {
    if (call.query) break;
    rebuild.push_back(call.sql);
  }
  s.Db().Ado_Qry.Connection = s.Db().Ado_Exec.Connection = &s.Store();
  return rebuild;
}

void BM_DispensingAudit(benchmark::State& state) {
  Setup& s = TheSetup();
  auto timing = std::make_unique<TimingBackend>(s.Store().backend());
  TimingBackend* timer = timing.get();
  jc::db::TADOConnection timed;
  timed.Adopt(std::move(timing));
  s.Db().Ado_Qry.Connection = s.Db().Ado_Exec.Connection = &timed;
  for (auto _ : state) {
    const Stamp start = Stamp::Now();
    s.Audit();
    audit.Add(start);
  }
  audit.iterations = state.iterations();
  auditRows = s.form->Gauge1.MaxValue();
  auditListed = s.form->Grid_Main.RowCount() - 1;
  for (const auto& [kind, ms] : timer->ms) auditStatementMs[kind] = ms / state.iterations();
  s.Db().Ado_Qry.Connection = s.Db().Ado_Exec.Connection = &s.Store();
  if (auditListed <= 0 || !s.form->Btn_Restore.enabled) state.SkipWithError("nothing listed");
  state.counters["rows"] = auditRows;
  state.counters["listed"] = auditListed;
}

// The audit's own work without the audit around it: for every row read,
// decrypt the value as read, decrypt the trimmed value again when it holds
// '*', run the marking statement; for every listed row, the customer lookup
// and the decryption of the customer's value. Before every pass (not timed)
// the scratch table is rebuilt with the audit's own statements, so the marks
// meet freshly copied rows as the audit's do.
void BM_BareDecryptMarkAndPair(benchmark::State& state) {
  Setup& s = TheSetup();
  const std::vector<std::string> rebuild = ScratchRebuild(s);
  if (rebuild.size() != 3) state.SkipWithError("the audit did not start with drop, copy, index");
  jc::db::Session& db = s.Db();
  // The drop fails when the table is gone, as the audit's own does.
  for (const std::string& sql : rebuild) jc::db::ExecQuery(db.Ado_Exec, sql);
  struct Row {
    std::string preserial, code, value;
  };
  std::vector<Row> rows;
  jc::db::OpenQuery(db.Ado_Qry,
                    "SELECT PRESERIAL, CUSCODE, TEMPNUM FROM TV_BASE..JUMIN_CHECK WHERE "
                    "RIGHT(PANUM,6) = '******' AND TEMPNUM IS NOT NULL");
  for (; !db.Ado_Qry.Eof(); db.Ado_Qry.Next())
    rows.push_back({db.Ado_Qry.FieldAsString("PRESERIAL"), db.Ado_Qry.FieldAsString("CUSCODE"),
                    db.Ado_Qry.FieldAsString("TEMPNUM")});
  db.Ado_Qry.Close();
  jc::crypto::Codec& codec = s.form->Crypto;

  int listed = 0;
  for (auto _ : state) {
    state.PauseTiming();
    for (const std::string& sql : rebuild) jc::db::ExecQuery(db.Ado_Exec, sql);
    state.ResumeTiming();
    listed = 0;
    std::vector<const Row*> pairs;
    const Stamp start = Stamp::Now();
    for (const Row& r : rows) {
      if (codec.DecryptJumin(r.value).find('*') != std::string::npos) {
        benchmark::DoNotOptimize(codec.DecryptJumin(jc::Trim(r.value)));
        pairs.push_back(&r);
      }
      db.SqlText = "UPDATE TV_BASE..JUMIN_CHECK SET CHK = '1' WHERE PRESERIAL = " +
                   jc::db::QuotedStr(r.preserial);
      jc::db::ExecQuery(db.Ado_Exec, db.SqlText);
    }
    for (const Row* r : pairs) {
      db.SqlText = "SELECT * FROM TV_BASE..CD_PERSON WHERE CUSACT = '1' AND CUSCODE = " +
                   jc::db::QuotedStr(jc::Trim(r->code));
      jc::db::OpenQuery(db.Ado_Qry, db.SqlText);
      benchmark::DoNotOptimize(codec.DecryptJumin(db.Ado_Qry.FieldAsString("TEMPNUM")));
      ++listed;
    }
    bareAudit.Add(start);
  }
  bareAudit.iterations = state.iterations();
  if (listed != auditListed || static_cast<int>(rows.size()) != auditRows)
    state.SkipWithError("the bare loop did not see the audit's rows");
}

void BM_NormalDataReport(benchmark::State& state) {
  Setup& s = TheSetup();
  for (auto _ : state) {
    const Stamp start = Stamp::Now();
    s.Report();
    report.Add(start);
    // The demo holds values that do not decrypt: the report's one notice
    // counts them, and the bare loop checks that count.
    if (s.shell.messages.size() > 1) state.SkipWithError(("the report said: " + s.shell.messages.back()).c_str());
    reportNotice = s.shell.messages.empty() ? "" : s.shell.messages.front();
    s.shell.messages.clear();
  }
  report.iterations = state.iterations();
  reportRecords = s.form->Gauge1.MaxValue();
  reportListed = s.form->Grid_Main.RowCount() - 1;
  if (reportListed <= 0) state.SkipWithError("the report listed nothing");
  state.counters["records"] = reportRecords;
  state.counters["listed"] = reportListed;
}

// The report's own work per record without the report around it: decrypt
// the value, and insert the row into the report table when the decryption
// is not empty and holds no '*'. The report table is made afresh before
// every pass (not timed).
void BM_BareDecryptAndInsert(benchmark::State& state) {
  Setup& s = TheSetup();
  struct Row {
    std::string code, name, panum, value;
  };
  std::vector<Row> rows;
  jc::db::Session& db = s.Db();
  jc::db::OpenQuery(db.Ado_Qry,
                    "SELECT CUSCODE, PANAME, PANUM, TEMPNUM FROM TV_BASE..CD_PERSON  WHERE "
                    "RIGHT(PANUM,6) = '******'    AND ISNULL(TEMPNUM, '') <> ''    AND PANUM <> "
                    "'*************' ");
  for (; !db.Ado_Qry.Eof(); db.Ado_Qry.Next())
    rows.push_back({db.Ado_Qry.FieldAsString("CUSCODE"), db.Ado_Qry.FieldAsString("PANAME"),
                    db.Ado_Qry.FieldAsString("PANUM"), db.Ado_Qry.FieldAsString("TEMPNUM")});
  db.Ado_Qry.Close();
  jc::crypto::Codec& codec = s.form->Crypto;

  int listed = 0, undecryptable = 0;
  for (auto _ : state) {
    state.PauseTiming();
    jc::db::ExecQuery(db.Ado_Exec, "DROP TABLE TV_BASE..AAA ");
    jc::db::ExecQueryOrFail(db.Ado_Exec,
        "CREATE TABLE TV_BASE..AAA(CUSCODE NVARCHAR(20) NULL, PANAME NVARCHAR(30) NULL, PANUM "
        "NVARCHAR(13) NULL, PANUM_1 NVARCHAR(13) NULL, TEMPNUM NVARCHAR(60) NULL)");
    state.ResumeTiming();
    listed = undecryptable = 0;
    const Stamp start = Stamp::Now();
    for (const Row& r : rows) {
      const std::string plain = codec.DecryptJumin(r.value);
      if (jc::Trim(plain).empty()) {
        ++undecryptable;
        continue;
      }
      if (plain.find('*') != std::string::npos) continue;
      db.SqlText = "INSERT INTO TV_BASE..AAA(CUSCODE, PANAME, PANUM, PANUM_1, TEMPNUM) VALUES( " +
                   jc::db::QuotedStr(r.code) + "," + jc::db::QuotedStr(r.name) + "," +
                   jc::db::QuotedStr(r.panum) + "," + jc::db::QuotedStr(plain) + "," +
                   jc::db::QuotedStr(r.value) + ")";
      jc::db::ExecQuery(db.Ado_Exec, db.SqlText);
      ++listed;
    }
    bareReport.Add(start);
  }
  bareReport.iterations = state.iterations();
  if (listed != reportListed || static_cast<int>(rows.size()) != reportRecords)
    state.SkipWithError("the bare loop did not see the report's records");
  if (reportNotice != (undecryptable > 0 ? jc::audit::ReportUndecryptableText(undecryptable) : ""))
    state.SkipWithError(("the report's notice differs from the bare loop's count: " + reportNotice).c_str());
}

BENCHMARK(BM_DispensingAudit)->Unit(benchmark::kMillisecond)->Iterations(kIterations);
BENCHMARK(BM_BareDecryptMarkAndPair)->Unit(benchmark::kMillisecond)->Iterations(kIterations);
BENCHMARK(BM_NormalDataReport)->Unit(benchmark::kMillisecond)->Iterations(kIterations);
BENCHMARK(BM_BareDecryptAndInsert)->Unit(benchmark::kMillisecond)->Iterations(kIterations);

void PrintPair(const char* what, const Totals& op, const Totals& bare, double items,
               const char* per) {
  if (op.iterations == 0 || bare.iterations == 0 || items <= 0) return;
  std::printf("%s wall: %.2f us/%s, bare loop %.2f us/%s, ratio %.2f\n", what,
              op.WallPer(items) / 1000, per, bare.WallPer(items) / 1000, per,
              op.wall / op.iterations / (bare.wall / bare.iterations));
  std::printf("%s cpu:  %.2f us/%s, bare loop %.2f us/%s, ratio %.2f\n", what,
              op.CpuPer(items) / 1000, per, bare.CpuPer(items) / 1000, per,
              op.cpu / op.iterations / (bare.cpu / bare.iterations));
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  for (const auto& [kind, ms] : auditStatementMs)
    std::printf("audit statements %-24s %9.1f ms per run\n", kind.c_str(), ms);
  std::printf("audit: %d rows read, %d listed; report: %d records, %d listed\n", auditRows,
              auditListed, reportRecords, reportListed);
  PrintPair("audit ", audit, bareAudit, auditRows, "row");
  PrintPair("audit ", audit, bareAudit, auditListed, "listed row");
  PrintPair("report", report, bareReport, reportRecords, "record");
  return 0;
}
