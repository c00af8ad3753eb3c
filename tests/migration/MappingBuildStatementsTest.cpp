// The mapping build against a scripted database: the statements it sends, in
// order and exactly, its pages and pauses, and its refusal without a codec.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "migration/MappingBuild.h"
#include "migration/FakeCodec.h"
#include "support/FakeShell.h"
#include "support/ScriptedBackend.h"

namespace jc::migration {
namespace {

using test::MakeResult;

const std::vector<std::string> kPreparation = {
    " CREATE TABLE TV_BASE..TEMP_MAPPING(PANUM NVARCHAR(13) NULL, ENCRYPT NVARCHAR(50) NULL, "
    "UPDATE_STEP NVARCHAR(2) NULL) ",
    "DROP TABLE TV_BASE..TEMP_MAPPING_BAK",
    "CREATE TABLE TV_BASE..TEMP_MAPPING_BAK(PANUM NVARCHAR(13) NULL, ENCRYPT NVARCHAR(50) NULL, "
    "CHECKFLG NVARCHAR(1) NULL) ",
    "CREATE NONCLUSTERED INDEX [IX_TEMP_MAPPING] ON TV_BASE..TEMP_MAPPING_BAK ([PANUM] ASC  )WITH "
    "(PAD_INDEX  = OFF, STATISTICS_NORECOMPUTE  = OFF, SORT_IN_TEMPDB = OFF, IGNORE_DUP_KEY = OFF, "
    "DROP_EXISTING = OFF, ONLINE = OFF, ALLOW_ROW_LOCKS  = ON, ALLOW_PAGE_LOCKS  = ON) ON [PRIMARY]",
    "INSERT INTO TV_BASE..TEMP_MAPPING_BAK(PANUM, ENCRYPT) SELECT PANUM, TEMPNUM   FROM "
    "TV_BASE..CD_PERSON  WHERE RIGHT(PANUM,6) <> '******' AND TEMPNUM IS NULL  GROUP BY PANUM, "
    "TEMPNUM ",
    "INSERT INTO TV_BASE..TEMP_MAPPING_BAK(PANUM, ENCRYPT) SELECT INSNUM, TEMPNUM_1   FROM (SELECT "
    "INSNUM, TEMPNUM_1           FROM TV_BASE..CD_PERSON          WHERE RIGHT(INSNUM,6) <> '******' "
    "AND TEMPNUM_1 IS NULL          GROUP BY INSNUM, TEMPNUM_1) AS T1   WHERE NOT EXISTS(SELECT * "
    "FROM TV_BASE..TEMP_MAPPING_BAK AS T2                     WHERE T1.INSNUM = T2.PANUM) ",
    "INSERT INTO TV_BASE..TEMP_MAPPING_BAK(PANUM, ENCRYPT) SELECT PANUM, TEMPNUM    FROM (SELECT "
    "PANUM, TEMPNUM            FROM TV_PRES..PS_MAIN           WHERE RIGHT(PANUM,6) <> '******' AND "
    "TEMPNUM IS NULL           GROUP BY PANUM, TEMPNUM) AS T1  WHERE NOT EXISTS(SELECT * FROM "
    "TV_BASE..TEMP_MAPPING_BAK AS T2                    WHERE T1.PANUM = T2.PANUM) ",
    "INSERT INTO TV_BASE..TEMP_MAPPING_BAK(PANUM, ENCRYPT) SELECT PANUM, TEMPNUM    FROM (SELECT "
    "PANUM, TEMPNUM            FROM TV_PRES..INS_COMPOS           WHERE RIGHT(PANUM,6) <> '******' AND "
    "TEMPNUM IS NULL           GROUP BY PANUM, TEMPNUM) AS T1  WHERE NOT EXISTS(SELECT * FROM "
    "TV_BASE..TEMP_MAPPING_BAK AS T2                    WHERE T1.PANUM = T2.PANUM) ",
    "INSERT INTO TV_BASE..TEMP_MAPPING_BAK(PANUM, ENCRYPT) SELECT PANUM, TEMPNUM    FROM (SELECT "
    "PANUM, TEMPNUM            FROM TV_PRES..SALE_MAIN           WHERE RIGHT(PANUM,6) <> '******' AND "
    "TEMPNUM IS NULL           GROUP BY PANUM, TEMPNUM) AS T1  WHERE NOT EXISTS(SELECT * FROM "
    "TV_BASE..TEMP_MAPPING_BAK AS T2                    WHERE T1.PANUM = T2.PANUM) ",
    "DELETE FROM TV_BASE..TEMP_MAPPING_BAK WHERE PANUM = '' ",
    "DELETE FROM TV_BASE..TEMP_MAPPING_BAK WHERE PANUM LIKE '%*%' ",
    "INSERT INTO TV_BASE..TEMP_MAPPING_BAK(PANUM, ENCRYPT) VALUES('','E01')",
};
// The statements whose failure is harmless: the creation of TEMP_MAPPING once
// it exists, the drop of a mapping that is not there, and the removal of
// empty-number entries.
const std::size_t kMayFail[] = {0, 1, 9};
const std::string kCount = " SELECT COUNT(*) AS CNT FROM TV_BASE..TEMP_MAPPING_BAK ";
const std::string kPage = " SELECT TOP 10000 * FROM TV_BASE..TEMP_MAPPING_BAK WHERE ENCRYPT IS NULL";

std::string Update(const std::string& quotedValue, const std::string& quotedNumber) {
  return " UPDATE TV_BASE..TEMP_MAPPING_BAK SET ENCRYPT = " + quotedValue + " WHERE PANUM = " +
         quotedNumber;
}

db::ResultSet Count(int n) { return MakeResult({"CNT"}, {{std::to_string(n)}}); }

struct BuildRig {
  test::ScriptedSession session;
  test::FakeCodec codec;
  test::FakeShell shell;
  ui::FormModel form;
  test::ScriptedBackend& backend = *session.backend;
  std::vector<std::string> statuses;
  int pageQueries = 0;

  BuildRig() {
    form.Btn_Encrypt.enabled = true;  // as after an earlier verification
    form.LB_Msg.OnChanged = [this](const std::string& text) { statuses.push_back(text); };
  }
  // Count n; every page query comes back empty.
  void CountOnly(int n) {
    backend.onQuery = [this, n](const std::string& sql) {
      if (sql == kCount) return Count(n);
      ++pageQueries;
      return MakeResult({"PANUM", "ENCRYPT", "CHECKFLG"}, {});
    };
  }
  void Run() { Btn_MappingClick(form, session.db, codec, shell); }
};

TEST(MappingBuildStatements, SendsEveryStatementInOrderAndEncryptsEachEntryOfThePages) {
  BuildRig rig;
  int gaugeAtCount = -1;
  // Failing statements change nothing: S1 fails on every build after the
  // first, S2 on the very first.
  rig.backend.onExecute = [](const std::string& sql) {
    for (std::size_t i : kMayFail)
      if (sql == kPreparation[i]) throw db::DbError("fails harmlessly");
  };
  rig.backend.onQuery = [&](const std::string& sql) {
    if (sql == kCount) {
      gaugeAtCount = rig.form.Gauge1.Progress();
      return Count(3);
    }
    if (++rig.pageQueries == 1)
      return MakeResult({"PANUM", "ENCRYPT", "CHECKFLG"},
                        {{"8001011234567", std::nullopt, std::nullopt},
                         {"O'N", std::nullopt, std::nullopt}});
    return MakeResult({"PANUM", "ENCRYPT", "CHECKFLG"}, {});
  };

  rig.Run();

  std::vector<std::string> expected = kPreparation;
  expected.insert(expected.end(), {kCount, kPage, Update("'E800101123456701'", "'8001011234567'"),
                                   Update("'EO''N01'", "'O''N'"), kPage});
  EXPECT_EQ(rig.backend.Statements(), expected);
  EXPECT_EQ(rig.codec.encrypted, (std::vector<std::string>{"", "8001011234567", "O'N"}));
  EXPECT_EQ(rig.statuses, (std::vector<std::string>{"매핑테이블 생성에 필요한 자료를 수집중입니다....",
                                                    "매핑테이블 내 주민번호 암호화 작업 진행중입니다....",
                                                    "매핑테이블 생성이 완료되었습니다...."}));
  EXPECT_EQ(gaugeAtCount, 0);  // phase 2 starts the gauge again
  EXPECT_EQ(rig.form.Gauge1.MaxValue(), 3);
  EXPECT_EQ(rig.form.Gauge1.Progress(), 2);
  EXPECT_EQ(rig.shell.sleeps, (std::vector<int>{2000, 2000}));
  EXPECT_TRUE(rig.shell.messages.empty());
  // A new mapping is not a verified one.
  EXPECT_FALSE(rig.form.Btn_Encrypt.enabled);
}

// A mapping that was not created, or a source table whose collection the
// server refused (one value longer than 13 characters refuses the whole
// INSERT), must not end in the success text: the verification would pass and
// the run leave that table's numbers plain.
TEST(MappingBuildStatements, AnyOtherFailingStatementEndsTheBuildWithItsOwnError) {
  for (std::size_t failing = 0; failing < kPreparation.size(); ++failing) {
    if (std::find(std::begin(kMayFail), std::end(kMayFail), failing) != std::end(kMayFail)) continue;
    BuildRig rig;
    rig.CountOnly(1);
    rig.backend.onExecute = [&](const std::string& sql) {
      if (sql == kPreparation[failing])
        throw db::DbError("String or binary data would be truncated. The statement has been terminated.");
    };
    try {
      rig.Run();
      ADD_FAILURE() << "no error for a failing " << kPreparation[failing];
    } catch (const db::DbError& e) {
      EXPECT_STREQ(e.what(), "String or binary data would be truncated. The statement has been terminated.");
    }
    // Nothing after it: no page, no pause, no success text, no run enabled.
    EXPECT_EQ(rig.backend.Statements().back(), kPreparation[failing]);
    EXPECT_EQ(rig.pageQueries, 0);
    EXPECT_TRUE(rig.shell.sleeps.empty());
    EXPECT_EQ(rig.form.LB_Msg.caption, "매핑테이블 생성에 필요한 자료를 수집중입니다....");
    EXPECT_FALSE(rig.form.Btn_Encrypt.enabled);
  }
}

TEST(MappingBuildStatements, PagesAreTheWholePartOfTheCountPlusTwoEachFollowedByAPause) {
  struct Case {
    int count, pages;
  };
  for (const Case c : {Case{25000, 4}, Case{1, 2}, Case{10000, 3}, Case{0, 2}}) {
    BuildRig rig;
    rig.CountOnly(c.count);
    rig.Run();
    EXPECT_EQ(rig.pageQueries, c.pages) << c.count;
    EXPECT_EQ(rig.shell.sleeps, std::vector<int>(static_cast<std::size_t>(c.pages), 2000)) << c.count;
    EXPECT_EQ(rig.form.Gauge1.MaxValue(), c.count);
    EXPECT_EQ(rig.statuses.back(), "매핑테이블 생성이 완료되었습니다....");
  }
}

TEST(MappingBuildStatements, FailedCountEndsTheBuildAfterThePreparationWithTheFinalText) {
  BuildRig rig;
  rig.backend.onQuery = [](const std::string& sql) -> db::ResultSet {
    throw db::DbError("Invalid object name 'TV_BASE..TEMP_MAPPING_BAK'. " + sql);
  };
  rig.Run();
  EXPECT_EQ(rig.backend.Statements().size(), kPreparation.size() + 1);
  EXPECT_TRUE(rig.shell.sleeps.empty());
  EXPECT_EQ(rig.form.Gauge1.MaxValue(), 11);
  EXPECT_EQ(rig.form.LB_Msg.caption, "매핑테이블 생성이 완료되었습니다....");
}

// Without a usable key every entry would be given an empty or "01"-only
// value: the build refuses before it drops anything.
TEST(MappingBuildStatements, UnusableCodecRefusesBeforeAnyStatement) {
  BuildRig rig;
  rig.codec.unusable = "키 테이블 TV_BASE..HIRAEncryption에 버전 01 키가 없습니다.";
  EXPECT_THROW(rig.Run(), crypto::CodecUnusable);
  EXPECT_TRUE(rig.backend.calls.empty());
  EXPECT_TRUE(rig.codec.encrypted.empty());
  EXPECT_TRUE(rig.statuses.empty());
}

TEST(MappingBuildStatements, LostConnectionEndsTheBuildWithoutTheFinalText) {
  BuildRig rig;
  rig.backend.onExecute = [](const std::string& sql) {
    if (sql.rfind("INSERT", 0) == 0) throw db::ConnectionLost("Communication link failure");
  };
  EXPECT_THROW(rig.Run(), db::ConnectionLost);
  EXPECT_EQ(rig.backend.Statements().back(), kPreparation[4]);
  EXPECT_NE(rig.form.LB_Msg.caption, "매핑테이블 생성이 완료되었습니다....");
}

}  // namespace
}  // namespace jc::migration
