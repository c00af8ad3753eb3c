// The three migration steps with each of their statements failing in turn,
// and with the connection lost at each of them, on a seeded store with the
// real module. After every run:
//  - no number was masked unless its companion column now holds a value that
//    decrypts back to it (dashes removed; the empty number to the empty text),
//    and no other row changed;
//  - a fault is reported (an error box) or harmless (the run shows what a run
//    without the fault shows); a lost connection is always reported and the
//    run never claims to have finished;
//  - the next run without a fault shows what a clean run shows.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/Text.h"
#include "migration/EncryptionRun.h"
#include "migration/MappingBuild.h"
#include "migration/MappingVerification.h"
#include "support/CodecStore.h"
#include "support/FaultyBackend.h"

namespace jc::migration {
namespace {

using Fault = test::FaultyBackend::Fault;

const std::string A = "8001011234567", B = "7502022345678", C = "6503031456789";

struct Rig {
  test::CodecStore s;
  test::FaultyConnection faultyConnection{s.store.Connection()};
  test::FaultyBackend* faulty = faultyConnection.backend;
  ui::FormModel form;
  test::FakeShell& shell = s.Shell();

  Rig() { faultyConnection.Attach(s.Db()); }

  void Seed() {
    for (const RunEntry& e : RunList()) s.store.Exec("DELETE FROM " + std::string(e.table));
    try {
      s.store.Exec("DROP TABLE TV_BASE..TEMP_MAPPING_BAK");
    } catch (const db::DbError&) {
    }
    s.store.Insert("TV_BASE..CD_PERSON", {{"CUSCODE", "1"}, {"PANUM", A}, {"INSNUM", B}});
    s.store.Insert("TV_BASE..CD_PERSON", {{"CUSCODE", "2"}, {"PANUM", "9001011******"},
                                          {"TEMPNUM", s.Encrypt("9001011234567")}});
    s.store.Insert("TV_PRES..PS_MAIN", {{"PRESERIAL", "1"}, {"PANUM", C}});
    s.store.Insert("TV_PRES..SALE_MAIN", {{"PANUM", ""}});
    s.store.Insert("TV_EDIRECE..F0403", {{"PANUM", A}});
    s.store.Insert("TV_PRES..PS_NHIC", {{"PANUM", C}, {"OPJUMINNO", B}});
    s.store.Insert("TV_PRES..QORA_PRESLP", {{"PANAMEJUMIN", "800101-1234567"}, {"INSUREJUMIN", B}});
    s.store.Insert("TV_PRES..QORA_DATAINFO", {{"PREGNO", "650303-1456789"}});
  }

  // Every number pair of the run list, keyed by table, column and row.
  std::map<std::string, std::pair<db::Cell, db::Cell>> Snapshot() {
    sqlite3* handle = dynamic_cast<db::SqliteBackend&>(s.store.Connection().backend()).Handle();
    std::map<std::string, std::pair<db::Cell, db::Cell>> out;
    for (const RunEntry& e : RunList()) {
      const std::string table(e.table);
      const std::string sqliteName =
          "\"" + table.substr(0, table.find('.')) + "\".\"" + table.substr(table.rfind('.') + 1) + "\"";
      for (const NumberColumn& c : NumberColumns(e.table)) {
        sqlite3_stmt* st = nullptr;
        const std::string sql = "SELECT rowid, " + std::string(c.plain) + ", " + std::string(c.value) +
                                " FROM " + sqliteName;
        if (sqlite3_prepare_v2(handle, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) ADD_FAILURE() << sql;
        while (sqlite3_step(st) == SQLITE_ROW) {
          auto text = [&](int i) -> db::Cell {
            if (sqlite3_column_type(st, i) == SQLITE_NULL) return std::nullopt;
            return std::string(reinterpret_cast<const char*>(sqlite3_column_text(st, i)));
          };
          out[table + "." + std::string(c.plain) + "#" + std::to_string(sqlite3_column_int64(st, 0))] = {
              text(1), text(2)};
        }
        sqlite3_finalize(st);
      }
    }
    return out;
  }

  std::string Shown() {
    std::string out;
    for (int r = 0; r < form.Grid_Main.RowCount(); ++r)
      for (int c = 0; c < form.Grid_Main.ColCount(); ++c) out += form.Grid_Main.Cell(c, r) + "\t";
    out += "\nstatus: " + form.LB_Msg.caption + "\nrun enabled: " + (form.Btn_Encrypt.enabled ? "yes" : "no");
    for (const auto& m : shell.messages) out += "\nmessage: " + m;
    for (const auto& e : shell.errors) out += "\nerror: " + e;
    return out;
  }

  void RunEvent(const std::function<void()>& handler) {
    try {
      handler();
    } catch (const std::exception& e) {
      shell.ShowError(e.what());
    }
  }
};

struct Operation {
  std::string name;
  std::function<void(Rig&)> prepare, run;
  std::function<bool(Rig&)> claimsDone;
};
void PrintTo(const Operation& op, std::ostream* os) { *os << op.name; }

void Build(Rig& r) { Btn_MappingClick(r.form, r.s.Db(), r.s.Codec(), r.shell); }
void Verify(Rig& r) { VerifyMapping(r.form, r.s.Db(), r.s.Codec(), r.shell); }

const std::vector<Operation>& Operations() {
  static const std::vector<Operation> ops = {
      {"mapping build", [](Rig&) {}, Build,
       [](Rig& r) { return r.form.LB_Msg.caption == "매핑테이블 생성이 완료되었습니다...."; }},
      {"mapping verification", Build, Verify, [](Rig& r) { return r.form.Btn_Encrypt.enabled; }},
      {"encryption run",
       [](Rig& r) {
         Build(r);
         Verify(r);
       },
       [](Rig& r) { Btn_EncryptClick(r.form, r.s.Db(), r.shell); },
       [](Rig& r) { return r.form.LB_Msg.caption == "QORA_DATAINFO 암호화 성공.."; }},
  };
  return ops;
}

void Reset(Rig& rig, const Operation& op) {
  rig.faulty->Inject(Fault::None, 0);
  rig.Seed();
  rig.form = ui::FormModel();
  op.prepare(rig);
  rig.faulty->Inject(Fault::None, 0);  // statements are counted from the run on
  rig.shell.messages.clear();
  rig.shell.errors.clear();
  rig.shell.sleeps.clear();
}

void CheckData(Rig& rig, const std::map<std::string, std::pair<db::Cell, db::Cell>>& before,
               const std::string& context) {
  const auto after = rig.Snapshot();
  ASSERT_EQ(after.size(), before.size()) << context;
  for (const auto& [key, was] : before) {
    const auto& now = after.at(key);
    if (now == was) continue;
    // The only change allowed: a plain number without a value, masked, with
    // a value that gives it back.
    ASSERT_TRUE(was.first && !was.second && now.first && now.second) << context << " " << key;
    std::string number;
    for (char ch : *was.first)
      if (ch != '-') number += ch;
    const std::string plain = Trim(rig.s.Codec().DecryptJumin(*now.second));
    EXPECT_EQ(plain, number) << context << " " << key << ": masked without its number";
    EXPECT_EQ(Utf8Right(*now.first, 6), "******") << context << " " << key;
  }
}

class MigrationFault : public ::testing::TestWithParam<Operation> {};

TEST_P(MigrationFault, EveryStatementFailingOrLosingTheConnectionKeepsTheInvariants) {
  const Operation& op = GetParam();
  Rig rig;
  Reset(rig, op);
  rig.RunEvent([&] { op.run(rig); });
  ASSERT_TRUE(rig.shell.errors.empty()) << rig.Shown();
  ASSERT_TRUE(op.claimsDone(rig)) << rig.Shown();
  const std::string clean = rig.Shown();
  const int statements = rig.faulty->Count();
  ASSERT_GT(statements, 0);
  std::printf("[ figures  ] %s: %d statements, each failing and each losing the connection: %d faulted runs\n",
              op.name.c_str(), statements, 2 * statements);

  for (Fault fault : {Fault::FailStatement, Fault::LoseConnection}) {
    const bool lose = fault == Fault::LoseConnection;
    for (int at = 1; at <= statements; ++at) {
      const std::string context =
          op.name + (lose ? ", connection lost at statement " : ", statement failing: ") + std::to_string(at);
      Reset(rig, op);
      const auto before = rig.Snapshot();
      rig.faulty->Inject(fault, at);
      rig.RunEvent([&] { op.run(rig); });
      const std::string shown = rig.Shown();

      CheckData(rig, before, context);
      if (lose) {
        EXPECT_FALSE(rig.shell.errors.empty()) << context << "\n" << shown;
        EXPECT_FALSE(op.claimsDone(rig)) << context << "\n" << shown;
      } else {
        EXPECT_TRUE(!rig.shell.errors.empty() || shown == clean)
            << context << ": a failure neither reported nor harmless\n" << shown << "\nexpected\n" << clean;
      }

      // The tool goes on.
      Reset(rig, op);
      rig.RunEvent([&] { op.run(rig); });
      EXPECT_EQ(rig.Shown(), clean) << context << ": the next run";
    }
  }
}

// A fault in the build or in the verification, then the rest of the walk
// without one: the run goes ahead only after a clean verification of the
// mapping as it is, so a fault upstream never masks a number without a value
// that gives it back.
TEST(MigrationFaultChain, FaultsBeforeTheRunNeverLeadToANumberMaskedWithoutItsValue) {
  Rig rig;
  const Operation none{"", [](Rig&) {}, [](Rig&) {}, [](Rig&) { return true; }};
  struct Step {
    std::string name;
    std::function<void(Rig&)> before, faulted;
  };
  const std::vector<Step> steps = {{"build", [](Rig&) {}, Build}, {"verification", Build, Verify}};
  for (const Step& step : steps) {
    Reset(rig, none);
    step.before(rig);
    rig.faulty->Inject(Fault::None, 0);
    step.faulted(rig);
    const int statements = rig.faulty->Count();
    for (Fault fault : {Fault::FailStatement, Fault::LoseConnection})
      for (int at = 1; at <= statements; ++at) {
        const std::string context = step.name + (fault == Fault::LoseConnection ? ", lost at " : ", failing: ") +
                                    std::to_string(at);
        Reset(rig, none);
        const auto before = rig.Snapshot();
        step.before(rig);
        rig.faulty->Inject(fault, at);
        rig.RunEvent([&] { step.faulted(rig); });
        rig.faulty->Inject(Fault::None, 0);
        if (step.name == "build") rig.RunEvent([&] { Verify(rig); });
        if (rig.form.Btn_Encrypt.enabled)
          rig.RunEvent([&] { Btn_EncryptClick(rig.form, rig.s.Db(), rig.shell); });
        CheckData(rig, before, context);
      }
  }
}

INSTANTIATE_TEST_SUITE_P(Steps, MigrationFault, ::testing::ValuesIn(Operations()),
                         [](const ::testing::TestParamInfo<Operation>& info) {
                           std::string name;
                           for (char c : info.param.name)
                             if (std::isalnum(static_cast<unsigned char>(c))) name += c;
                           return name;
                         });

}  // namespace
}  // namespace jc::migration
