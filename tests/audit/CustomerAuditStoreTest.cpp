// The customer audit, the history view and the repair against a seeded store
// and the real crypto module.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <cstdio>
#include <ostream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "audit/CustomerAudit.h"
#include "audit/HistoryView.h"
#include "audit/Repair.h"
#include "support/CodecStore.h"
#include "support/RecordingBackend.h"

namespace jc::audit {
namespace {

const std::string kFull = "8001011234567";
const std::string kMasked = "8001011******";

class AuditStore : public ::testing::Test {
 protected:
  AuditStore() {
    form.Combo_Year.items = {"2013", "2012"};
    form.Combo_Year.itemIndex = 0;
  }
  const std::string& Sound() { return s.Encrypt(kFull); }
  const std::string& Bad() { return s.Encrypt(kMasked); }

  void Audit() { Btn_De_CustomClick(form, s.Db(), s.Codec(), s.Shell()); }
  void ClickMainRow(int row) {
    form.Grid_Main.SetCurrentRow(row);
    Grid_MainClickCell(form, s.Db(), s.Codec(), s.Shell());
  }
  void RightClickSubRow(int row) {
    Grid_SubMouseDown(form, s.Db(), s.Codec(), s.Shell(), true, row);
  }

  // (SEQ, CUSCODE) of every data row of Grid_Main, in order.
  std::vector<std::pair<std::string, std::string>> Listed() const {
    std::vector<std::pair<std::string, std::string>> out;
    for (int r = 1; r < form.Grid_Main.RowCount(); ++r)
      out.emplace_back(form.Grid_Main.Cell(0, r), form.Grid_Main.Cell(5, r));
    return out;
  }
  long long Unmarked() {
    return s.store.Scalar("SELECT COUNT(*) FROM TV_BASE..JUMIN_CHECK WHERE ISNULL(CHK,'') <> '1'");
  }

  test::CodecStore s;
  ui::FormModel form;
};

TEST_F(AuditStore, TaxYearListsExactlyTheMaskedDecryptionsOfCustomersDispensedThatYear) {
  struct Customer {
    std::string code, seq, panum;
    test::CodecStore::Value tempnum;
    std::vector<std::string> dispensed;  // dates of the customer's dispensing records
  };
  const std::string bad = Bad(), sound = Sound();
  const std::vector<Customer> customers = {
      {"PLAIN", "1", kFull, bad, {"20130505"}},             // number not masked
      {"SOUND", "1", kMasked, sound, {"20130505"}},         // examined, decrypts clean
      {"BAD", "1", kMasked, bad, {"20130505"}},             // listed
      {"NULLV", "1", kMasked, std::nullopt, {"20130505"}},  // no stored value
      {"EMPTYV", "1", kMasked, "", {"20130505"}},           // no stored value
      {"BLANK", "1", kMasked, bad + " ", {"20130505"}},     // examined, version "1 " unknown
      {"Y2012", "1", kMasked, bad, {"20120606"}},           // listed in 2012 only
      {"NEVER", "1", kMasked, bad, {}},                     // never dispensed
      {"EDGE", "1", kMasked, bad, {"20131231", "20140101"}},  // last day of the year
      {"JUNK", "1", kMasked, std::string(40, 'A') + "01", {"20130505"}},  // does not decrypt
      {"MULTI", "1", kMasked, bad, {"20130101", "20130102"}},
      {"MULTI", "2", kMasked, sound, {}},
      {"MULTI", "3", kMasked, bad, {}},
  };
  int serial = 0;
  for (const Customer& c : customers) {
    s.AddPerson(c.code, c.seq, "20100101", c.panum, "고객" + c.code, c.tempnum);
    for (const std::string& date : c.dispensed)
      s.AddDispensing(std::to_string(++serial), c.code, date, c.panum, "고객" + c.code, bad);
  }

  struct Expectation {
    int item;
    std::string year;
    int total;
    std::set<std::pair<std::string, std::string>> listed;
  };
  for (const Expectation& e :
       {Expectation{0, "2013", 8, {{"1", "BAD"}, {"1", "EDGE"}, {"1", "MULTI"}, {"3", "MULTI"}}},
        Expectation{1, "2012", 1, {{"1", "Y2012"}}}}) {
    form.Combo_Year.itemIndex = e.item;
    Audit();

    const auto listed = Listed();
    EXPECT_EQ(std::set(listed.begin(), listed.end()), e.listed) << e.year;
    EXPECT_EQ(listed.size(), e.listed.size()) << e.year;  // each record once
    for (int r = 1; r < form.Grid_Main.RowCount(); ++r) {
      EXPECT_EQ(form.Grid_Main.Cell(1, r), "고객" + form.Grid_Main.Cell(5, r));
      EXPECT_EQ(form.Grid_Main.Cell(2, r), kMasked);
      EXPECT_EQ(form.Grid_Main.Cell(3, r), kMasked);
      EXPECT_EQ(form.Grid_Main.Cell(4, r), e.year + "년");
    }
    EXPECT_EQ(form.LB_Msg.caption, std::to_string(e.total) + "건 중 암호화 오입력 환자 " +
                                       std::to_string(e.listed.size()) + "건 검색");
    EXPECT_EQ(s.store.Scalar("SELECT COUNT(*) FROM TV_BASE..JUMIN_CHECK"), e.total);
    EXPECT_EQ(Unmarked(), 0) << e.year;
    EXPECT_EQ(form.Gauge1.Progress(), e.total);
  }
  EXPECT_TRUE(form.CustomerMode);
  EXPECT_TRUE(s.Shell().sleeps.empty());
  // The value that does not decrypt got the module's error box, once, and the
  // run went on past it.
  ASSERT_EQ(s.Shell().messages.size(), 1u);
  EXPECT_EQ(s.Shell().messages[0].rfind("에러코드 :", 0), 0u);
}

TEST_F(AuditStore, DateRangeVariantCountsRegisteredRecordsWithoutAValueAndListsNone) {
  s.AddPerson("D1", "1", "20120301", kMasked, "가", std::nullopt);
  s.AddPerson("D2", "1", "20120331", kMasked, "나", "");
  s.AddPerson("D3", "1", "20120401", kMasked, "다", std::nullopt);  // after the range
  s.AddPerson("D4", "1", "20120310", kMasked, "라", Bad());         // has a value
  s.AddPerson("D5", "1", "20120310", kFull, "마", std::nullopt);    // not masked
  form.Chk_Day.checked = true;
  form.Dtp_Start.date = ui::DateTime{2012, 3, 1, 10, 0, 0};
  form.Dtp_End.date = ui::DateTime{2012, 3, 31, 9, 0, 0};

  Audit();

  EXPECT_EQ(s.store.Texts("SELECT CUSCODE FROM TV_BASE..JUMIN_CHECK ORDER BY CUSCODE"),
            (std::vector<std::vector<std::string>>{{"D1"}, {"D2"}}));
  EXPECT_EQ(form.Grid_Main.RowCount(), 1);
  EXPECT_EQ(form.LB_Msg.caption, "2건 중 암호화 오입력 환자 0건 검색");
  EXPECT_TRUE(s.Shell().messages.empty());
}

// Paged reading: one customer record per customer, every 1000th one bad.
struct PagedCase {
  int rows;
  std::vector<int> marksPerPage;  // empty: single mode
};
void PrintTo(const PagedCase& c, std::ostream* os) { *os << c.rows << " rows"; }

class AuditStorePaged : public AuditStore, public ::testing::WithParamInterface<PagedCase> {};

TEST_P(AuditStorePaged, ReadsPagesUntilEveryRowIsMarkedAndListsEachBadRecordOnce) {
  const PagedCase& c = GetParam();
  const std::string bad = Bad(), sound = Sound();
  std::set<std::string> badCodes;
  s.InTransaction([&] {
    for (int i = 0; i < c.rows; ++i) {
      char code[16];
      std::snprintf(code, sizeof code, "C%06d", i);
      const bool isBad = i % 1000 == 7;
      if (isBad) badCodes.insert(code);
      s.AddPerson(code, "1", "20100101", kMasked, "고객", isBad ? bad : sound);
      s.AddDispensing(code, code, "20130301", kMasked, "고객", sound);
    }
  });
  test::RecordingConnection recorder(s.store.Connection());
  recorder.Attach(s.Db());

  Audit();

  // Marks made after each read of the scratch table.
  std::vector<int> marks;
  for (const auto& call : recorder.backend->calls) {
    if (call.query && call.sql.find("FROM TV_BASE..JUMIN_CHECK WHERE") != std::string::npos)
      marks.push_back(0);
    else if (!call.query && call.sql.rfind("UPDATE TV_BASE..JUMIN_CHECK", 0) == 0)
      ++marks.back();
  }
  const bool paged = !c.marksPerPage.empty();
  EXPECT_EQ(marks, paged ? c.marksPerPage : std::vector<int>{c.rows});
  EXPECT_EQ(s.Shell().sleeps, std::vector<int>(c.marksPerPage.size(), 4000));
  EXPECT_EQ(Unmarked(), 0);

  std::set<std::string> listedCodes;
  for (const auto& [seq, code] : Listed())
    if (!code.empty()) listedCodes.insert(code);
  EXPECT_EQ(listedCodes, badCodes);
  // Listed rows, then the spare row in paged mode only.
  ASSERT_EQ(form.Grid_Main.RowCount(), 1 + static_cast<int>(badCodes.size()) + (paged ? 1 : 0));
  const int last = form.Grid_Main.RowCount() - 1;
  EXPECT_EQ(form.Grid_Main.Cell(5, last).empty(), paged);
  EXPECT_EQ(form.LB_Msg.caption, std::to_string(c.rows) + "건 중 암호화 오입력 환자 " +
                                     std::to_string(badCodes.size()) + "건 검색");
  EXPECT_EQ(form.Gauge1.Progress(), c.rows);
  EXPECT_EQ(form.Gauge1.MaxValue(), c.rows);
}

INSTANTIATE_TEST_SUITE_P(Sizes, AuditStorePaged,
                         ::testing::Values(PagedCase{10000, {}}, PagedCase{10001, {10000, 1}},
                                           PagedCase{20000, {10000, 10000, 0}}),
                         [](const auto& info) { return "Rows" + std::to_string(info.param.rows); });

TEST_F(AuditStore, HistoryOfAListedCustomerLeadsToARepairThatClearsTheFinding) {
  const std::string bad = Bad(), sound = Sound();
  const std::string other = s.Encrypt("8001017654321");
  // In date order: unlisted, listed, unlisted, unlisted, listed, listed without a value.
  s.AddPerson("R1", "1", "20100101", kMasked, "홍길동", bad);
  s.AddDispensing("P1", "R1", "20110101", kMasked, "홍길동", sound);
  s.AddPerson("R1", "2", "20120101", kMasked, "홍길동", bad);
  s.AddDispensing("P2", "R1", "20130101", kMasked, "홍길동", bad);
  s.AddDispensing("P3", "R1", "20140101", kMasked, "홍길동", other);
  s.AddDispensing("P4", "R1", "20150101", kMasked, "홍길동", std::nullopt);
  s.AddPerson("R2", "1", "20100101", kMasked, "임꺽정", bad);  // another customer, same year
  s.AddDispensing("P5", "R2", "20130505", kMasked, "임꺽정", bad);

  Audit();
  ASSERT_EQ(Listed(), (std::vector<std::pair<std::string, std::string>>{
                          {"1", "R1"}, {"2", "R1"}, {"1", "R2"}}));

  ClickMainRow(2);
  const ui::ResultGrid& sub = form.Grid_Sub;
  const std::vector<std::vector<std::string>> expected = {
      {"SEQ", "이름", "주민번호", "암호화해제 주민번호", "고객등록일", "고객코드", "TEMPNUM"},
      {"1", "홍길동", kMasked, kFull, "20110101", "R1", sound},
      {"1", "홍길동", kMasked, "8001017654321", "20140101", "R1", other},
      {"1", "홍길동", kMasked, "", "20150101", "R1", ""},
  };
  ASSERT_EQ(sub.RowCount(), static_cast<int>(expected.size()));
  for (int r = 0; r < sub.RowCount(); ++r)
    for (int c = 0; c < 7; ++c) EXPECT_EQ(sub.Cell(c, r), expected[r][c]) << r << "," << c;

  // The row without a value is refused and changes nothing.
  RightClickSubRow(3);
  EXPECT_EQ(s.Shell().messages, std::vector<std::string>{kRepairNoValue});
  EXPECT_EQ(s.store.Scalar("SELECT COUNT(*) FROM TV_BASE..CD_PERSON WHERE TEMPNUM = " +
                           db::QuotedStr(bad)),
            3);

  RightClickSubRow(1);
  EXPECT_EQ(s.Shell().messages.back(), RepairDoneText(2));
  EXPECT_EQ(s.Shell().questions, std::vector<std::string>{RepairQuestionText("홍길동", "R1", 1, 2)});
  EXPECT_EQ(s.store.Texts("SELECT CUSCODE, SEQ, TEMPNUM FROM TV_BASE..CD_PERSON ORDER BY CUSCODE, SEQ"),
            (std::vector<std::vector<std::string>>{
                {"R1", "1", sound}, {"R1", "2", sound}, {"R2", "1", bad}}));

  Audit();
  EXPECT_EQ(Listed(), (std::vector<std::pair<std::string, std::string>>{{"1", "R2"}}));
  EXPECT_TRUE(s.Shell().errors.empty());
}

// A customer code can hold records of two numbers (a corrected number): a
// value goes only into the records of its own number, and a value of a
// number the code does not hold changes nothing and is not "done".
TEST_F(AuditStore, RepairWritesOnlyTheRecordsOfTheValuesOwnNumber) {
  const std::string bad = Bad(), sound = Sound();
  const std::string stranger = s.Encrypt("9001011234568");
  s.AddPerson("R1", "1", "20100101", kMasked, "홍길동", bad);
  s.AddPerson("R1", "2", "20120101", "6807032******", "홍길동", bad);  // the code's other number
  form.CustomerMode = true;
  form.Grid_Sub.SetRowCount(3);
  form.Grid_Sub.SetCell(5, 1, "R1");
  form.Grid_Sub.SetCell(6, 1, sound);
  form.Grid_Sub.SetCell(5, 2, "R1");
  form.Grid_Sub.SetCell(6, 2, stranger);

  RightClickSubRow(1);
  EXPECT_EQ(s.Shell().messages, std::vector<std::string>{RepairDoneText(1)});
  RightClickSubRow(2);
  EXPECT_EQ(s.Shell().messages.back(), kRepairNoRecordOfTheNumber);
  EXPECT_EQ(s.store.Texts("SELECT SEQ, TEMPNUM FROM TV_BASE..CD_PERSON ORDER BY SEQ"),
            (std::vector<std::vector<std::string>>{{"1", sound}, {"2", bad}}));
  EXPECT_TRUE(s.Shell().errors.empty());
}

TEST_F(AuditStore, HistoryOfACodeWithoutRecordsIsTheHeaderAlone) {
  form.Grid_Main.SetCell(1, 1, "누구");
  form.Grid_Main.SetCell(5, 1, "NOBODY");
  ClickMainRow(1);
  EXPECT_EQ(form.Grid_Sub.RowCount(), 1);
  EXPECT_EQ(form.Grid_Sub.Cell(1, 0), "이름");
}

TEST_F(AuditStore, RepairThatTheStoreRejectsIsReportedAsAFailure) {
  s.AddPerson("R1", "1", "20100101", kMasked, "홍길동", Bad());
  form.CustomerMode = true;
  form.Grid_Sub.SetCell(5, 1, "R1");
  form.Grid_Sub.SetCell(6, 1, Sound());
  s.store.Exec("DROP TABLE TV_BASE..CD_PERSON");

  RightClickSubRow(1);

  EXPECT_TRUE(s.Shell().messages.empty());
  EXPECT_EQ(s.Shell().errors, std::vector<std::string>{std::string(kRepairFailed) +
                                                        "\nInvalid object name 'TV_BASE..CD_PERSON'."});
}

}  // namespace
}  // namespace jc::audit

namespace jc::audit {
namespace {

// An audit that cannot decrypt has audited nothing: with no key, a damaged
// key row or an unloaded module it refuses before any statement, with one
// error and none of the module's boxes.
TEST(AuditCodecCheck, UnusableCodecRefusesBeforeChangingAnything) {
  struct Case {
    const char* name;
    std::function<void(test::CodecStore&)> damage;
    const char* why;
  };
  const std::vector<Case> cases = {
      {"no key", [](test::CodecStore& s) { s.store.Exec("DELETE FROM TV_BASE..HIRAEncryption"); },
       "키가 없습니다"},
      {"damaged key row",
       [](test::CodecStore& s) {
         s.store.Exec("UPDATE TV_BASE..HIRAEncryption SET Encrypt = 'AAAAAAAAAAAAAAAAAAAAAAAAAAAA01'");
       },
       "데이터 키를 복호화할 수 없습니다"},
      {"module unloaded", [](test::CodecStore& s) { s.crypto.unit->UnloadCryptoModule(); },
       "모듈이 로드되지 않았습니다"},
  };
  for (const Case& c : cases) {
    test::CodecStore fresh;
    fresh.AddPerson("BAD", "1", "20100101", kMasked, "홍길동", fresh.Encrypt(kMasked));
    fresh.AddDispensing("1", "BAD", "20130505", kMasked, "홍길동", fresh.Encrypt(kMasked));
    // As a fresh process finds it: the damage is there before the keys are read.
    fresh.crypto.Store().KeyList.clear();
    c.damage(fresh);
    test::RecordingConnection recording(fresh.store.Connection());
    recording.Attach(fresh.Db());
    ui::FormModel f;
    f.Combo_Year.items = {"2013"};
    f.Combo_Year.itemIndex = 0;
    f.LB_Msg.caption = "before";
    try {
      Btn_De_CustomClick(f, fresh.Db(), fresh.Codec(), fresh.Shell());
      ADD_FAILURE() << c.name << ": the audit ran";
    } catch (const crypto::CodecUnusable& e) {
      EXPECT_NE(std::string(e.what()).find(c.why), std::string::npos) << c.name << ": " << e.what();
    }
    EXPECT_TRUE(recording.backend->calls.empty()) << c.name;  // not even the drop
    EXPECT_TRUE(fresh.Shell().messages.empty()) << c.name;    // no module boxes
    EXPECT_EQ(f.LB_Msg.caption, "before") << c.name;
    EXPECT_FALSE(f.CustomerMode) << c.name;
  }
}

// The drop fails (here: the name is taken by something else than a table)
// and the previous scratch table stays, every row marked: the copy's own
// error ends the run instead of a count of stale rows and "0건 검색".
TEST_F(AuditStore, FailedCopyOverAStaleScratchTableEndsWithTheCopysError) {
  s.AddPerson("BAD", "1", "20100101", kMasked, "홍길동", Bad());
  s.AddDispensing("1", "BAD", "20130505", kMasked, "홍길동", Bad());
  // Straight to SQLite: the tool's own dialect has no views.
  auto& backend = dynamic_cast<db::SqliteBackend&>(s.store.Connection().backend());
  ASSERT_EQ(sqlite3_exec(backend.Handle(),
                         "CREATE VIEW TV_BASE.JUMIN_CHECK AS SELECT CUSCODE, SEQ, INDATE, PANUM, PANAME, "
                         "TEMPNUM, '1' AS CHK FROM CD_PERSON",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  form.LB_Msg.caption = "before";
  try {
    Audit();
    ADD_FAILURE() << "the audit read the stale table";
  } catch (const db::DbError& e) {
    EXPECT_NE(std::string(e.what()).find("JUMIN_CHECK"), std::string::npos) << e.what();
    EXPECT_EQ(std::string(e.what()).find("CNT"), std::string::npos) << e.what();
  }
  EXPECT_EQ(form.Grid_Main.RowCount(), 2);
  EXPECT_EQ(form.Grid_Main.Cell(5, 1), "");
  EXPECT_EQ(form.LB_Msg.caption, "");
}

}  // namespace
}  // namespace jc::audit
