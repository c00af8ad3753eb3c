// The ANSI code page (CP949) conversions the codec hands the module. What
// becomes of a character the code page lacks is the platform's own
// (AnsiTextTest.posix.cpp, AnsiTextTest.win32.cpp).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "crypto/AnsiText.h"

namespace jc::test {
namespace {

using crypto::FromAnsi;
using crypto::ToAnsi;

TEST(AnsiText, ConvertsToAndFromCp949) {
  struct Case {
    std::string utf8, ansi;
  };
  for (const Case& c : std::vector<Case>{{"", ""},
                                         {"9001011234567", "9001011234567"},
                                         {"홍길동", "\xC8\xAB\xB1\xE6\xB5\xBF"},
                                         {"A홍 b", "A\xC8\xAB b"},
                                         {"똠", "\x8C\x63"}}) {  // outside EUC-KR, in CP949's extension
    EXPECT_EQ(ToAnsi(c.utf8), c.ansi) << c.utf8;
    EXPECT_EQ(FromAnsi(c.ansi), c.utf8) << c.utf8;
  }
}

TEST(AnsiText, CountsCharactersAsUtf16Units) {
  EXPECT_EQ(crypto::Utf16Length(""), 0u);
  EXPECT_EQ(crypto::Utf16Length("9001011234567"), 13u);
  EXPECT_EQ(crypto::Utf16Length("홍길동"), 3u);
  EXPECT_EQ(crypto::Utf16Length("a\xF0\x9F\x98\x80"), 3u);
}

}  // namespace
}  // namespace jc::test
