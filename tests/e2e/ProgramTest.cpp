// The jumincheck program as its users run it: a subprocess against a demo
// root, checked by what it prints, its exit status and what the store holds
// afterwards.
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "demo/DemoRoot.h"
#include "support/FakeShell.h"
#include "support/DemoProgram.h"
#include "support/RunProgram.h"

namespace jc {
namespace {

namespace fs = std::filesystem;
using test::DemoRoot;
using test::kProgram;
using test::ParseTsv;
using test::TempFolder;
using test::Today;

class ProgramTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { root_ = new DemoRoot("shared", 300, 11); }
  static void TearDownTestSuite() {
    delete root_;
    root_ = nullptr;
  }
  static DemoRoot* root_;
};
DemoRoot* ProgramTest::root_ = nullptr;

TEST_F(ProgramTest, EncryptThenDecryptGivesTheNumberBack) {
  for (const std::string text : {"9001011234568", "0101013000004", "홍길동"}) {
    const auto enc = root_->Run({"encrypt", text});
    ASSERT_EQ(enc.status, 0) << enc.err;
    const std::string value = enc.out.substr(0, enc.out.find('\n'));
    EXPECT_EQ(value.substr(value.size() - 2), "01");
    EXPECT_LE(value.size(), 50u);
    const auto dec = root_->Run({"decrypt", value});
    ASSERT_EQ(dec.status, 0) << dec.err;
    EXPECT_EQ(dec.out, text + "\n");
  }
}

TEST_F(ProgramTest, CustomerAuditOfLastYearListsExactlyTheKnownFindings) {
  const int year = Today().year - 1;
  const auto r = root_->Run({"audit-customers", "--year", std::to_string(year)});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto rows = ParseTsv(r.out);
  ASSERT_FALSE(rows.empty());
  EXPECT_EQ(rows[0], (std::vector<std::string>{"SEQ", "이름", "주민번호", "암호화해제 주민번호",
                                               "조제년도", "고객코드"}));
  std::set<std::pair<std::string, std::string>> listed, expected;
  for (std::size_t i = 1; i < rows.size(); ++i) {
    ASSERT_EQ(rows[i].size(), 6u);
    listed.insert({rows[i][5], rows[i][0]});
    EXPECT_EQ(rows[i][2].substr(7), "******");
    EXPECT_NE(rows[i][3].find('*'), std::string::npos);
    EXPECT_EQ(rows[i][4], std::to_string(year) + "년");
  }
  for (const auto& f : root_->summary.findings)
    if (std::find(f.dispensingYears.begin(), f.dispensingYears.end(), year) != f.dispensingYears.end())
      expected.insert({f.cuscode, f.seq});
  EXPECT_EQ(listed, expected);
  EXPECT_FALSE(expected.empty());
  EXPECT_NE(r.err.find("건 중 암호화 오입력 환자 " + std::to_string(expected.size()) + "건 검색"),
            std::string::npos)
      << r.err;
}

TEST_F(ProgramTest, ErrorsAUserMeetsAreClearAndChangeNothing) {
  const auto dump = [&] {
    return root_->Run({"sql", "SELECT CUSCODE, SEQ, PANUM, TEMPNUM FROM TV_BASE..CD_PERSON ORDER BY CUSCODE, SEQ"}).out;
  };
  const std::string before = dump();

  // A value that is not a stored value: the module's error box, status 1.
  const auto bad = root_->Run({"decrypt", "not-base64!01"});
  EXPECT_EQ(bad.status, 1);
  EXPECT_NE(bad.err.find("message: 에러코드 :"), std::string::npos) << bad.err;
  EXPECT_TRUE(bad.out.empty());

  // Wrong usage: status 2 and the command's usage.
  const auto year = root_->Run({"audit-customers", "--year", "1999"});
  EXPECT_EQ(year.status, 2);
  EXPECT_NE(year.err.find("usage:"), std::string::npos);
  EXPECT_EQ(root_->Run({"repair", "0000001"}).status, 2);
  // The repair asks first: without a terminal to answer on, --yes is needed.
  const auto unconfirmed = root_->Run({"repair", "0000001", "1"});
  EXPECT_EQ(unconfirmed.status, 2);
  EXPECT_NE(unconfirmed.err.find("give --yes"), std::string::npos) << unconfirmed.err;
  EXPECT_EQ(root_->Run({"no-such-command"}).status, 2);

  // A failing statement: its provider text, status 1.
  const auto sql = root_->Run({"sql", "SELECT * FROM TV_BASE..NO_SUCH_TABLE"});
  EXPECT_EQ(sql.status, 1);
  EXPECT_EQ(sql.out.rfind("FAILED: ", 0), 0u) << sql.out;

  // A repair of a history row that does not exist runs no statement.
  const auto repair = root_->Run({"repair", "no-such-code", "1", "--yes"});
  EXPECT_EQ(repair.status, 1);

  EXPECT_EQ(dump(), before);
}

TEST(ProgramRoots, RootsWithoutIniModuleOrStoreFailClearly) {
  const fs::path empty = TempFolder("empty");
  fs::create_directories(empty);
  // No INI file and no module folder: the load message, then the error of
  // the missing folder; nothing runs.
  // The error names both files where they were looked for and how the root
  // is given.
  const auto r = test::RunProgram({kProgram, "--root", empty.string(), "encrypt", "9001011234568"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("message: 개인정보암호화 모듈 로드 중 에러발생"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("error: No INI file at " + (empty / "TELVARO/TELVARO.ini").string()), std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("No crypto module at " + (empty / "TELVARO/Dll/HIRAEncryption/IndvInfmCrypto.so").string()),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("--root DIR or the environment variable JUMINCHECK_ROOT"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("filesystem error"), std::string::npos) << r.err;
  EXPECT_TRUE(r.out.empty());

  // The module in place but no INI file: the connection fails, and the error
  // says which file was missing.
  const fs::path noIni = TempFolder("noini");
  fs::create_directories(noIni / "TELVARO/Dll/HIRAEncryption");
  fs::copy_file(JC_MODULE_PATH, noIni / "TELVARO/Dll/HIRAEncryption/IndvInfmCrypto.so");
  const auto i = test::RunProgram({kProgram, "--root", noIni.string(), "sql", "SELECT 1 AS X"},
                                  {"JUMINCHECK_ODBC_DRIVER=NoSuchDriver"});
  EXPECT_EQ(i.status, 1);
  EXPECT_NE(i.err.find("No INI file at " + (noIni / "TELVARO/TELVARO.ini").string()), std::string::npos) << i.err;
  EXPECT_EQ(i.err.find("No crypto module"), std::string::npos) << i.err;
  fs::remove_all(noIni);

  // A module but a store folder that does not exist: the provider's error.
  const fs::path noStore = TempFolder("nostore");
  fs::create_directories(noStore / "TELVARO/Dll/HIRAEncryption");
  fs::copy_file(JC_MODULE_PATH, noStore / "TELVARO/Dll/HIRAEncryption/IndvInfmCrypto.so");
  std::ofstream(noStore / "TELVARO/TELVARO.ini") << "[DATAPATH]\nPATH=sqlite:../missing\n";
  const auto s = test::RunProgram({kProgram, "--root", noStore.string(), "sql", "SELECT 1 AS X"});
  EXPECT_EQ(s.status, 1);
  EXPECT_NE(s.err.find("error: "), std::string::npos) << s.err;
  EXPECT_FALSE(fs::exists(noStore / "missing"));
  fs::remove_all(empty);
  fs::remove_all(noStore);
}

// No command and no display: a clear message and wrong usage, not Qt's
// abort; an unknown option before a command is wrong usage too, never the
// window.
TEST(ProgramWindow, WithoutADisplayOrWithAnUnknownOptionTheProgramSaysWhy) {
  const std::vector<std::string> noDisplay = {"DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM="};
  struct Case {
    std::vector<std::string> args;
    const char* why;
  } cases[] = {
      {{}, "no display to open the window on"},
      {{"--yes", "encrypt-tables"}, "unknown option '--yes'"},
      {{"--roots", "elsewhere"}, "unknown option '--roots'"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> argv = {kProgram, "--root", "/nonexistent-root"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    const auto r = test::RunProgram(argv, noDisplay);
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_NE(r.err.find(c.why), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty());
  }
}

// The README's way in: a demo root made by a relative path in a fresh folder,
// then the tool pointed at it by that relative path, from the same folder.
// Loading the crypto module changes the current directory, so the root must
// be resolved before it.
TEST(ProgramRoots, RelativeRootFromAFreshFolderWorksLikeAnAbsoluteOne) {
  const fs::path fresh = TempFolder("relative");
  fs::create_directories(fresh);
  const auto demo = test::RunProgram({kProgram, "demo", "demo-root", "--customers", "200"}, {}, fresh.string());
  ASSERT_EQ(demo.status, 0) << demo.err;
  ASSERT_TRUE(fs::exists(fresh / "demo-root/TELVARO/TELVARO.ini"));

  struct Case {
    std::vector<std::string> args;
    std::vector<std::string> env;
  } cases[] = {
      {{"--root", "demo-root", "audit-customers"}, {}},
      {{"--root=demo-root", "audit-customers"}, {}},
      {{"--root", "./demo-root/../demo-root/", "audit-customers"}, {}},
      {{"audit-customers"}, {"JUMINCHECK_ROOT=demo-root"}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> argv = c.args;
    argv.insert(argv.begin(), kProgram);
    const auto r = test::RunProgram(argv, c.env, fresh.string());
    const std::string what = argv[1] + (c.env.empty() ? "" : " with " + c.env[0]);
    EXPECT_EQ(r.status, 0) << what << "\n" << r.err;
    EXPECT_EQ(r.err.find("error: "), std::string::npos) << what << "\n" << r.err;
    EXPECT_EQ(r.err.find("message: "), std::string::npos) << what << "\n" << r.err;
    EXPECT_NE(r.err.find("건 중 암호화 오입력 환자 "), std::string::npos) << what << "\n" << r.err;
    EXPECT_EQ(r.out.rfind("SEQ\t", 0), 0u) << what;
  }
  fs::remove_all(fresh);
}

TEST(ProgramKeys, CreateStoreThenCreateKeyOnceThenEncrypt) {
  const fs::path root = TempFolder("keys");
  fs::create_directories(root / "TELVARO/Dll/HIRAEncryption");
  fs::copy_file(JC_MODULE_PATH, root / "TELVARO/Dll/HIRAEncryption/IndvInfmCrypto.so");
  std::ofstream(root / "TELVARO/TELVARO.ini") << "[DATAPATH]\nPATH=sqlite:../store\n";
  const auto run = [&](std::vector<std::string> args) {
    args.insert(args.begin(), {kProgram, "--root", root.string()});
    return test::RunProgram(args);
  };
  EXPECT_EQ(test::RunProgram({kProgram, "create-store", (root / "store").string()}).status, 0);
  // A second store in the same folder is refused.
  EXPECT_EQ(test::RunProgram({kProgram, "create-store", (root / "store").string()}).status, 1);

  // Without a key nothing can be encrypted.
  EXPECT_EQ(run({"encrypt", "9001011234568"}).status, 1);
  const auto first = run({"create-key"});
  EXPECT_EQ(first.status, 0) << first.err;
  const auto second = run({"create-key"});
  EXPECT_EQ(second.status, 1);
  EXPECT_NE(second.err.find("create-key:"), std::string::npos) << second.err;
  const auto keys = run({"sql", "SELECT Encrypt FROM TV_BASE..HIRAEncryption"});
  EXPECT_EQ(ParseTsv(keys.out).size(), 2u) << keys.out;  // header and one key

  const auto enc = run({"encrypt", "9001011234568"});
  ASSERT_EQ(enc.status, 0) << enc.err;
  EXPECT_EQ(run({"decrypt", enc.out.substr(0, enc.out.size() - 1)}).out, "9001011234568\n");
  fs::remove_all(root);
}

TEST(ProgramRepair, HistoryThenRepairFixesTheCustomer) {
  DemoRoot root("repair", 300, 12);
  // A customer whose first record is sound and a later one was made from
  // the masked number.
  std::string code;
  for (const auto& f : root.summary.findings)
    if (f.seq != "1") code = f.cuscode;
  ASSERT_FALSE(code.empty());

  const auto history = root.Run({"history", code});
  ASSERT_EQ(history.status, 0) << history.err;
  const auto rows = ParseTsv(history.out);
  ASSERT_GE(rows.size(), 2u);
  const std::string value = rows[1][6];
  ASSERT_FALSE(value.empty());
  for (std::size_t i = 1; i < rows.size(); ++i) EXPECT_EQ(rows[i][3].find('*'), std::string::npos);

  const auto repair = root.Run({"repair", code, "1", "--yes"});
  EXPECT_EQ(repair.status, 0) << repair.err;
  EXPECT_NE(repair.err.find("message: 복구완료"), std::string::npos) << repair.err;

  const auto after = root.Run({"sql", "SELECT TEMPNUM FROM TV_BASE..CD_PERSON WHERE CUSCODE = '" + code + "'"});
  ASSERT_EQ(after.status, 0);
  const auto values = ParseTsv(after.out);
  ASSERT_GE(values.size(), 2u);
  for (std::size_t i = 1; i < values.size(); ++i) EXPECT_EQ(values[i][0], value);

  // The audit no longer lists the customer.
  const auto audit = root.Run({"audit-customers"});
  ASSERT_EQ(audit.status, 0) << audit.err;
  EXPECT_EQ(audit.out.find("\t" + code + "\n"), std::string::npos);
}

}  // namespace
}  // namespace jc
