// The dispensing-record audits and the bulk restore against a seeded store
// and the real crypto module.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "audit/BulkRestore.h"
#include "audit/CustomerAudit.h"
#include "audit/DispensingAudit.h"
#include "audit/HistoryView.h"
#include "support/CodecStore.h"
#include "support/RecordingBackend.h"

namespace jc::audit {
namespace {

const std::string kFull = "8001011234567";
const std::string kMasked = "8001011******";

class DispensingStore : public ::testing::Test {
 protected:
  const std::string& Sound() { return s.Encrypt(kFull); }
  const std::string& Bad() { return s.Encrypt(kMasked); }

  void AddCustomer(const std::string& code, const std::string& seq, const std::string& name,
                   const test::CodecStore::Value& tempnum, const std::string& cusact) {
    s.store.Insert("TV_BASE..CD_PERSON", {{"CUSCODE", code},
                                          {"SEQ", seq},
                                          {"INDATE", "2010010" + seq},
                                          {"PANUM", kMasked},
                                          {"PANAME", name},
                                          {"TEMPNUM", tempnum},
                                          {"CUSACT", cusact}});
  }
  void AddRecord(const std::string& table, const std::string& preserial, const std::string& code,
                 const std::string& indate, const std::string& panum,
                 const test::CodecStore::Value& tempnum) {
    s.store.Insert(table, {{"PRESERIAL", preserial},
                           {"CUSCODE", code},
                           {"INDATE", indate},
                           {"PANUM", panum},
                           {"PANAME", "환자" + code},
                           {"TEMPNUM", tempnum}});
  }
  std::vector<std::vector<std::string>> Values(const std::string& table) {
    return s.store.Texts("SELECT PRESERIAL, TEMPNUM FROM " + table + " ORDER BY PRESERIAL");
  }
  // Record numbers listed in Grid_Main, in order.
  std::vector<std::string> Listed() const {
    std::vector<std::string> out;
    for (int r = 1; r < form.Grid_Main.RowCount(); ++r) out.push_back(form.Grid_Main.Cell(0, r));
    return out;
  }
  bool ScratchTableExists() {
    try {
      s.store.Rows("SELECT COUNT(*) FROM TV_BASE..JUMIN_CHECK");
      return true;
    } catch (const db::DbError&) {
      return false;
    }
  }
  RestoreResult RunRestore() { return Btn_RestoreClick(form, s.Db(), s.Codec(), s.Shell()); }

  test::CodecStore s;
  ui::FormModel form;
};

struct Twin {
  const char* name;
  const DispensingSource* source;
  std::string table, other;  // the audited table, and the one left alone
  void (*click)(ui::FormModel&, db::Session&, crypto::Codec&, Shell&);
};
void PrintTo(const Twin& t, std::ostream* os) { *os << t.name; }

class DispensingStoreTwins : public DispensingStore, public ::testing::WithParamInterface<Twin> {};

TEST_P(DispensingStoreTwins, ListsMaskedDecryptionsPairedWithActiveRecordsAndRestoresSoundPairs) {
  const Twin& t = GetParam();
  const std::string bad = Bad(), sound = Sound();
  AddCustomer("A", "1", "갑돌", bad, "0");  // an inactive record is never the pair
  AddCustomer("A", "2", "갑돌", sound, "1");
  AddCustomer("B", "1", "을순", sound, "0");  // no active record
  AddCustomer("C", "1", "병철", bad, "1");    // its own value is masked
  AddCustomer("D", "1", "정희", sound, "1");
  AddRecord(t.table, "1001", "A", "20130101", kMasked, bad);        // listed
  AddRecord(t.table, "1002", "A", "20130202", kMasked, bad);        // listed, same customer
  AddRecord(t.table, "1003", "B", "20130303", kMasked, bad);        // listed, nothing to pair
  AddRecord(t.table, "1004", "C", "20130404", kMasked, bad);        // listed, masked pair
  AddRecord(t.table, "1005", "D", "20130505", kMasked, sound);      // sound: not listed
  AddRecord(t.table, "1006", "A", "20130606", kFull, bad);          // not masked: not copied
  AddRecord(t.table, "1007", "A", "20130707", kMasked, std::nullopt);  // no value: not copied
  AddRecord(t.table, "1008", "A", "20130808", kMasked, bad + " ");  // decrypts, as read, to ""
  AddRecord(t.other, "1009", "A", "20130909", kMasked, bad);        // the other table

  t.click(form, s.Db(), s.Codec(), s.Shell());

  EXPECT_EQ(Listed(), (std::vector<std::string>{"1001", "1002", "1003", "1004"}));
  struct Pair {
    std::string name, plain, value;
  };
  const std::map<std::string, Pair> pairs = {
      {"A", {"갑돌", kFull, sound}}, {"B", {"", "", ""}}, {"C", {"병철", kMasked, bad}}};
  ASSERT_EQ(form.Grid_Sub.RowCount(), form.Grid_Main.RowCount());
  for (int r = 1; r < form.Grid_Main.RowCount(); ++r) {
    const std::string code = form.Grid_Main.Cell(5, r);
    EXPECT_EQ(form.Grid_Main.Cell(3, r), kMasked);
    EXPECT_EQ(form.Grid_Main.Cell(4, r), bad);
    EXPECT_EQ(form.Grid_Sub.Cell(0, r), form.Grid_Main.Cell(0, r));
    EXPECT_EQ(form.Grid_Sub.Cell(5, r), code);
    const Pair& p = pairs.at(code);
    EXPECT_EQ(form.Grid_Sub.Cell(1, r), p.name) << r;
    EXPECT_EQ(form.Grid_Sub.Cell(2, r), p.name.empty() ? "" : kMasked) << r;
    EXPECT_EQ(form.Grid_Sub.Cell(3, r), p.plain) << r;
    EXPECT_EQ(form.Grid_Sub.Cell(4, r), p.value) << r;
  }
  EXPECT_FALSE(ScratchTableExists());
  EXPECT_TRUE(form.Btn_Restore.enabled);
  EXPECT_EQ(form.RestoreKind, t.source->restoreKind);
  EXPECT_TRUE(s.Shell().messages.empty());

  // The restore writes the sound pairs only, twice the same.
  test::RecordingConnection recorder(s.store.Connection());
  recorder.Attach(s.Db());
  std::vector<std::string> firstRun;
  for (int run = 1; run <= 2; ++run) {
    SCOPED_TRACE(run);
    recorder.backend->calls.clear();
    const RestoreResult result = RunRestore();
    std::vector<std::string> statements;
    for (const auto& call : recorder.backend->calls)
      if (call.sql.rfind("UPDATE ", 0) == 0) statements.push_back(call.sql);
    if (run == 1) firstRun = statements;
    EXPECT_EQ(statements, firstRun);
    ASSERT_EQ(result.restored.size(), 2u);
    EXPECT_EQ(result.unsoundValue, 2);  // no active record, masked customer value
    EXPECT_EQ(result.Skipped(), 2);
    EXPECT_EQ(result.failed, 0);
    for (int r = 1; r < form.Grid_Sub.RowCount(); ++r)
      EXPECT_EQ(form.Grid_Sub.RowColor(r).has_value(), form.Grid_Sub.Cell(5, r) == "A") << r;
  }
  ASSERT_EQ(firstRun.size(), 2u);
  EXPECT_EQ(firstRun[0], "UPDATE " + t.table + "    SET TEMPNUM  = " + db::QuotedStr(sound) +
                             " WHERE PRESERIAL = '1001' AND PANUM = '" + kMasked + "' AND (TEMPNUM = " +
                             db::QuotedStr(bad) + " OR TEMPNUM = " + db::QuotedStr(sound) + ")");
  const auto values = Values(t.table);
  const std::map<std::string, std::string> expected = {
      {"1001", sound}, {"1002", sound},  {"1003", bad},     {"1004", bad},
      {"1005", sound}, {"1006", bad},    {"1007", "<NULL>"}, {"1008", bad + " "}};
  ASSERT_EQ(values.size(), expected.size());
  for (const auto& row : values) EXPECT_EQ(row[1], expected.at(row[0])) << row[0];
  EXPECT_EQ(Values(t.other), (std::vector<std::vector<std::string>>{{"1009", bad}}));
  // Every record written has its journal rows, one per run: the value before
  // and the value written, keyed by the record number.
  auto journal = s.store.Texts("SELECT OPNAME, TABLENAME, KEY1, KEY2, COLNAME, BEFOREVAL, AFTERVAL FROM "
                               "TV_BASE..JUMINCHECK_JOURNAL");
  std::vector<std::vector<std::string>> expectedJournal = {{"restore", t.table, "1001", "", "TEMPNUM", bad, sound},
                                                           {"restore", t.table, "1002", "", "TEMPNUM", bad, sound},
                                                           {"restore", t.table, "1001", "", "TEMPNUM", sound, sound},
                                                           {"restore", t.table, "1002", "", "TEMPNUM", sound, sound}};
  std::sort(journal.begin(), journal.end());
  std::sort(expectedJournal.begin(), expectedJournal.end());
  EXPECT_EQ(journal, expectedJournal);
  EXPECT_EQ(s.store.Scalar("SELECT COUNT(*) FROM (SELECT OPID FROM TV_BASE..JUMINCHECK_JOURNAL GROUP BY OPID) AS T"), 2);

  // Audited again, only the records the restore could not mend are listed.
  t.click(form, s.Db(), s.Codec(), s.Shell());
  EXPECT_EQ(Listed(), (std::vector<std::string>{"1003", "1004"}));
}

INSTANTIATE_TEST_SUITE_P(
    Tables, DispensingStoreTwins,
    ::testing::Values(Twin{"PsMain", &kDispensingRecords, "TV_PRES..PS_MAIN", "TV_PRES..INS_COMPOS",
                           &Btn_De_TestClick},
                      Twin{"InsCompos", &kExceptionRecords, "TV_PRES..INS_COMPOS",
                           "TV_PRES..PS_MAIN", &Btn_De_BunClick}),
    [](const auto& info) { return std::string(info.param.name); });

// After a dispensing audit, the customer audit empties Grid_Sub and the
// history view fills it with history rows (column 0 a record number, column
// 4 a date). The restore must not take those for pairs: the dispensing
// records numbered "1" and "2" would receive a date as their value.
class DispensingStoreThenOther : public DispensingStore,
                                 public ::testing::WithParamInterface<std::string> {};

TEST_P(DispensingStoreThenOther, RestoreAfterAnotherOperationReplacedGrid_SubChangesNothing) {
  const std::string bad = Bad(), sound = Sound();
  AddCustomer("A", "1", "갑돌", sound, "1");
  AddCustomer("A", "2", "갑돌", bad, "0");
  AddRecord("TV_PRES..PS_MAIN", "1", "A", "20130101", kMasked, bad);
  AddRecord("TV_PRES..PS_MAIN", "2", "A", "20130202", kMasked, bad);
  Btn_De_TestClick(form, s.Db(), s.Codec(), s.Shell());
  ASSERT_EQ(Listed(), (std::vector<std::string>{"1", "2"}));
  ASSERT_TRUE(form.Btn_Restore.enabled);

  if (GetParam() == "CustomerAudit") {
    form.Combo_Year.items = {"2013"};
    form.Combo_Year.itemIndex = 0;
    Btn_De_CustomClick(form, s.Db(), s.Codec(), s.Shell());
    ASSERT_EQ(form.Grid_Main.Cell(5, 1), "A");  // the customer's bad record is listed
  } else {
    form.Grid_Main.SetCurrentRow(1);
    Grid_MainClickCell(form, s.Db(), s.Codec(), s.Shell());
    ASSERT_EQ(form.Grid_Sub.Cell(0, 1), "1");  // the customer's sound record and its date
    ASSERT_EQ(form.Grid_Sub.Cell(4, 1), "20100101");
  }
  EXPECT_FALSE(form.Btn_Restore.enabled);

  const auto before = Values("TV_PRES..PS_MAIN");
  test::RecordingConnection recorder(s.store.Connection());
  recorder.Attach(s.Db());
  const RestoreResult result = RunRestore();

  EXPECT_TRUE(recorder.backend->calls.empty());
  EXPECT_TRUE(result.restored.empty());
  EXPECT_EQ(Values("TV_PRES..PS_MAIN"), before);
  for (int r = 1; r < form.Grid_Sub.RowCount(); ++r) EXPECT_FALSE(form.Grid_Sub.RowColor(r));
}

INSTANTIATE_TEST_SUITE_P(Steps, DispensingStoreThenOther,
                         ::testing::Values("CustomerAudit", "HistoryView"),
                         [](const auto& info) { return info.param; });

// Both read variants on 20 000 records, one in a thousand with a value made
// from a masked number, half of them dated 2013.
// The customer's active record can hold another number than the dispensing
// record (a corrected number, a second active record): its sound value must
// not go into the record. And a record changed between the audit and the
// restore keeps its change.
TEST_F(DispensingStore, RestoreWritesNeitherAnotherNumbersValueNorOverARecordChangedSinceTheAudit) {
  const std::string other = s.Encrypt("9001011234568"), bad = Bad(), sound = Sound();
  const std::string otherMasked = "6807032******", otherBad = s.Encrypt(otherMasked);
  AddCustomer("A", "1", "갑돌", sound, "1");
  s.store.Insert("TV_BASE..CD_PERSON", {{"CUSCODE", "X"}, {"SEQ", "1"}, {"INDATE", "20100101"},
                                        {"PANUM", "9001011******"}, {"PANAME", "다른"}, {"TEMPNUM", other},
                                        {"CUSACT", "1"}});
  AddRecord("TV_PRES..PS_MAIN", "2001", "X", "20130101", otherMasked, otherBad);  // another number
  AddRecord("TV_PRES..PS_MAIN", "2002", "A", "20130101", kMasked, bad);           // changed after the audit
  AddRecord("TV_PRES..PS_MAIN", "2003", "A", "20130101", "800101-1******", bad);  // dashed: its own number
  Btn_De_TestClick(form, s.Db(), s.Codec(), s.Shell());
  ASSERT_EQ(Listed(), (std::vector<std::string>{"2001", "2002", "2003"}));

  const std::string meanwhile = s.Encrypt("8001011999999");
  s.store.Exec("UPDATE TV_PRES..PS_MAIN SET TEMPNUM = " + db::QuotedStr(meanwhile) + " WHERE PRESERIAL = '2002'");
  const RestoreResult result = RunRestore();

  EXPECT_EQ(result.otherNumber, 1);
  EXPECT_EQ(result.changedSinceAudit, 1);
  ASSERT_EQ(result.restored.size(), 1u);
  EXPECT_EQ(result.restored[0].preserial, "2003");
  EXPECT_EQ(Values("TV_PRES..PS_MAIN"),
            (std::vector<std::vector<std::string>>{{"2001", otherBad}, {"2002", meanwhile}, {"2003", sound}}));
  EXPECT_EQ(s.Shell().messages, (std::vector<std::string>{RestoreSummaryText(result)}));
  EXPECT_FALSE(form.Grid_Sub.RowColor(1));
  EXPECT_FALSE(form.Grid_Sub.RowColor(2));
  EXPECT_TRUE(form.Grid_Sub.RowColor(3));
}

TEST_F(DispensingStore, WholeTableReadsInThreePausedPassesDateRangeOnceWithoutPause) {
  constexpr int kRows = 20000;
  const std::string bad = Bad(), sound = Sound();
  std::set<std::string> badAll, bad2013;
  s.InTransaction([&] {
    for (int i = 0; i < kRows; ++i) {
      char serial[16];
      std::snprintf(serial, sizeof serial, "P%06d", i);
      const bool isBad = i % 1000 == 3 || i % 1000 == 4;
      const bool in2013 = i % 2 == 0;
      if (isBad) badAll.insert(serial);
      if (isBad && in2013) bad2013.insert(serial);
      AddRecord("TV_PRES..PS_MAIN", serial, "C", in2013 ? "20130615" : "20140615", kMasked,
                isBad ? bad : sound);
    }
  });
  test::RecordingConnection recorder(s.store.Connection());
  recorder.Attach(s.Db());

  struct Variant {
    bool byDate;
    std::vector<int> marksPerRead;
    std::vector<int> sleeps;
    const std::set<std::string>& listed;
  };
  for (const Variant& v : {Variant{false, {kRows, 0, 0}, {4000, 4000, 4000}, badAll},
                           Variant{true, {0}, {}, bad2013}}) {
    SCOPED_TRACE(v.byDate ? "date range" : "whole table");
    form.Chk_Day.checked = v.byDate;
    form.Dtp_Start.date = ui::DateTime{2013, 1, 1, 8, 0, 0};
    form.Dtp_End.date = ui::DateTime{2013, 12, 31, 18, 0, 0};
    recorder.backend->calls.clear();
    s.Shell().sleeps.clear();

    Btn_De_TestClick(form, s.Db(), s.Codec(), s.Shell());

    std::vector<int> marks;  // marks made after each read of the scratch table
    for (const auto& call : recorder.backend->calls) {
      if (call.query && call.sql.find("FROM TV_BASE..JUMIN_CHECK WHERE") != std::string::npos)
        marks.push_back(0);
      else if (!call.query && call.sql.rfind("UPDATE TV_BASE..JUMIN_CHECK", 0) == 0)
        ++marks.back();
    }
    EXPECT_EQ(marks, v.marksPerRead);
    EXPECT_EQ(s.Shell().sleeps, v.sleeps);
    const auto listed = Listed();
    EXPECT_EQ(std::set<std::string>(listed.begin(), listed.end()), v.listed);
    EXPECT_EQ(listed.size(), v.listed.size());
    EXPECT_EQ(form.Gauge1.Progress(), form.Gauge1.MaxValue());
    EXPECT_EQ(form.Gauge1.MaxValue(), v.byDate ? kRows / 2 : kRows);
  }
}

}  // namespace
}  // namespace jc::audit
