#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/Ini.h"

namespace jc::app {
namespace {

class IniTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("jc_ini_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Write(const std::string& text) {
    auto p = dir_ / "TELVARO.ini";
    std::ofstream(p, std::ios::binary) << text;
    return p.string();
  }
  std::filesystem::path dir_;
};

TEST_F(IniTest, ReadsLikeTheWindowsProfileReader) {
  struct Case {
    const char* name;
    std::string text;
    std::string expected;
  };
  const Case cases[] = {
      {"plain", "[DATAPATH]\nPATH=dbhost\n", "dbhost"},
      {"names ignore case", "[datapath]\npath=dbhost\n", "dbhost"},
      {"value trimmed", "[DATAPATH]\nPATH =   10.0.0.5   \n", "10.0.0.5"},
      {"double quotes removed", "[DATAPATH]\nPATH=\"db host\"\n", "db host"},
      {"single quotes removed", "[DATAPATH]\nPATH='dbhost'\n", "dbhost"},
      {"unbalanced quote kept", "[DATAPATH]\nPATH=\"dbhost\n", "\"dbhost"},
      {"first key wins", "[DATAPATH]\nPATH=first\nPATH=second\n", "first"},
      {"other section ignored", "[OTHER]\nPATH=no\n[DATAPATH]\nPATH=yes\n", "yes"},
      {"key missing", "[DATAPATH]\nHOST=x\n", "DEFAULT"},
      {"section missing", "[OTHER]\nPATH=x\n", "DEFAULT"},
      {"empty value", "[DATAPATH]\nPATH=\n", ""},
      {"CRLF lines", "[DATAPATH]\r\nPATH=dbhost\r\n", "dbhost"},
      {"embedded store", "[DATAPATH]\nPATH=sqlite:store\n", "sqlite:store"},
      // Lines the profile reader takes as they stand, where an INI library
      // has rules of its own.
      {"indented key after another", "[DATAPATH]\nUSER=x\n   PATH=dbhost\n", "dbhost"},
      {"key indented with a tab", "[DATAPATH]\nUSER=x\n\tPATH=dbhost\n", "dbhost"},
      {"indented section and comment", "  [DATAPATH]\n  ; PATH=no\nPATH=dbhost\n", "dbhost"},
      {"' ;' inside the value", "[DATAPATH]\nPATH=db host ; not a comment\n", "db host ; not a comment"},
      {"';' inside the value", "[DATAPATH]\nPATH=a;b\n", "a;b"},
      {"':' is part of the key", "[DATAPATH]\nPATH:x=no\nPATH=dbhost\n", "dbhost"},
      {"a long comment's tail is no line", "[DATAPATH]\n;" + std::string(198, 'x') + "PATH=no\nPATH=dbhost\n", "dbhost"},
      {"a long value is read whole", "[DATAPATH]\nPATH=" + std::string(300, 'h') + "\n", std::string(300, 'h')},
      {"byte order mark", "\xEF\xBB\xBFPATH=no\n[DATAPATH]\nPATH=dbhost\n", "dbhost"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ReadProfileString(Write(c.text), "DATAPATH", "PATH", "DEFAULT"), c.expected)
        << c.name;
  }
}

TEST_F(IniTest, MissingFileGivesTheDefault) {
  EXPECT_EQ(ReadProfileString((dir_ / "none.ini").string(), "DATAPATH", "PATH", ""), "");
  EXPECT_EQ(ReadProfileString((dir_ / "none.ini").string(), "DATAPATH", "PATH", "d"), "d");
}

TEST_F(IniTest, ValueIsCutToTheBuffer) {
  const std::string path = Write("[DATAPATH]\nPATH=abcdefghij\n");
  EXPECT_EQ(ReadProfileString(path, "DATAPATH", "PATH", "", 5), "abcd");
}

}  // namespace
}  // namespace jc::app
