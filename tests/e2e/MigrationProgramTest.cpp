// The migration commands as a user runs them on a demo root: the refusal
// without a confirmation, the status report, and an encryption run that a
// mapping which does not give its numbers back stops before any table.
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <sstream>

#include "demo/DemoRoot.h"
#include "support/FakeShell.h"
#include "support/RunProgram.h"

namespace jc {
namespace {

namespace fs = std::filesystem;

const std::string kProgram = std::string(JC_BIN_DIR) + "/jumincheck";

class MigrationProgram : public ::testing::Test {
 protected:
  MigrationProgram()
      : dir_(fs::temp_directory_path() / ("jc_e2e_migration_" + std::to_string(::getpid()))) {
    fs::remove_all(dir_);
    demo::DemoRootOptions o;
    o.dir = dir_.string();
    o.modulePath = JC_MODULE_PATH;
    o.data.customers = 60;
    o.data.seed = 5;
    const std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    o.data.today = demo::Date{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
    test::FakeShell shell;
    demo::MakeDemoRoot(o, shell);
  }
  ~MigrationProgram() override { fs::remove_all(dir_); }

  test::ProgramResult Run(std::vector<std::string> args) const {
    args.insert(args.begin(), {kProgram, "--root", dir_.string()});
    return test::RunProgram(args);  // stdin is /dev/null: no terminal
  }
  // The status report's lines, header first.
  std::vector<std::string> Status() const {
    const auto r = Run({"migration-status"});
    EXPECT_EQ(r.status, 0) << r.err;
    std::vector<std::string> lines;
    std::istringstream in(r.out);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
  std::string Sql(const std::string& statement) const {
    const auto r = Run({"sql", statement});
    EXPECT_EQ(r.status, 0) << statement << "\n" << r.out << r.err;
    return r.out;
  }

  fs::path dir_;
};

TEST_F(MigrationProgram, EncryptTablesWithoutATerminalOrYesIsRefusedBeforeAnything) {
  const auto r = Run({"encrypt-tables"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("--yes"), std::string::npos) << r.err;
  EXPECT_TRUE(r.out.empty());
  // Not even the verification ran: there is still no mapping table.
  EXPECT_EQ(Run({"sql", "SELECT COUNT(*) AS CNT FROM TV_BASE..TEMP_MAPPING_BAK"}).status, 1);
  EXPECT_EQ(Run({"encrypt-tables", "--force"}).status, 2);
}

TEST_F(MigrationProgram, StatusReportsEveryNumberColumnOfTheRunList) {
  const auto r = Run({"migration-status", "--check-values"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::istringstream in(r.out);
  std::string header;
  std::getline(in, header);
  EXPECT_EQ(header,
            "table\tnumber_column\tvalue_column\trows\tplain_to_mask\tplain_staying\tpartly_masked\t"
            "too_long_to_collect\tmasked\tmasked_without_value\tmasked_bad_value");
  int lines = 0;
  for (std::string line; std::getline(in, line);) ++lines;
  EXPECT_EQ(lines, 26);
  EXPECT_NE(r.err.find("status: no mapping table"), std::string::npos) << r.err;
}

// One dashed number in CD_PERSON.PANUM: the server refuses that table's whole
// collection. The status names the column beforehand, the build fails with
// the server's reason instead of saying it is done, and the verification
// does not pass what the build left.
TEST_F(MigrationProgram, BuildFailsOnAValueItCannotCollectAndTheStatusNamesItFirst) {
  Sql("INSERT INTO TV_BASE..CD_PERSON(CUSCODE, SEQ, PANUM, CUSACT) VALUES('DASHED', '1', '900101-1234567', '1')");
  const auto status = Run({"migration-status"});
  ASSERT_EQ(status.status, 0) << status.err;
  EXPECT_NE(status.out.find("TV_BASE..CD_PERSON\tPANUM\tTEMPNUM\t"), std::string::npos);
  EXPECT_NE(status.err.find("warning: TV_BASE..CD_PERSON.PANUM holds 1 plain value(s) longer than 13 characters"),
            std::string::npos)
      << status.err;

  const auto build = Run({"build-mapping"});
  EXPECT_EQ(build.status, 1) << build.err;
  EXPECT_NE(build.err.find("error: String or binary data would be truncated"), std::string::npos) << build.err;
  EXPECT_EQ(build.err.find("매핑테이블 생성이 완료되었습니다"), std::string::npos) << build.err;

  const auto verify = Run({"verify-mapping"});
  EXPECT_EQ(verify.status, 1) << verify.err;
  EXPECT_NE(verify.err.find("매핑테이블이 완성되지 않았습니다"), std::string::npos) << verify.err;
}

// One entry's value replaced by the encryption of another number: the
// verification that encrypt-tables runs first lists it, and no table is
// touched.
TEST_F(MigrationProgram, EncryptTablesStopsAtAMappingThatDoesNotGiveItsNumbersBack) {
  const auto encrypt = [&](const std::string& text) {
    const auto r = Run({"encrypt", text});
    EXPECT_EQ(r.status, 0) << r.err;
    return r.out.substr(0, r.out.find('\n'));
  };
  // A plain number of the demo, mapped to the value of another one.
  const std::string number =
      Sql("SELECT TOP 1 PANUM FROM TV_BASE..CD_PERSON WHERE RIGHT(PANUM,6) <> '******' AND TEMPNUM IS NULL ORDER BY PANUM")
          .substr(6, 13);
  ASSERT_EQ(number.size(), 13u);
  Sql("CREATE TABLE TV_BASE..TEMP_MAPPING_BAK(PANUM NVARCHAR(13) NULL, ENCRYPT NVARCHAR(50) NULL, "
      "CHECKFLG NVARCHAR(1) NULL) ");
  Sql("INSERT INTO TV_BASE..TEMP_MAPPING_BAK(PANUM, ENCRYPT) VALUES('', '" + encrypt("") + "')");
  Sql("INSERT INTO TV_BASE..TEMP_MAPPING_BAK(PANUM, ENCRYPT) VALUES('" + number + "', '" +
      encrypt("9001011234568") + "')");
  const auto before = Status();

  const auto r = Run({"encrypt-tables", "--yes"});

  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find(number), std::string::npos) << r.out;  // the listed entry
  EXPECT_NE(r.err.find("message: 암호화 매핑 실패 아래 표를 확인해주세요"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("암호화중입니다"), std::string::npos) << r.err;
  EXPECT_EQ(Status(), before);
}

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// Before any build-mapping, the two steps that read the mapping say that
// there is none and what makes it, not that a field is missing.
TEST_F(MigrationProgram, VerifyAndEncryptBeforeAnyMappingSayWhatMakesIt) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"verify-mapping"}, std::vector<std::string>{"encrypt-tables", "--yes"}}) {
    SCOPED_TRACE(args[0]);
    const auto r = Run(args);
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("error: there is no mapping table TV_BASE..TEMP_MAPPING_BAK yet"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("run build-mapping first"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("Field 'CNT'"), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out;
  }
}

// A clean verification prints no grid on stdout, and names the next step as
// the command to run; a trace file that cannot be written is a warning.
TEST_F(MigrationProgram, CleanVerificationNamesTheNextCommandAndPrintsNoGrid) {
  ASSERT_EQ(Run({"build-mapping"}).status, 0);
  const auto r = test::RunProgram({kProgram, "--root", dir_.string(), "verify-mapping"},
                                  {"JUMINCHECK_SQL_TRACE=" + (dir_ / "no-such-folder" / "trace.txt").string()});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("encrypt-tables"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("[암호화진행] 버튼"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.rfind("warning: JUMINCHECK_SQL_TRACE: cannot write the trace file " +
                            (dir_ / "no-such-folder" / "trace.txt").string(),
                        0),
            0u)
      << r.err;
}

// A data key that decrypts but is not the one the mapping's values were made
// with: the module's error box comes once, the rest are counted, and every
// entry is listed as failing.
TEST_F(MigrationProgram, AWrongDataKeyShowsTheModuleErrorOnceAndListsEveryEntry) {
  ASSERT_EQ(Run({"build-mapping"}).status, 0);
  const std::string entries = Sql("SELECT COUNT(*) AS CNT FROM TV_BASE..TEMP_MAPPING_BAK");
  const int count = std::stoi(entries.substr(entries.find('\n') + 1));
  ASSERT_GT(count, 2);
  Sql("DELETE FROM TV_BASE..HIRAEncryption");
  ASSERT_EQ(Run({"create-key"}).status, 0);

  const auto r = Run({"verify-mapping"});
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_EQ(Count(r.err, "message: 에러코드 :"), 1u) << r.err;
  EXPECT_NE(r.err.find("암호화 모듈 오류가 " + std::to_string(count - 1) + "건 더"), std::string::npos) << r.err;
  // Every entry but the empty number's (whose value is no ciphertext to fail) is listed.
  EXPECT_GE(Count(r.out, "\n"), static_cast<std::size_t>(count - 1)) << r.out;
  EXPECT_EQ(r.out.rfind("PANUM\tENCRYPT\n", 0), 0u) << r.out;
}

// Work tables holding plain numbers are named by the status; cleanup drops
// them after a confirmation, but never the mapping while numbers are left to
// mask with it.
TEST_F(MigrationProgram, StatusWarnsOfPlainNumbersInWorkTablesAndCleanupDropsThemOnlyWhenSafe) {
  ASSERT_EQ(Run({"report-normal"}).status, 0);
  const std::string reported = Sql("SELECT COUNT(*) AS CNT FROM TV_BASE..AAA");
  const std::string rows = reported.substr(reported.find('\n') + 1, reported.size() - reported.find('\n') - 2);
  ASSERT_NE(rows, "0");
  auto status = Run({"migration-status"});
  EXPECT_EQ(status.status, 0) << status.err;
  EXPECT_NE(status.err.find("warning: TV_BASE..AAA holds " + rows + " plain resident number(s)"), std::string::npos)
      << status.err;

  // Without a terminal and without --yes: refused before anything.
  const auto unconfirmed = Run({"cleanup"});
  EXPECT_EQ(unconfirmed.status, 2);
  EXPECT_NE(unconfirmed.err.find("--yes"), std::string::npos) << unconfirmed.err;
  EXPECT_EQ(Sql("SELECT COUNT(*) AS CNT FROM TV_BASE..AAA"), reported);

  // A mapping with numbers left to mask: nothing is dropped.
  ASSERT_EQ(Run({"build-mapping"}).status, 0);
  status = Run({"migration-status"});
  EXPECT_NE(status.err.find("warning: TV_BASE..TEMP_MAPPING_BAK holds "), std::string::npos) << status.err;
  const auto refused = Run({"cleanup", "--yes"});
  EXPECT_EQ(refused.status, 1) << refused.err;
  EXPECT_NE(refused.err.find("error: 매핑테이블을 지우지 않았습니다: 암호화할 평문 번호가 "), std::string::npos)
      << refused.err;
  EXPECT_EQ(Sql("SELECT COUNT(*) AS CNT FROM TV_BASE..AAA"), reported);
  EXPECT_EQ(Run({"sql", "SELECT COUNT(*) AS CNT FROM TV_BASE..TEMP_MAPPING_BAK"}).status, 0);

  // Nothing left to mask with it (here: the mapping emptied but for the
  // empty number): every work table goes.
  Sql("DELETE FROM TV_BASE..TEMP_MAPPING_BAK WHERE PANUM <> ''");
  const auto done = Run({"cleanup", "--yes"});
  EXPECT_EQ(done.status, 0) << done.err;
  EXPECT_NE(done.err.find("status: 작업 테이블을 지웠습니다: TV_BASE..TEMP_MAPPING_BAK TV_BASE..TEMP_MAPPING TV_BASE..AAA"),
            std::string::npos)
      << done.err;
  EXPECT_EQ(Run({"sql", "SELECT COUNT(*) AS CNT FROM TV_BASE..AAA"}).status, 1);
  EXPECT_EQ(Run({"sql", "SELECT COUNT(*) AS CNT FROM TV_BASE..TEMP_MAPPING_BAK"}).status, 1);
  status = Run({"migration-status"});
  EXPECT_EQ(status.err.find("warning: "), std::string::npos) << status.err;
}

}  // namespace
}  // namespace jc
