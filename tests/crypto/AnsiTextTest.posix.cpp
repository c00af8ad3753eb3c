// Linux's CP949 conversion (iconv): whatever CP949 cannot hold becomes '?'.
#include <gtest/gtest.h>

#include "crypto/AnsiText.h"

namespace jc::test {
namespace {

using crypto::FromAnsi;
using crypto::ToAnsi;

TEST(AnsiText, WhatCannotBeConvertedBecomesAQuestionMark) {
  EXPECT_EQ(ToAnsi("aéb"), "a?b");                    // no CP949 code
  EXPECT_EQ(ToAnsi("a\xF0\x9F\x98\x80" "b"), "a?b");  // outside the BMP
  EXPECT_EQ(ToAnsi("a\xFF" "b"), "a?b");              // not UTF-8
  EXPECT_EQ(ToAnsi("a\xED\x95"), "a?");               // cut UTF-8 sequence
  EXPECT_EQ(FromAnsi("a\xC8"), "a?");                 // cut CP949 sequence
  EXPECT_EQ(FromAnsi("a\xFF\xFF" "b"), "a??b");
}

}  // namespace
}  // namespace jc::test
