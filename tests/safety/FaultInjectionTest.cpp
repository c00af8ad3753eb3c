// Fault injection: every operation runs on a seeded store with the real
// module, once with each of its statements failing in turn and once with the
// connection lost at each of its statements. After every run:
//  - no number was masked, and no stored value replaced, unless the stored
//    value now there decrypts back to a sound number (the number it masks);
//  - no UPDATE ran with an empty key or an empty value;
//  - a fault is either reported (an error box) or harmless (the run shows
//    exactly what a run without the fault shows); a lost connection is always
//    reported, and the run never claims to have finished;
//  - the tool goes on: the next run without a fault works (or, on the lost
//    connection, fails with an error box instead of claiming a result).
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <regex>
#include <string>
#include <tuple>
#include <vector>

#include "audit/BulkRestore.h"
#include "audit/CustomerAudit.h"
#include "audit/DispensingAudit.h"
#include "audit/HistoryView.h"
#include "audit/NormalDataReport.h"
#include "audit/Repair.h"
#include "audit/Undo.h"
#include "common/Text.h"
#include "support/CodecStore.h"
#include "support/FaultyBackend.h"
#include "ui/FormModel.h"

namespace jc::test {
namespace {

using Fault = FaultyBackend::Fault;

const std::string kFull1 = "9001011234567", kFull2 = "8505052345678", kFull3 = "7707073456789";
std::string Masked(const std::string& full) { return full.substr(0, 7) + "******"; }

// The number columns the invariants watch: table, row key, plain column,
// companion column.
struct Watched {
  std::string table, key, plain, companion;
};
const std::vector<Watched> kWatched = {
    {"TV_BASE..CD_PERSON", "CUSCODE + '/' + SEQ", "PANUM", "TEMPNUM"},
    {"TV_BASE..CD_PERSON", "CUSCODE + '/' + SEQ", "INSNUM", "TEMPNUM_1"},
    {"TV_PRES..PS_MAIN", "PRESERIAL", "PANUM", "TEMPNUM"},
    {"TV_PRES..INS_COMPOS", "PRESERIAL", "PANUM", "TEMPNUM"},
};

struct Rig;

// One operation as the tool runs it, with what it shows afterwards.
struct Operation {
  std::string name;
  std::function<void(Rig&)> prepare;  // the window state the operation starts from
  std::function<void(Rig&)> run;      // the handler
  // True when what the run shows claims a finished run.
  std::function<bool(Rig&)> claimsDone;
  // True when the run shows that something failed. Unset: an error box.
  std::function<bool(Rig&)> showsFailure = nullptr;
  // The operation puts back earlier values (an undo): a changed value need
  // not be sound, only journaled.
  bool putsBackEarlierValues = false;
};

void PrintTo(const Operation& op, std::ostream* os) { *os << op.name; }

struct Rig {
  CodecStore s;
  FaultyConnection faulty{s.store.Connection()};
  ui::FormModel form;
  FakeShell& shell = s.Shell();
  std::string journaled;  // the operation an undo undoes

  Rig() {
    faulty.Attach(s.Db());
    Seed();
  }

  // Customers C1 (a sound record and a record made from the masked number),
  // C2 (only a bad record), C3 (only sound), C4 (bad, not dispensed in 2013);
  // dispensing records of C1 to C3 in 2013, one of them bad; records of the
  // second dispensing table made from masked numbers, for C3 (whose active
  // record is sound: restorable), C1 (active record bad) and C2 (no active
  // record).
  void Seed() {
    for (const char* t : {"TV_BASE..CD_PERSON", "TV_PRES..PS_MAIN", "TV_PRES..INS_COMPOS"})
      s.store.Exec(std::string("DELETE FROM ") + t);
    for (const char* t : {"TV_BASE..JUMIN_CHECK", "TV_BASE..AAA", "TV_BASE..TEMP_MAPPING_BAK",
                          "TV_BASE..JUMINCHECK_JOURNAL"}) {
      try {
        s.store.Exec(std::string("DROP TABLE ") + t);
      } catch (const db::DbError&) {
      }
    }
    s.InTransaction([&] {
      s.AddPerson("C1", "1", "20100101", Masked(kFull1), "김일", s.Encrypt(kFull1));
      s.AddPerson("C1", "2", "20120101", Masked(kFull1), "김일", s.Encrypt(Masked(kFull1)));
      s.store.Exec("UPDATE TV_BASE..CD_PERSON SET CUSACT = '1' WHERE CUSCODE = 'C1' AND SEQ = '2'");
      s.AddPerson("C2", "1", "20110101", Masked(kFull2), "이이", s.Encrypt(Masked(kFull2)));
      s.AddPerson("C3", "1", "20110101", Masked(kFull3), "박삼", s.Encrypt(kFull3));
      s.AddPerson("C4", "1", "20110101", Masked(kFull3), "최사", s.Encrypt(Masked(kFull3)));
      s.AddDispensing("P1", "C1", "20130301", Masked(kFull1), "김일", s.Encrypt(Masked(kFull1)));
      s.AddDispensing("P2", "C2", "20130401", Masked(kFull2), "이이", s.Encrypt(kFull2));
      s.AddDispensing("P3", "C3", "20130501", Masked(kFull3), "박삼", s.Encrypt(kFull3));
      s.store.Exec("UPDATE TV_BASE..CD_PERSON SET CUSACT = '1' WHERE CUSCODE = 'C3'");
      for (const auto& [serial, code, full] :
           {std::tuple{"B1", "C3", kFull3}, std::tuple{"B2", "C1", kFull1}, std::tuple{"B3", "C2", kFull2}})
        s.store.Insert("TV_PRES..INS_COMPOS", {{"PRESERIAL", serial},
                                               {"CUSCODE", code},
                                               {"INDATE", "20130601"},
                                               {"PANUM", Masked(full)},
                                               {"PANAME", "분업"},
                                               {"TEMPNUM", s.Encrypt(Masked(full))}});
    });
  }

  // Every watched pair, keyed, as "plain|companion" (NULL as <NULL>).
  std::map<std::string, std::pair<std::string, std::string>> Snapshot() {
    std::map<std::string, std::pair<std::string, std::string>> out;
    for (const Watched& w : kWatched)
      for (const auto& row : s.store.Texts("SELECT " + w.key + ", " + w.plain + ", " + w.companion +
                                           " FROM " + w.table))
        out[w.table + ":" + w.plain + ":" + row[0]] = {row[1], row[2]};
    return out;
  }

  // What the run shows: both grids, the status line, the boxes.
  std::string Shown() {
    std::string out;
    for (const ui::ResultGrid* g : {&form.Grid_Main, &form.Grid_Sub}) {
      for (int r = 0; r < g->RowCount(); ++r) {
        for (int c = 0; c < g->ColCount(); ++c) out += g->Cell(c, r) + "\t";
        out += "\n";
      }
      out += "--\n";
    }
    out += "status: " + form.LB_Msg.caption + "\n";
    for (const auto& m : shell.messages) out += "message: " + m + "\n";
    for (const auto& e : shell.errors) out += "error: " + e + "\n";
    return out;
  }

  // Runs a handler as the window does: an escaping error goes to the box.
  void RunEvent(const std::function<void()>& handler) {
    try {
      handler();
    } catch (const std::exception& e) {
      shell.ShowError(e.what());
    }
  }

  void Reset(const Operation& op) {
    Seed();
    form = ui::FormModel();
    RunEvent([&] { op.prepare(*this); });
    shell.messages.clear();
    shell.sleeps.clear();
  }
};

// Checks the data invariants of a run from before to after.
// Journal rows that change a value (a record that already held the value
// written is journaled unchanged).
long long JournalChanges(Rig& rig) {
  try {
    return rig.s.store.Scalar(
        "SELECT COUNT(*) FROM TV_BASE..JUMINCHECK_JOURNAL WHERE ISNULL(BEFOREVAL, '') <> ISNULL(AFTERVAL, '')");
  } catch (const db::DbError&) {
    return 0;  // no journal yet
  }
}

void CheckData(Rig& rig, const Operation& op, const std::map<std::string, std::pair<std::string, std::string>>& before,
               long long journalBefore, const std::string& context) {
  const auto after = rig.Snapshot();
  ASSERT_EQ(after.size(), before.size()) << context;
  // No journal row for a change that did not happen: as many new rows that
  // change a value as changed stored values of the journaled columns.
  long long changedValues = 0;
  for (const auto& [key, was] : before)
    if (key.find(":PANUM:") != std::string::npos && after.at(key).second != was.second) ++changedValues;
  EXPECT_EQ(JournalChanges(rig) - journalBefore, changedValues) << context;
  for (const auto& [key, was] : before) {
    const auto& now = after.at(key);
    if (now == was) continue;
    const std::string plain = Trim(rig.s.Codec().DecryptJumin(now.second));
    // A changed stored value, or a newly masked number, must give a sound
    // number back: the number itself when it was just masked.
    if (!op.putsBackEarlierValues) {
      EXPECT_TRUE(audit::IsSoundDecryption(plain)) << context << " " << key << " holds an unsound value";
    }
    // A stored value that changed has its journal row: the record's key,
    // the value before and the value written.
    if (now.first == was.first && key.find(":PANUM:") != std::string::npos) {
      const std::string table = key.substr(0, key.find(':'));
      const std::string id = key.substr(key.rfind(':') + 1);
      const std::string key1 = id.substr(0, id.find('/'));
      const std::string key2 = id.find('/') == std::string::npos ? "" : id.substr(id.find('/') + 1);
      EXPECT_GE(rig.s.store.Scalar("SELECT COUNT(*) FROM TV_BASE..JUMINCHECK_JOURNAL WHERE TABLENAME = '" + table +
                                   "' AND KEY1 = '" + key1 + "' AND KEY2 = '" + key2 + "' AND BEFOREVAL = '" +
                                   was.second + "' AND AFTERVAL = '" + now.second + "'"),
                1)
          << context << " " << key << " changed without its journal row";
    }
    if (now.first != was.first) {
      EXPECT_EQ(plain, Trim(was.first)) << context << " " << key << " masked without its number";
    } else if (now.first.size() >= 7) {
      EXPECT_EQ(plain.substr(0, 7), now.first.substr(0, 7)) << context << " " << key;
    }
  }
}

// No successful UPDATE wrote an empty value or addressed rows by an empty key.
void CheckStatements(const FaultyBackend& backend, const std::string& context) {
  static const std::regex emptyValue(R"(SET\s+\w+\s*=\s*''(\s|,|$))", std::regex::icase);
  static const std::regex emptyKey(R"(WHERE\s+(CUSCODE|PRESERIAL|SEQ)\s*=\s*''(\s|$))", std::regex::icase);
  for (const auto& call : backend.calls) {
    if (!call.ok || call.sql.rfind("UPDATE", 0) != 0) continue;
    EXPECT_FALSE(std::regex_search(call.sql, emptyValue)) << context << ": " << call.sql;
    EXPECT_FALSE(std::regex_search(call.sql, emptyKey)) << context << ": " << call.sql;
  }
}

int ColouredRows(Rig& r) {
  int n = 0;
  for (int row = 1; row < r.form.Grid_Sub.RowCount(); ++row)
    if (r.form.Grid_Sub.RowColor(row)) ++n;
  return n;
}

const std::vector<Operation>& Operations() {
  static const std::vector<Operation> ops = {
      {"customer audit",
       [](Rig& r) {
         r.form.Combo_Year.items = {"2013"};
         r.form.Combo_Year.itemIndex = 0;
       },
       [](Rig& r) { audit::Btn_De_CustomClick(r.form, r.s.Db(), r.s.Codec(), r.shell); },
       [](Rig& r) { return r.form.LB_Msg.caption.find("건 검색") != std::string::npos; }},
      {"history view",
       [](Rig& r) {
         r.form.Grid_Main.SetRowCount(2);
         r.form.Grid_Main.SetCell(1, 1, "김일");
         r.form.Grid_Main.SetCell(5, 1, "C1");
         r.form.Grid_Main.SetCurrentRow(1);
       },
       [](Rig& r) { audit::Grid_MainClickCell(r.form, r.s.Db(), r.s.Codec(), r.shell); },
       [](Rig& r) { return r.form.Grid_Sub.RowCount() > 1 && !r.form.Grid_Sub.Cell(6, 1).empty(); }},
      {"repair",
       [](Rig& r) {
         r.form.CustomerMode = true;
         r.form.Grid_Sub.SetRowCount(2);
         r.form.Grid_Sub.SetCell(5, 1, "C1");
         r.form.Grid_Sub.SetCell(6, 1, r.s.Encrypt(kFull1));
         r.form.Grid_Sub.SetCurrentRow(1);
       },
       [](Rig& r) { audit::Grid_SubMouseDown(r.form, r.s.Db(), r.s.Codec(), r.shell, true, 1); },
       [](Rig& r) {
         for (const auto& m : r.shell.messages)
           if (m.rfind(audit::kRepairDone, 0) == 0) return true;
         return false;
       }},
      {"dispensing audit",
       [](Rig&) {},
       [](Rig& r) { audit::Btn_De_TestClick(r.form, r.s.Db(), r.s.Codec(), r.shell); },
       [](Rig& r) { return r.form.Btn_Restore.enabled; }},
      {"second dispensing audit",
       [](Rig&) {},
       [](Rig& r) { audit::Btn_De_BunClick(r.form, r.s.Db(), r.s.Codec(), r.shell); },
       [](Rig& r) { return r.form.Btn_Restore.enabled; }},
      {"restore",
       [](Rig& r) { audit::Btn_De_BunClick(r.form, r.s.Db(), r.s.Codec(), r.shell); },
       [](Rig& r) { audit::Btn_RestoreClick(r.form, r.s.Db(), r.s.Codec(), r.shell); },
       [](Rig& r) { return ColouredRows(r) > 0; },
       // A restore statement that fails leaves its row uncoloured: that is
       // how the window tells the operator (the command line exits 1).
       [](Rig& r) { return !r.shell.errors.empty() || ColouredRows(r) < 1; }},
      {"undo of a repair",
       [](Rig& r) {
         r.form.CustomerMode = true;
         r.form.Grid_Sub.SetRowCount(2);
         r.form.Grid_Sub.SetCell(5, 1, "C1");
         r.form.Grid_Sub.SetCell(6, 1, r.s.Encrypt(kFull1));
         r.form.Grid_Sub.SetCurrentRow(1);
         audit::RepairCurrentRow(r.form, r.s.Db(), r.s.Codec(), r.shell);
         r.journaled = audit::ListJournal(r.s.Db(), 1).at(0).id;
       },
       [](Rig& r) { audit::UndoJournaledOperation(r.s.Db(), r.shell, r.journaled, audit::SystemJournalContext()); },
       [](Rig& r) {
         for (const auto& m : r.shell.messages)
           if (m == "되돌리기: 2건 되돌림, 그 뒤에 바뀌어 건너뛴 기록 0건") return true;
         return false;
       },
       [](Rig& r) {
         if (!r.shell.errors.empty()) return true;
         for (const auto& m : r.shell.messages)
           if (m.find("실패") != std::string::npos) return true;
         return false;
       },
       true},
      {"normal-data report",
       [](Rig&) {},
       [](Rig& r) { audit::Button1Click(r.form, r.s.Db(), r.s.Codec(), r.shell); },
       // The counts are final once every record is read; the report table is
       // saved after that, so a loss while saving is told by the error box.
       [](Rig& r) { return r.form.Label4.caption.find(" 건 / ") != std::string::npos && r.shell.errors.empty(); },
       // Rows the report table did not take are told in an information box.
       [](Rig& r) {
         if (!r.shell.errors.empty()) return true;
         for (const auto& m : r.shell.messages)
           if (m.find("저장하지 못했습니다") != std::string::npos) return true;
         return false;
       }},
  };
  return ops;
}

class FaultInjection : public testing::TestWithParam<Operation> {};

TEST_P(FaultInjection, EveryStatementFailingOrLosingTheConnectionKeepsTheInvariants) {
  const Operation& op = GetParam();
  Rig rig;

  // The run without a fault: what it shows and how many statements it sends.
  rig.shell.errors.clear();
  rig.Reset(op);
  ASSERT_TRUE(rig.shell.errors.empty()) << rig.Shown();
  rig.faulty.backend->Inject(Fault::None, 0);
  rig.RunEvent([&] { op.run(rig); });
  ASSERT_TRUE(rig.shell.errors.empty()) << rig.Shown();
  ASSERT_TRUE(op.claimsDone(rig)) << rig.Shown();
  const std::string clean = rig.Shown();
  const int statements = rig.faulty.backend->Count();
  ASSERT_GT(statements, 0);
  RecordProperty("statements", statements);
  std::printf("[ figures  ] %s: %d statements, each failing and each losing the connection: %d faulted runs\n",
              op.name.c_str(), statements, 2 * statements);

  for (Fault fault : {Fault::FailStatement, Fault::LoseConnection}) {
    const bool lose = fault == Fault::LoseConnection;
    for (int at = 1; at <= statements; ++at) {
      const std::string context = op.name + (lose ? ", connection lost at statement " : ", statement failing: ") +
                                  std::to_string(at);
      rig.shell.errors.clear();
      rig.Reset(op);
      const auto before = rig.Snapshot();
      const long long journalBefore = JournalChanges(rig);
      rig.faulty.backend->Inject(fault, at);
      rig.RunEvent([&] { op.run(rig); });
      const std::string shown = rig.Shown();

      CheckData(rig, op, before, journalBefore, context);
      CheckStatements(*rig.faulty.backend, context);
      if (lose) {
        EXPECT_FALSE(rig.shell.errors.empty()) << context << "\n" << shown;
        EXPECT_FALSE(op.claimsDone(rig)) << context << "\n" << shown;
      } else {
        const bool reported = op.showsFailure ? op.showsFailure(rig) : !rig.shell.errors.empty();
        EXPECT_TRUE(reported || shown == clean)
            << context << ": a failure neither reported nor harmless\n" << shown << "\nexpected\n" << clean;
      }

      // The tool goes on.
      const bool connectionGone = rig.faulty.backend->Lost();
      rig.shell.errors.clear();
      rig.Reset(op);
      rig.RunEvent([&] { op.run(rig); });
      if (connectionGone) {
        EXPECT_FALSE(rig.shell.errors.empty()) << context << ": the next run on the lost connection";
        EXPECT_FALSE(op.claimsDone(rig)) << context;
      } else {
        EXPECT_EQ(rig.Shown(), clean) << context << ": the next run";
      }
      rig.faulty.backend->Inject(Fault::None, 0);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Operations, FaultInjection, testing::ValuesIn(Operations()),
                         [](const testing::TestParamInfo<Operation>& info) {
                           std::string name;
                           for (char c : info.param.name)
                             if (std::isalnum(static_cast<unsigned char>(c))) name += c;
                           return name;
                         });

}  // namespace
}  // namespace jc::test
