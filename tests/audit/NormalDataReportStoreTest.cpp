// The normal-data report against a seeded store and the real crypto module.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "audit/NormalDataReport.h"
#include "db/Names.h"
#include "support/CodecStore.h"

namespace jc::audit {
namespace {

const std::string kFull = "8001011234567";
const std::string kMasked = "8001011******";

std::string Repeat(const std::string& piece, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += piece;
  return out;
}

class ReportStore : public ::testing::Test {
 protected:
  void Report() { Button1Click(form, s.Db(), s.Codec(), s.Shell()); }
  std::vector<std::vector<std::string>> Saved() {
    return s.store.Texts(
        "SELECT CUSCODE, PANAME, PANUM, PANUM_1, TEMPNUM FROM TV_BASE..AAA ORDER BY CUSCODE");
  }
  test::CodecStore s;
  ui::FormModel form;
};

TEST_F(ReportStore, ListsAndSavesSoundValuesAndTellsTheRowsTheTableRefused) {
  const std::string sound = s.Encrypt(kFull), bad = s.Encrypt(kMasked);
  const std::string name30 = Repeat("가", 30), name31 = Repeat("나", 31);
  s.AddPerson("N1", "1", "20100101", kMasked, "김일", sound);           // listed
  s.AddPerson("N2", "1", "20100101", kMasked, "이이", bad);             // read, not listed
  s.AddPerson("N3", "1", "20100101", kFull, "삼삼", sound);             // not masked
  s.AddPerson("N4", "1", "20100101", "*************", "사사", sound);   // placeholder
  s.AddPerson("N5", "1", "20100101", kMasked, "오오", std::nullopt);    // no value
  s.AddPerson("N6", "1", "20100101", kMasked, "육육", "");              // no value
  s.AddPerson("N7", "1", "20100101", kMasked, name31, sound);           // listed, refused
  s.AddPerson("N8", "1", "20100101", kMasked, name30, sound);           // listed, saved
  s.AddPerson("N9", "1", "20100101", kMasked, "구구", sound + " ");     // decrypts to "": not listed
  // A report table left by an earlier run.
  s.store.Exec(std::string(db::names::sql::CreateAAA));
  s.store.Exec("INSERT INTO TV_BASE..AAA(CUSCODE) VALUES('OLD')");

  Report();

  std::vector<std::string> listed;
  for (int r = 1; r < form.Grid_Main.RowCount(); ++r) {
    EXPECT_EQ(form.Grid_Main.Cell(0, r), std::to_string(r));
    EXPECT_EQ(form.Grid_Main.Cell(3, r), kFull);
    EXPECT_EQ(form.Grid_Main.Cell(4, r), sound);
    listed.push_back(form.Grid_Main.Cell(5, r));
  }
  EXPECT_EQ(listed, (std::vector<std::string>{"N1", "N7", "N8"}));
  EXPECT_EQ(form.Label4.caption, "5 건 / 4 건");
  EXPECT_EQ(Saved(), (std::vector<std::vector<std::string>>{{"N1", "김일", kMasked, kFull, sound},
                                                            {"N8", name30, kMasked, kFull, sound}}));
  EXPECT_EQ(s.Shell().messages,
            std::vector<std::string>{"암호화 값을 복호화할 수 없는 1건은 정상데이터가 아니어서 목록에서 제외했습니다.\n"
                                     "정상데이터 3건 중 1건을 보고서 테이블(TV_BASE..AAA)에 저장하지 못했습니다."});
  EXPECT_TRUE(s.Shell().errors.empty());
}

TEST_F(ReportStore, NothingToListLeavesAnEmptyReportTable) {
  s.AddPerson("N2", "1", "20100101", kMasked, "이이", s.Encrypt(kMasked));
  s.store.Exec(std::string(db::names::sql::CreateAAA));
  s.store.Exec("INSERT INTO TV_BASE..AAA(CUSCODE) VALUES('OLD')");

  Report();

  EXPECT_EQ(form.Grid_Main.RowCount(), 1);
  EXPECT_EQ(form.Label4.caption, "1 건 / 1 건");
  EXPECT_TRUE(Saved().empty());
  EXPECT_TRUE(s.Shell().messages.empty());
}

}  // namespace
}  // namespace jc::audit
