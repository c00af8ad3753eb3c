// The module of either platform reads the values the other made: the values
// made by the Linux module (OpenSSL) and by the Windows module (CNG, SIV
// composed from the AES block) are kept in fixtures/interop/, made from the
// cases in cases.tsv by make_interop_values. Whichever module this build
// has decrypts both files, and makes each value again to the byte (the
// cipher is deterministic), so neither platform can drift from the other.
#include <gtest/gtest.h>

#include <string>

#include "support/CryptoModuleApi.h"
#include "support/InteropValues.h"

namespace jc::test {
namespace {

const std::string kFolder = std::string(JC_SOURCE_DIR) + "/tests/cryptomodule/fixtures/interop/";

class InteropTest : public ::testing::TestWithParam<const char*> {};

TEST_P(InteropTest, EveryKeptValueDecryptsAndIsMadeAgain) {
  const std::vector<InteropValue> cases = ReadInteropValues(kFolder + "cases.tsv");
  const std::vector<InteropValue> values = ReadInteropValues(kFolder + GetParam());
  ASSERT_EQ(values.size(), cases.size()) << "every case has its value";
  CryptoModuleApi api(JC_MODULE_PATH);
  for (std::size_t i = 0; i < values.size(); ++i) {
    const InteropValue& v = values[i];
    SCOPED_TRACE("line " + std::to_string(i + 1) + ": " + v.value);
    EXPECT_EQ(v.password, cases[i].password);
    EXPECT_EQ(v.plain, cases[i].plain);
    ASSERT_EQ(api.SetPassword(v.password), IIC_OK);
    const auto decoded = api.Decode(v.value);
    ASSERT_EQ(decoded.rc, IIC_OK);
    const auto plain = api.Decrypt(decoded.data);
    ASSERT_EQ(plain.rc, IIC_OK) << api.ErrorMessage();
    EXPECT_EQ(ToHex(plain.data), ToHex(v.plain));
    const auto again = api.Encrypt(v.plain);
    ASSERT_EQ(again.rc, IIC_OK);
    EXPECT_EQ(api.Encode(again.data), v.value);
  }
}

INSTANTIATE_TEST_SUITE_P(MadeBy, InteropTest, ::testing::Values("linux.tsv", "windows.tsv"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           return std::string(info.param).substr(0, std::string(info.param).find('.'));
                         });

}  // namespace
}  // namespace jc::test
