#include "ui/Controls.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/Shell.h"

namespace jc::ui {
namespace {

TEST(Controls, DateAsEightDigits) {
  EXPECT_EQ((DateTime{2014, 3, 5, 23, 59, 59}.Yyyymmdd()), "20140305");
  EXPECT_EQ((DateTime{999, 12, 31}.Yyyymmdd()), "09991231");
}

TEST(Controls, ComboTextIsTheSelectedItemOrEmpty) {
  TComboBox c;
  EXPECT_EQ(c.Text(), "");
  c.items = {"2013", "2012"};
  EXPECT_EQ(c.Text(), "");
  c.itemIndex = 1;
  EXPECT_EQ(c.Text(), "2012");
  c.itemIndex = 2;
  EXPECT_EQ(c.Text(), "");
}

TEST(Controls, StatusLineTellsEveryNewText) {
  TStatusLabel l;
  std::vector<std::string> told;
  l.OnChanged = [&](const std::string& t) { told.push_back(t); };
  l.SetText("조회중..");
  l.SetText("");
  EXPECT_EQ(l.Text(), "");
  EXPECT_EQ(told, (std::vector<std::string>{"조회중..", ""}));
}

TEST(ErrorBoxText, FullStopOnlyAfterCharactersAboveIt) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"Login failed", "Login failed."},
      {"done.", "done."},
      {"a,", "a,"},
      {"a-", "a-"},
      {"a!", "a!"},
      {"trailing ", "trailing "},
      {"a/", "a/."},
      {"code 7", "code 7."},
      {"연결 실패", "연결 실패."},
      {"", ""},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(FormatErrorText(in), out) << in;
}

}  // namespace
}  // namespace jc::ui
