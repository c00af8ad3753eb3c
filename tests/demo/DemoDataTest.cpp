#include <gtest/gtest.h>

#include <map>
#include <set>

#include "demo/DemoData.h"
#include "demo/Synthetic.h"

namespace jc::demo {
namespace {

TEST(ResidentNumber, CheckDigitAndDateRules) {
  struct Case {
    const char* number;
    bool valid;
  };
  const Case cases[] = {
      {"9001011234568", true},   // weights 2..9,2..5: sum 124, check (11 - 124 % 11) % 10 = 8
      {"9001011234567", false},  // wrong check digit
      {"9002301234568", false},  // 30 February
      {"9001015234568", false},  // sex digit 5
      {"900101123456", false},   // 12 digits
      {"900101-123456", false},  // separator
  };
  for (const auto& c : cases) EXPECT_EQ(IsValidResidentNumber(c.number), c.valid) << c.number;
}

TEST(ResidentNumber, GeneratedNumbersAreValidForBothCenturies) {
  Rng rng(7);
  for (const Date birth : {Date{1941, 2, 28}, Date{1999, 12, 31}, Date{2000, 1, 1}, Date{2012, 2, 29}}) {
    for (bool male : {true, false}) {
      const std::string n = MakeResidentNumber(rng, birth, male);
      EXPECT_TRUE(IsValidResidentNumber(n)) << n;
      const int sex = n[6] - '0';
      EXPECT_EQ(sex, (birth.year >= 2000 ? 3 : 1) + (male ? 0 : 1)) << n;
    }
  }
  EXPECT_EQ(Masked("9001011234568"), "9001011******");
  EXPECT_EQ(Dashed("9001011234568"), "900101-1234568");
}

// A codec that needs no module: the value shows what it was made from.
class TaggingCodec : public crypto::Codec {
 public:
  std::string EncryptJumin(const std::string& text) override { return "E[" + text + "]01"; }
  std::string DecryptJumin(const std::string& value) override {
    return value.size() > 5 ? value.substr(2, value.size() - 5) : "";
  }
};

struct RecordedRow {
  std::string table;
  std::map<std::string, std::optional<std::string>> cells;
};

class RecordingSink : public RowSink {
 public:
  void Insert(std::string_view table, const std::vector<std::string_view>& columns,
              const std::vector<std::optional<std::string>>& values) override {
    RecordedRow row{std::string(table), {}};
    for (std::size_t i = 0; i < columns.size(); ++i) row.cells[std::string(columns[i])] = values[i];
    rows.push_back(std::move(row));
  }
  std::vector<RecordedRow> rows;
};

DemoOptions Options(int customers, std::uint64_t seed) {
  DemoOptions o;
  o.customers = customers;
  o.seed = seed;
  o.today = Date{2026, 12, 10};
  return o;
}

TEST(DemoData, SameSeedSameData_OtherSeedOtherData) {
  TaggingCodec codec;
  RecordingSink a, b, c;
  GenerateDemoData(Options(200, 42), codec, a);
  GenerateDemoData(Options(200, 42), codec, b);
  GenerateDemoData(Options(200, 43), codec, c);
  ASSERT_EQ(a.rows.size(), b.rows.size());
  for (std::size_t i = 0; i < a.rows.size(); ++i) {
    EXPECT_EQ(a.rows[i].table, b.rows[i].table);
    EXPECT_EQ(a.rows[i].cells, b.rows[i].cells);
  }
  bool differs = a.rows.size() != c.rows.size();
  for (std::size_t i = 0; !differs && i < a.rows.size(); ++i) differs = a.rows[i].cells != c.rows[i].cells;
  EXPECT_TRUE(differs);
}

TEST(DemoData, CustomerRecordsAreConsistentAndCoverEveryState) {
  TaggingCodec codec;
  RecordingSink sink;
  const DemoSummary s = GenerateDemoData(Options(1000, 1), codec, sink);
  EXPECT_EQ(s.customers, 1000);
  for (auto state : {CustomerState::Plain, CustomerState::Sound, CustomerState::BadValue,
                     CustomerState::Unrecoverable, CustomerState::NullValue,
                     CustomerState::EmptyValue, CustomerState::TrailingBlank})
    EXPECT_GT(s.customersByState.count(state) ? s.customersByState.at(state) : 0, 0)
        << StateName(state);

  std::map<std::string, int> activeRecords;
  std::set<std::pair<std::string, std::string>> madeFromMasked;
  for (const auto& row : sink.rows) {
    if (row.table != "TV_BASE..CD_PERSON") continue;
    const std::string code = *row.cells.at("CUSCODE");
    if (*row.cells.at("CUSACT") == "1") ++activeRecords[code];
    const auto& panum = row.cells.at("PANUM");
    const auto& value = row.cells.at("TEMPNUM");
    ASSERT_TRUE(panum.has_value());
    if (panum->size() == 13 && panum->substr(7) != "******") {
      EXPECT_TRUE(IsValidResidentNumber(*panum)) << *panum;
      EXPECT_FALSE(value.has_value());  // a plain number has no stored value
    }
    if (value && codec.DecryptJumin(*value).find('*') != std::string::npos)
      madeFromMasked.insert({code, *row.cells.at("SEQ")});
  }
  for (const auto& [code, n] : activeRecords) EXPECT_EQ(n, 1) << code;

  // The summary's findings are exactly the records whose value was made
  // from a masked number, and each such customer dispensed last year.
  std::set<std::pair<std::string, std::string>> findings;
  for (const auto& f : s.findings) {
    findings.insert({f.cuscode, f.seq});
    EXPECT_NE(std::find(f.dispensingYears.begin(), f.dispensingYears.end(), 2025),
              f.dispensingYears.end());
  }
  EXPECT_EQ(findings, madeFromMasked);
  EXPECT_FALSE(findings.empty());
}

TEST(DemoData, DispensingDatesRunUpToTodayAndTablesAreCovered) {
  TaggingCodec codec;
  RecordingSink sink;
  const DemoSummary s = GenerateDemoData(Options(1000, 3), codec, sink);
  std::string first = "99999999", last = "00000000";
  for (const auto& row : sink.rows) {
    if (row.table != "TV_PRES..PS_MAIN") continue;
    const std::string d = *row.cells.at("INDATE");
    first = std::min(first, d);
    last = std::max(last, d);
  }
  EXPECT_GE(first, "20220101");
  EXPECT_LE(last, "20261210");
  EXPECT_GE(last, "20260101");
  // Every table of the migration's run list receives rows.
  for (const char* t :
       {"TV_BASE..CD_PERSON", "TV_BASE..TV_PRES_LOG", "TV_EDIRECE..GI21INS", "TV_EDIRECE..H0251",
        "TV_EDIRECE..F0403", "TV_EDIRECE..H0241", "TV_EDIRECE..GI01INS", "TV_EDIRECE..H010",
        "TV_EDISEND..H0241", "TV_EDISEND..H010", "TV_PRES..TEMP_ADD_COMPOS",
        "TV_PRES..PS_JOJE_MAIN", "TV_PRES..SALE_MAIN", "TV_PRES..BACK_PS_MAIN",
        "TV_PRES..CD_MONITOR", "TV_PRES..PS_MAIN", "TV_PRES..TEMP_ADD_MAIN", "TV_PRES..INS_COMPOS",
        "TV_PRES..EDI_INS_COMPOS", "TV_PRES..PS_NHIC", "TV_PRES..EDI_PS_MAIN",
        "TV_PRES..QORA_PRESLP", "TV_PRES..QORA_DATAINFO"})
    EXPECT_GT(s.rowsByTable.count(t) ? s.rowsByTable.at(t) : 0, 0) << t;
  // The two QORA tables keep dashed numbers.
  for (const auto& row : sink.rows)
    if (row.table == "TV_PRES..QORA_DATAINFO") EXPECT_EQ(row.cells.at("PREGNO")->at(6), '-');
}

}  // namespace
}  // namespace jc::demo
