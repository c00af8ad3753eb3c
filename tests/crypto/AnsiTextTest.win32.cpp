// The system's own conversion on Windows, with its default behaviour, as the
// pharmacy system converts: a letter the code page lacks becomes its best
// fit, anything else the default character '?' (one per UTF-16 unit).
#include <gtest/gtest.h>

#include <windows.h>

#include "crypto/AnsiText.h"

namespace jc::test {
namespace {

using crypto::ToAnsi;

TEST(AnsiText, TheSystemsDefaultConversionIsUsed) {
  ASSERT_EQ(GetACP(), 949u) << "the tests run with the Korean code page";
  EXPECT_EQ(ToAnsi("aéb"), "aeb");                     // best fit
  EXPECT_EQ(ToAnsi("a\xF0\x9F\x98\x80" "b"), "a??b");  // a surrogate pair: two units, no fit
}

}  // namespace
}  // namespace jc::test
