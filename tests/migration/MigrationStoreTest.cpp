// The three migration steps against a seeded store and the real crypto
// module: what the build collects, what the verification lets through, and
// what the encryption run leaves in every table of its list.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "migration/EncryptionRun.h"
#include "migration/MappingBuild.h"
#include "migration/MappingVerification.h"
#include "migration/MigrationStatus.h"
#include "migration/WorkTables.h"
#include "support/CodecStore.h"
#include "support/RecordingBackend.h"

namespace jc::migration {
namespace {

using Value = test::CodecStore::Value;
using Rows = std::vector<std::string>;

const std::string A = "8001011234567";  // shared by many tables
const std::string B = "7502022345678";  // a second number (INSNUM, OPJUMINNO, INSUREJUMIN)
const std::string C = "6503031456789";  // collected from INS_COMPOS only
const std::string D = "9004042567890";  // collected from SALE_MAIN only
const std::string F = "5505051678901";  // only in tables the build does not collect from
const std::string G = "4506062789012";  // has a value wherever it is collected from
const std::string H = "8801011234567";  // masked everywhere
const std::string kMaskedH = "8801011******";

class MigrationStore : public ::testing::Test {
 protected:
  // One row; columns not named stay NULL.
  void Put(const std::string& table, std::initializer_list<std::pair<std::string, Value>> values) {
    s.store.Insert(table, values);
  }
  // A number column pair as the test reads it back: the number, and what the
  // value decrypts to ("<NULL>" for no value).
  std::string Pair(const db::Cell& number, const db::Cell& value) {
    return (number ? *number : "<NULL>") + " | " +
           (value ? "dec:" + s.Codec().DecryptJumin(*value) : "<NULL>");
  }
  // Every row of a run-list table as its number column pairs, sorted.
  Rows TableRows(std::string_view table) {
    std::string select;
    for (const NumberColumn& c : NumberColumns(table))
      select += std::string(select.empty() ? "" : ", ") + std::string(c.plain) + ", " + std::string(c.value);
    Rows rows;
    for (const auto& r : s.store.Rows("SELECT " + select + " FROM " + std::string(table)).rows) {
      std::string text;
      for (std::size_t k = 0; k + 1 < r.size(); k += 2) text += (k ? " || " : "") + Pair(r[k], r[k + 1]);
      rows.push_back(text);
    }
    std::sort(rows.begin(), rows.end());
    return rows;
  }
  std::map<std::string, Rows> AllTablesBut(const std::string& skip = {}) {
    std::map<std::string, Rows> all;
    for (const RunEntry& e : RunList())
      if (e.table != skip) all[std::string(e.table)] = TableRows(e.table);
    return all;
  }
  std::map<std::string, Rows> AllTables() { return AllTablesBut(); }
  // The mapping as number -> decryption of its value, and how often each number occurs.
  std::map<std::string, std::string> Mapping(std::map<std::string, int>* occurrences = nullptr) {
    std::map<std::string, std::string> out;
    for (const auto& r : s.store.Rows("SELECT PANUM, ENCRYPT FROM TV_BASE..TEMP_MAPPING_BAK").rows) {
      out[r[0].value_or("<NULL>")] = r[1] ? s.Codec().DecryptJumin(*r[1]) : "<NULL>";
      if (occurrences) ++(*occurrences)[r[0].value_or("<NULL>")];
    }
    return out;
  }

  void Build() { Btn_MappingClick(form, s.Db(), s.Codec(), s.Shell()); }
  void Verify() { VerifyMapping(form, s.Db(), s.Codec(), s.Shell()); }
  void Encrypt() { Btn_EncryptClick(form, s.Db(), s.Shell()); }

  // Plain numbers in every table of the run list, in every state the steps
  // tell apart.
  void Seed() {
    const std::string enc = s.Encrypt(G), encH = s.Encrypt(H);
    Put("TV_BASE..CD_PERSON", {{"CUSCODE", "1"}, {"PANUM", A}, {"INSNUM", B}});
    Put("TV_BASE..CD_PERSON", {{"CUSCODE", "2"}, {"PANUM", G}, {"TEMPNUM", enc}});  // has a value
    Put("TV_BASE..CD_PERSON", {{"CUSCODE", "3"}, {"PANUM", kMaskedH}, {"TEMPNUM", encH}, {"INSNUM", ""}});
    Put("TV_BASE..CD_PERSON", {{"CUSCODE", "4"}, {"INSNUM", A}});  // NULL PANUM
    Put("TV_BASE..TV_PRES_LOG", {{"PANUM", A}});
    Put("TV_BASE..TV_PRES_LOG", {{"PANUM", F}});  // no entry: F is never collected
    Put("TV_EDIRECE..GI21INS", {{"PANUM", A}});
    Put("TV_EDIRECE..H0251", {{"PANUM", D}});
    Put("TV_EDIRECE..H0251", {{"PANUM", std::nullopt}});
    Put("TV_EDIRECE..F0403", {{"PANUM", A}});
    Put("TV_EDIRECE..H0241", {{"PANUM", C}});
    Put("TV_EDIRECE..GI01INS", {{"PANUM", G}});  // no entry: G has a value where collected
    Put("TV_EDIRECE..H010", {{"AUTHIDNUM", A}});
    Put("TV_EDIRECE..H010", {{"AUTHIDNUM", kMaskedH}});  // masked, no value
    Put("TV_EDISEND..H0241", {{"PANUM", D}});
    Put("TV_EDISEND..H010", {{"AUTHIDNUM", D}});
    Put("TV_PRES..TEMP_ADD_COMPOS", {{"PANUM", A}});
    Put("TV_PRES..PS_JOJE_MAIN", {{"PANUM", B}});
    Put("TV_PRES..SALE_MAIN", {{"PANUM", D}});
    Put("TV_PRES..SALE_MAIN", {{"PANUM", ""}});  // the empty number
    Put("TV_PRES..BACK_PS_MAIN", {{"PANUM", A}});
    Put("TV_PRES..CD_MONITOR", {{"PANUM", D}});
    Put("TV_PRES..PS_MAIN", {{"PRESERIAL", "1"}, {"PANUM", A}});
    Put("TV_PRES..PS_MAIN", {{"PRESERIAL", "2"}, {"PANUM", A}, {"TEMPNUM", enc}});  // a value present
    Put("TV_PRES..PS_MAIN", {{"PRESERIAL", "3"}, {"PANUM", kMaskedH}, {"TEMPNUM", encH}});
    Put("TV_PRES..TEMP_ADD_MAIN", {{"PANUM", ""}});
    Put("TV_PRES..INS_COMPOS", {{"PRESERIAL", "4"}, {"PANUM", C}});
    Put("TV_PRES..EDI_INS_COMPOS", {{"PANUM", A}});
    Put("TV_PRES..PS_NHIC", {{"PANUM", C}, {"OPJUMINNO", B}});
    Put("TV_PRES..PS_NHIC", {{"PANUM", D}});
    Put("TV_PRES..EDI_PS_MAIN", {{"PANUM", B}});
    Put("TV_PRES..QORA_PRESLP", {{"PANAMEJUMIN", "800101-1234567"}, {"INSUREJUMIN", "750202-2345678"}});
    Put("TV_PRES..QORA_PRESLP",
        {{"PANAMEJUMIN", A}, {"INSUREJUMIN", "880101-1******"}, {"TEMPNUM_1", encH}});
    Put("TV_PRES..QORA_PRESLP", {{"PANAMEJUMIN", "880101-1******"}});  // masked, no value
    Put("TV_PRES..QORA_DATAINFO", {{"PREGNO", "650303-1456789"}});
    Put("TV_PRES..QORA_DATAINFO", {{"PREGNO", "6503-031456789"}});  // dashes elsewhere
    Put("TV_PRES..QORA_DATAINFO", {{"PREGNO", D}});
    Put("TV_PRES..QORA_DATAINFO", {{"PREGNO", "550505-1678901"}});  // no entry
  }

  // What every table holds after a complete run over the seed.
  std::map<std::string, Rows> AfterRun() {
    auto m = [](const std::string& masked, const std::string& plain) { return masked + " | dec:" + plain; };
    const std::string a = m("8001011******", A), b = m("7502022******", B), c = m("6503031******", C),
                      d = m("9004042******", D), empty = m("******", ""), none = "<NULL> | <NULL>";
    std::map<std::string, Rows> t = {
        {"TV_BASE..CD_PERSON",
         {a + " || " + b, G + " | dec:" + G + " || " + none, kMaskedH + " | dec:" + H + " || " + empty,
          none + " || " + a}},
        {"TV_BASE..TV_PRES_LOG", {a, F + " | <NULL>"}},
        {"TV_EDIRECE..GI21INS", {a}},
        {"TV_EDIRECE..H0251", {d, none}},
        {"TV_EDIRECE..F0403", {a}},
        {"TV_EDIRECE..H0241", {c}},
        {"TV_EDIRECE..GI01INS", {G + " | <NULL>"}},
        {"TV_EDIRECE..H010", {a, kMaskedH + " | <NULL>"}},
        {"TV_EDISEND..H0241", {d}},
        {"TV_EDISEND..H010", {d}},
        {"TV_PRES..TEMP_ADD_COMPOS", {a}},
        {"TV_PRES..PS_JOJE_MAIN", {b}},
        {"TV_PRES..SALE_MAIN", {d, empty}},
        {"TV_PRES..BACK_PS_MAIN", {a}},
        {"TV_PRES..CD_MONITOR", {d}},
        {"TV_PRES..PS_MAIN", {a, A + " | dec:" + G, kMaskedH + " | dec:" + H}},
        {"TV_PRES..TEMP_ADD_MAIN", {empty}},
        {"TV_PRES..INS_COMPOS", {c}},
        {"TV_PRES..EDI_INS_COMPOS", {a}},
        {"TV_PRES..PS_NHIC", {c + " || " + b, d + " || " + none}},
        {"TV_PRES..EDI_PS_MAIN", {b}},
        // A "YYMMDD-NNNNNNN" number keeps its layout; others lose their dashes.
        {"TV_PRES..QORA_PRESLP",
         {m("800101-1******", A) + " || " + m("750202-2******", B),
          a + " || 880101-1****** | dec:" + H, "880101-1****** | <NULL> || " + none}},
        {"TV_PRES..QORA_DATAINFO",
         {m("650303-1******", C), c, d, "550505-1678901 | <NULL>"}},
    };
    for (auto& [table, rows] : t) std::sort(rows.begin(), rows.end());
    return t;
  }

  test::CodecStore s;
  ui::FormModel form;
};

TEST_F(MigrationStore, BuildVerifyAndRunMaskEveryCollectedNumberWithAValueThatGivesItBack) {
  Seed();
  const auto before = AllTables();

  Build();
  std::map<std::string, int> occurrences;
  // Each collected number once, plus the one empty-number entry, each value
  // decrypting to its number.
  EXPECT_EQ(Mapping(&occurrences), (std::map<std::string, std::string>{
                                       {"", ""}, {A, A}, {B, B}, {C, C}, {D, D}}));
  for (const auto& [number, n] : occurrences) EXPECT_EQ(n, 1) << number;
  EXPECT_EQ(form.LB_Msg.caption, "매핑테이블 생성이 완료되었습니다....");
  EXPECT_EQ(AllTables(), before);  // the build touches no pharmacy table

  Verify();
  EXPECT_TRUE(form.Btn_Encrypt.enabled);
  EXPECT_EQ(form.LB_Msg.caption, kMappingOkText);
  EXPECT_EQ(s.store.Scalar("SELECT COUNT(*) FROM TV_BASE..TEMP_MAPPING_BAK WHERE CHECKFLG IS NOT NULL"), 0);

  Encrypt();
  EXPECT_EQ(form.LB_Msg.caption, "QORA_DATAINFO 암호화 성공..");
  EXPECT_EQ(form.Gauge1.Progress(), 23);
  const auto after = AfterRun();
  for (const auto& [table, rows] : AllTables()) EXPECT_EQ(rows, after.at(table)) << table;
  EXPECT_TRUE(s.Shell().messages.empty());
  EXPECT_TRUE(s.Shell().errors.empty());

  // A second run finds nothing left to change.
  Encrypt();
  EXPECT_EQ(form.LB_Msg.caption, "QORA_DATAINFO 암호화 성공..");
  for (const auto& [table, rows] : AllTables()) EXPECT_EQ(rows, after.at(table)) << table;
}

// The run tells the rows it masked per table; stopped by the user between
// two tables, it keeps what it did, and the next run masks the rest and no
// more; a run with nothing left masks nothing.
TEST_F(MigrationStore, RunCountsTheRowsItMasksAndAStoppedRunIsContinuedByTheNext) {
  Seed();
  Build();
  Verify();
  ASSERT_TRUE(form.Btn_Encrypt.enabled);
  std::map<std::string, long long> toMask;
  long long total = 0;
  for (const ColumnStatus& c : ReadMigrationStatus(s.Db(), nullptr).columns) {
    toMask[c.table] += c.plainToMask;
    total += c.plainToMask;
  }
  ASSERT_GT(total, 0);

  // Stopped at the message processing after the fifth table.
  int calls = 0;
  s.Shell().onProcessMessages = [&] {
    if (++calls == 10) throw OperationCancelled("stopped");
  };
  std::vector<TableMasked> masked;
  EXPECT_THROW(Btn_EncryptClick(form, s.Db(), s.Shell(), &masked), OperationCancelled);
  s.Shell().onProcessMessages = nullptr;
  ASSERT_EQ(masked.size(), 5u);
  std::map<std::string, long long> done;
  for (const TableMasked& t : masked) {
    EXPECT_EQ(t.rows, toMask[t.table]) << t.table;
    done[t.table] = t.rows;
  }

  Btn_EncryptClick(form, s.Db(), s.Shell(), &masked);
  ASSERT_EQ(masked.size(), 23u);
  long long second = 0;
  for (const TableMasked& t : masked) {
    EXPECT_EQ(t.rows, done.count(t.table) ? 0 : toMask[t.table]) << t.table;
    second += t.rows;
  }
  EXPECT_EQ(second + [&] {
    long long n = 0;
    for (const auto& [table, rows] : done) n += rows;
    return n;
  }(), total);
  const auto after = AfterRun();
  for (const auto& [table, rows] : AllTables()) EXPECT_EQ(rows, after.at(table)) << table;

  Btn_EncryptClick(form, s.Db(), s.Shell(), &masked);
  for (const TableMasked& t : masked) EXPECT_EQ(t.rows, 0) << t.table;
}

// The work tables' plain numbers are counted; the cleanup keeps the mapping
// (and drops nothing) until the run has masked every number it maps, then
// drops every work table there is.
TEST_F(MigrationStore, CleanupWaitsForTheRunThenDropsTheWorkTables) {
  Seed();
  Build();
  const std::vector<WorkTable> before = ReadWorkTables(s.Db());
  ASSERT_EQ(before.size(), 3u);
  EXPECT_EQ(before[0].table, "TV_BASE..TEMP_MAPPING_BAK");
  EXPECT_TRUE(before[0].present);
  EXPECT_EQ(before[0].plainNumbers, 4);  // A, B, C, D; the empty number is none
  EXPECT_FALSE(before[2].present);       // no report made TV_BASE..AAA

  try {
    DropWorkTables(s.Db(), s.Shell());
    ADD_FAILURE() << "dropped with numbers left to mask";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()).rfind("매핑테이블을 지우지 않았습니다: 암호화할 평문 번호가 ", 0), 0u) << e.what();
  }
  EXPECT_EQ(ReadWorkTables(s.Db())[0].plainNumbers, 4);

  Verify();
  Encrypt();
  const CleanupResult result = DropWorkTables(s.Db(), s.Shell());
  std::vector<std::string> expected;
  for (const WorkTable& w : before)
    if (w.present) expected.push_back(w.table);
  EXPECT_EQ(result.dropped, expected);
  for (const WorkTable& w : ReadWorkTables(s.Db())) EXPECT_FALSE(w.present) << w.table;
  EXPECT_EQ(DropWorkTables(s.Db(), s.Shell()).dropped.size(), 0u);  // nothing left: nothing to do
}

// Numbers already masked in part (five '*', or six that came with a trailing
// blank, which the mapping's 13 characters cut off) are no plain numbers:
// no entry is made for them, and the run leaves their rows as they are
// instead of storing the encryption of a masked number.
TEST_F(MigrationStore, PartlyMaskedNumbersGetNoEntryAndTheRunLeavesThem) {
  Seed();
  Put("TV_BASE..CD_PERSON", {{"CUSCODE", "9"}, {"PANUM", "8801011*****"}});
  Put("TV_PRES..PS_MAIN", {{"PRESERIAL", "9"}, {"PANUM", "7701011****** "}});
  Put("TV_PRES..SALE_MAIN", {{"PANUM", "77010*1234567"}});
  auto partly = [&](const std::string& table) {
    for (const ColumnStatus& c : ReadMigrationStatus(s.Db(), nullptr).columns)
      if (c.table == table && c.numberColumn == "PANUM") return std::vector<long long>{c.partlyMasked, c.plainStaying};
    return std::vector<long long>{};
  };

  Build();
  EXPECT_EQ(Mapping(), (std::map<std::string, std::string>{{"", ""}, {A, A}, {B, B}, {C, C}, {D, D}}));
  Verify();
  ASSERT_TRUE(form.Btn_Encrypt.enabled);
  Encrypt();
  EXPECT_EQ(form.LB_Msg.caption, "QORA_DATAINFO 암호화 성공..");

  EXPECT_EQ(s.store.Texts("SELECT PANUM, TEMPNUM FROM TV_BASE..CD_PERSON WHERE CUSCODE = '9'"),
            (std::vector<std::vector<std::string>>{{"8801011*****", "<NULL>"}}));
  EXPECT_EQ(s.store.Texts("SELECT PANUM, TEMPNUM FROM TV_PRES..PS_MAIN WHERE PRESERIAL = '9'"),
            (std::vector<std::vector<std::string>>{{"7701011****** ", "<NULL>"}}));
  // Neither plain nor masked in the status.
  EXPECT_EQ(partly("TV_BASE..CD_PERSON"), (std::vector<long long>{1, 1}));  // G stays plain
  EXPECT_EQ(partly("TV_PRES..PS_MAIN"), (std::vector<long long>{1, 1}));
  EXPECT_EQ(partly("TV_PRES..SALE_MAIN"), (std::vector<long long>{1, 0}));
}

// One source value longer than a mapping number makes the server refuse that
// table's whole collection: the build ends with that error instead of a
// success text, the status names the column, and the verification refuses
// the unfinished mapping.
TEST_F(MigrationStore, AValueTooLongToCollectEndsTheBuildAndTheStatusNamesIt) {
  Seed();
  Put("TV_BASE..CD_PERSON", {{"CUSCODE", "9"}, {"PANUM", "900101-1234567"}});
  for (const ColumnStatus& c : ReadMigrationStatus(s.Db(), nullptr).columns) {
    const bool collected = (c.table == "TV_BASE..CD_PERSON") || c.table == "TV_PRES..PS_MAIN" ||
                           c.table == "TV_PRES..INS_COMPOS" || c.table == "TV_PRES..SALE_MAIN";
    EXPECT_EQ(c.tooLongToCollect, !collected ? -1 : c.numberColumn == "PANUM" && c.table == "TV_BASE..CD_PERSON" ? 1 : 0)
        << c.table << "." << c.numberColumn;
  }
  const auto before = AllTables();

  try {
    Build();
    ADD_FAILURE() << "the build passed over a source it could not collect";
  } catch (const db::DbError& e) {
    EXPECT_NE(std::string(e.what()).find("truncated"), std::string::npos) << e.what();
  }
  EXPECT_NE(form.LB_Msg.caption, "매핑테이블 생성이 완료되었습니다....");
  EXPECT_FALSE(form.Btn_Encrypt.enabled);

  try {
    Verify();
    ADD_FAILURE() << "the unfinished mapping passed the verification";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), kMappingIncompleteText);
  }
  EXPECT_FALSE(form.Btn_Encrypt.enabled);
  EXPECT_EQ(AllTables(), before);
}

TEST_F(MigrationStore, EntryThatDoesNotGiveItsNumberBackIsListedAndNothingIsMasked) {
  Seed();
  Build();
  s.store.Exec("UPDATE TV_BASE..TEMP_MAPPING_BAK SET ENCRYPT = " + db::QuotedStr(s.Encrypt(D)) +
               " WHERE PANUM = '" + A + "'");
  s.store.Exec("UPDATE TV_BASE..TEMP_MAPPING_BAK SET ENCRYPT = '' WHERE PANUM = '" + B + "'");
  s.store.Exec("UPDATE TV_BASE..TEMP_MAPPING_BAK SET ENCRYPT = '01' WHERE PANUM = '" + C + "'");
  const auto before = AllTables();

  Verify();

  ASSERT_EQ(form.Grid_Main.RowCount(), 4);
  EXPECT_EQ(form.Grid_Main.Cell(2, 1), A);
  EXPECT_EQ(form.Grid_Main.Cell(3, 1), s.Encrypt(D));
  EXPECT_EQ(form.Grid_Main.Cell(2, 2), B);
  EXPECT_EQ(form.Grid_Main.Cell(3, 2), "");
  EXPECT_EQ(form.Grid_Main.Cell(2, 3), C);
  EXPECT_EQ(form.Grid_Main.Cell(3, 3), "01");
  EXPECT_FALSE(form.Btn_Encrypt.enabled);
  EXPECT_EQ(s.Shell().messages.back(), kMappingFailedText);
  EXPECT_EQ(s.store.Scalar("SELECT COUNT(*) FROM TV_BASE..TEMP_MAPPING_BAK WHERE CHECKFLG IS NOT NULL"), 0);

  // The run refuses without a clean verification, and even with the button
  // left enabled (a verification made before the mapping changed) it
  // refuses a mapping whose entries carry no value.
  EXPECT_THROW(Encrypt(), std::runtime_error);
  form.Btn_Encrypt.enabled = true;
  EXPECT_THROW(Encrypt(), std::runtime_error);
  EXPECT_EQ(AllTables(), before);
}

TEST_F(MigrationStore, FailingTableStopsTheRunAndLeavesTheTablesAfterItUntouched) {
  Seed();
  s.store.Exec("DROP TABLE TV_EDIRECE..F0403");
  Build();
  Verify();
  ASSERT_TRUE(form.Btn_Encrypt.enabled);
  const auto before = AllTablesBut("TV_EDIRECE..F0403");

  EXPECT_THROW(Encrypt(), db::DbError);

  EXPECT_EQ(form.LB_Msg.caption, "F0403 암호화 실패..");
  EXPECT_EQ(form.Gauge1.Progress(), 4);
  const auto after = AfterRun();
  for (const char* done : {"TV_BASE..CD_PERSON", "TV_BASE..TV_PRES_LOG", "TV_EDIRECE..GI21INS",
                           "TV_EDIRECE..H0251"})
    EXPECT_EQ(TableRows(done), after.at(done)) << done;
  for (std::size_t i = 5; i < RunList().size(); ++i) {
    const std::string table(RunList()[i].table);
    EXPECT_EQ(TableRows(table), before.at(table)) << table;
  }
}

TEST_F(MigrationStore, StatusCountsWhatTheRunWouldMaskAndChecksEveryMaskedValue) {
  Seed();
  // Masked rows whose values do not give their number back: a value made
  // from the masked number, a value with a trailing blank.
  Put("TV_PRES..CD_MONITOR", {{"PANUM", kMaskedH}, {"TEMPNUM", s.Encrypt(kMaskedH)}});
  Put("TV_PRES..CD_MONITOR", {{"PANUM", kMaskedH}, {"TEMPNUM", s.Encrypt(H) + " "}});
  Build();

  auto find = [](const MigrationStatusReport& r, const std::string& table, const std::string& column) {
    for (const ColumnStatus& c : r.columns)
      if (c.table == table && c.numberColumn == column) return c;
    ADD_FAILURE() << table << "." << column;
    return ColumnStatus{};
  };
  MigrationStatusReport r = ReadMigrationStatus(s.Db(), &s.Codec());
  ASSERT_TRUE(r.mappingReadable);
  EXPECT_EQ(r.mappingNumbers, 4);
  EXPECT_EQ(r.columns.size(), 26u);  // 23 tables, three with two number columns
  struct Expect {
    const char* table;
    const char* column;
    long long rows, toMask, staying, masked, withoutValue, bad;
  };
  const Expect before[] = {
      {"TV_BASE..CD_PERSON", "PANUM", 4, 1, 1, 1, 0, 0},
      {"TV_BASE..CD_PERSON", "INSNUM", 4, 3, 0, 0, 0, 0},
      {"TV_BASE..TV_PRES_LOG", "PANUM", 2, 1, 1, 0, 0, 0},
      {"TV_EDIRECE..H010", "AUTHIDNUM", 2, 1, 0, 1, 1, 0},
      {"TV_PRES..PS_MAIN", "PANUM", 3, 1, 1, 1, 0, 0},
      {"TV_PRES..CD_MONITOR", "PANUM", 3, 1, 0, 2, 0, 2},
      {"TV_PRES..QORA_PRESLP", "PANAMEJUMIN", 3, 2, 0, 1, 1, 0},
      {"TV_PRES..QORA_PRESLP", "INSUREJUMIN", 3, 1, 0, 1, 0, 0},
      {"TV_PRES..QORA_DATAINFO", "PREGNO", 4, 3, 1, 0, 0, 0},
  };
  for (const Expect& e : before) {
    const ColumnStatus c = find(r, e.table, e.column);
    EXPECT_EQ((std::vector<long long>{c.rows, c.plainToMask, c.plainStaying, c.masked, c.maskedWithoutValue,
                                      c.maskedBadValue}),
              (std::vector<long long>{e.rows, e.toMask, e.staying, e.masked, e.withoutValue, e.bad}))
        << e.table << "." << e.column;
  }

  Verify();
  Encrypt();
  r = ReadMigrationStatus(s.Db(), &s.Codec());
  long long toMask = 0, bad = 0;
  for (const ColumnStatus& c : r.columns) {
    toMask += c.plainToMask;
    bad += c.maskedBadValue;
  }
  EXPECT_EQ(toMask, 0);
  EXPECT_EQ(bad, 2);  // the two seeded above, nothing the run wrote
  EXPECT_EQ(r.mappingNumbers, 4);  // the mapping keeps its plain numbers
  const ColumnStatus sale = find(r, "TV_PRES..SALE_MAIN", "PANUM");
  EXPECT_EQ(sale.masked, 2);  // one of them masked from the empty number
  EXPECT_EQ(sale.maskedBadValue, 0);

  // Without a mapping table nothing would be masked; the counts still come.
  s.store.Exec("DROP TABLE TV_BASE..TEMP_MAPPING_BAK");
  r = ReadMigrationStatus(s.Db(), nullptr);
  EXPECT_FALSE(r.mappingReadable);
  EXPECT_EQ(find(r, "TV_BASE..TV_PRES_LOG", "PANUM").plainStaying, 1);
  EXPECT_EQ(find(r, "TV_BASE..TV_PRES_LOG", "PANUM").maskedBadValue, -1);
}

// Statements that change rows, counted between the page queries: how many
// entries each page of the build and of the verification handled.
std::vector<int> RowsPerPage(const std::vector<test::RecordingBackend::Call>& calls,
                             const std::string& pageQuery, const std::string& perRow) {
  std::vector<int> pages;
  for (const auto& call : calls) {
    if (call.sql == pageQuery) pages.push_back(0);
    else if (!pages.empty() && call.sql.rfind(perRow, 0) == 0) ++pages.back();
  }
  return pages;
}

TEST_F(MigrationStore, PagesOfTenThousandEntriesOnTheStore) {
  // 9 999 numbers and the empty-number entry: a count of exactly 10 000.
  s.InTransaction([&] {
    for (int i = 0; i < 9999; ++i) {
      char number[16];
      std::snprintf(number, sizeof number, "80%011d", i);
      Put("TV_BASE..CD_PERSON", {{"CUSCODE", std::to_string(i)}, {"PANUM", number}});
    }
  });
  test::RecordingConnection recorder(s.store.Connection());
  recorder.Attach(s.Db());

  Build();
  // Three pages: the entries, then two that find nothing (the empty-number
  // entry came with its value).
  EXPECT_EQ(RowsPerPage(recorder.backend->calls,
                        " SELECT TOP 10000 * FROM TV_BASE..TEMP_MAPPING_BAK WHERE ENCRYPT IS NULL",
                        " UPDATE TV_BASE..TEMP_MAPPING_BAK SET ENCRYPT = "),
            (std::vector<int>{9999, 0, 0}));
  EXPECT_EQ(form.Gauge1.MaxValue(), 10000);
  EXPECT_EQ(s.Shell().sleeps, (std::vector<int>{2000, 2000, 2000}));
  recorder.backend->calls.clear();
  s.Shell().sleeps.clear();

  Verify();
  EXPECT_EQ(RowsPerPage(recorder.backend->calls,
                        "SELECT TOP 10000 PANUM, ENCRYPT FROM TV_BASE..TEMP_MAPPING_BAK WHERE CHECKFLG IS NULL",
                        "UPDATE TV_BASE..TEMP_MAPPING_BAK    SET CHECKFLG = '1'"),
            (std::vector<int>{10000, 0}));
  EXPECT_EQ(s.Shell().sleeps, (std::vector<int>{2000, 2000}));
  EXPECT_TRUE(form.Btn_Encrypt.enabled);
  EXPECT_EQ(form.Gauge1.Progress(), 10000);
}

TEST(MaskedValue, GivesTheNumberBackOnlyAsThirteenDigitsStartingWithTheMaskedDigits) {
  struct Case {
    const char* masked;
    const char* decryption;
    bool ok;
  };
  for (const Case& c : {Case{"8001011******", "8001011234567", true},
                        Case{"8001011******", " 8001011234567 ", true},
                        Case{"8001011******", "8001021234567", false},  // another number
                        Case{"8001011******", "8001011******", false},  // made from the masked number
                        Case{"8001011******", "", false},
                        Case{"8001011******", "800101123456", false},
                        Case{"8001011******", "80010112345a7", false},
                        Case{"******", "", true},  // masked from the empty number
                        Case{"******", "8001011234567", false}})
    EXPECT_EQ(MaskedValueGivesNumberBack(c.masked, c.decryption), c.ok) << c.masked << " / " << c.decryption;
}

}  // namespace
}  // namespace jc::migration
