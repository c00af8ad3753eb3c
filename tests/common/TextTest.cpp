#include <gtest/gtest.h>

#include "common/Text.h"

namespace jc {
namespace {

TEST(Trim, RemovesBlanksAndControlCharactersOnlyAtTheEnds) {
  EXPECT_EQ(Trim(" \t\r\n 900101-1****** \x01"), "900101-1******");
  EXPECT_EQ(Trim("a b"), "a b");
  EXPECT_EQ(Trim("   "), "");
  EXPECT_EQ(Trim(" 홍길동 "), "홍길동");  // multi-byte characters are never cut
}

TEST(Utf8, CountsAndCutsCharactersNotBytes) {
  EXPECT_EQ(Utf8Length("홍길동01"), 5u);
  EXPECT_EQ(Utf8Left("홍길동01", 2), "홍길");
  EXPECT_EQ(Utf8Right("홍길동01", 2), "01");
  EXPECT_EQ(Utf8Right("홍길동01", 3), "동01");
  EXPECT_EQ(Utf8Right("ab", 5), "ab");
  EXPECT_EQ(Utf8Right("ab", 0), "");
  EXPECT_EQ(Utf8Left("ab", 5), "ab");
}

}  // namespace
}  // namespace jc
