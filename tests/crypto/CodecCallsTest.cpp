// What the codec hands the module, call by call, seen through a recording
// test module (its "ciphertext" is a password hash followed by the
// plaintext, its "base64" lower-case hex).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "crypto/AnsiText.h"
#include "crypto/CryptoUnit.h"
#include "support/CryptoUnitHarness.h"

namespace jc::test {
namespace {

using crypto::CryptoUnit;
using Lines = std::vector<std::string>;

std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

// The recording module's ciphertext of plain under password, as hex.
std::string FakeBody(const std::string& plain, const std::string& password) {
  uint32_t h = 2166136261u;
  for (unsigned char c : password) h = (h ^ c) * 16777619u;
  std::string tag(4, '\0');
  std::memcpy(tag.data(), &h, 4);
  return Hex(tag + plain);
}

const std::string kFixed = CryptoUnit::ModulePassword;
const std::string kDataKey = "dk";
const std::string kNumber = "9001011234567";
const std::string kZeros13(13, '\0');

class CodecCalls : public ::testing::Test {
 protected:
  void SetUp() override {
    keyBody = FakeBody(std::string("dk\0\0", 4), kFixed);
    table.rows = {keyBody + "01"};
    log = std::make_unique<ModuleLog>(h.root.ModuleFile());
    h.StartUp(table.connection);
    ASSERT_TRUE(h.unit->CryptoLoaded);
  }
  CryptoUnit& Unit() { return *h.unit; }
  Lines KeyPass() const {  // decrypting the data key under the module password
    return {"setEncryptionPassword(" + kFixed + ")", "decodeBase64(" + keyBody + ")", "decryptDataWithKey(8)"};
  }

  ScriptedKeyTable table;
  CryptoUnitHarness h{JC_FIXTURE_RECORDING};
  std::unique_ptr<ModuleLog> log;
  std::string keyBody;
};

// Bytes followed by zero bytes up to n.
std::string Filled(std::string bytes, std::size_t n) {
  bytes.resize(n, '\0');
  return bytes;
}

Lines Join(Lines a, const Lines& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST_F(CodecCalls, EncryptionDecryptsTheKeyThenEncryptsTheFilledPlaintext) {
  // The warm-up of start-up: the empty text is a plaintext of 0 bytes.
  const std::string warm = Unit().EncryptJumin("");
  EXPECT_EQ(warm, FakeBody("", kDataKey) + "01");
  EXPECT_EQ(log->Lines(), Join(Join({"initialize"}, KeyPass()),
                               {"setEncryptionPassword(dk)", "encryptDataWithKey(0:)", "encodeBase64(4)"}));
  log->Clear();

  // 13 characters: 26 bytes, the last 13 zero.
  const std::string stored = Unit().EncryptJumin(kNumber);
  EXPECT_EQ(stored, FakeBody(kNumber + kZeros13, kDataKey) + "01");
  EXPECT_EQ(log->Lines(), Join(KeyPass(), {"setEncryptionPassword(dk)",
                                           "encryptDataWithKey(26:" + Hex(kNumber + kZeros13) + ")",
                                           "encodeBase64(30)"}));
  EXPECT_EQ(Unit().CryptoPassword, kDataKey);
  EXPECT_TRUE(h.shell.messages.empty());
}

TEST_F(CodecCalls, PlaintextIsTheAnsiBytesFilledToTwiceTheCharacters) {
  struct Case {
    std::string text;
    std::string bytes;  // what the module receives
  };
  for (const Case& c : std::vector<Case>{
           {"A", std::string("A\0", 2)},
           {"홍길동", "\xC8\xAB\xB1\xE6\xB5\xBF"},                  // 3 characters, 6 bytes in CP949: no fill
           {"A홍", std::string("A\xC8\xAB\0", 4)},                  // 2 characters: 3 bytes + 1 zero
           {"±", std::string("\xA1\xBE", 2)},                        // a sign CP949 has
           // No CP949 code: what the system's conversion makes of it
           // (AnsiTextTest), filled to twice the UTF-16 units.
           {"é", Filled(crypto::ToAnsi("é"), 2)},
           {"\xF0\x9F\x98\x80", Filled(crypto::ToAnsi("\xF0\x9F\x98\x80"), 4)},  // two UTF-16 units
       }) {
    SCOPED_TRACE(c.text);
    log->Clear();
    const std::string stored = Unit().EncryptJumin(c.text);
    EXPECT_EQ(stored, FakeBody(c.bytes, kDataKey) + "01");
    const Lines lines = log->Lines();
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[4], "encryptDataWithKey(" + std::to_string(c.bytes.size()) + ":" + Hex(c.bytes) + ")");
  }
  // Decryption reads the plaintext up to its first zero byte, from CP949.
  EXPECT_EQ(Unit().DecryptJumin(FakeBody("\xC8\xAB\xB1\xE6\xB5\xBF", kDataKey) + "01"), "홍길동");
  EXPECT_EQ(Unit().DecryptJumin(FakeBody(std::string("AB\0CD", 5), kDataKey) + "01"), "AB");
}

TEST_F(CodecCalls, DecryptionFallsBackToTheModulePasswordQuietly) {
  Unit().EncryptJumin("");  // reads the key list
  log->Clear();
  const std::string body = FakeBody(kNumber + kZeros13, kFixed);
  EXPECT_EQ(Unit().DecryptJumin(body + "01"), kNumber);
  EXPECT_EQ(log->Lines(), Join(KeyPass(), {"setEncryptionPassword(dk)", "decodeBase64(" + body + ")",
                                           "decryptDataWithKey(30)", "setEncryptionPassword(" + kFixed + ")",
                                           "decodeBase64(" + body + ")", "decryptDataWithKey(30)"}));
  EXPECT_EQ(Unit().CryptoPassword, kFixed);
  EXPECT_TRUE(h.shell.messages.empty());
}

TEST_F(CodecCalls, AValueUnderNeitherPasswordShowsTheModuleErrorOnce) {
  Unit().EncryptJumin("");
  log->Clear();
  const std::string body = FakeBody(kNumber + kZeros13, "someone else");
  EXPECT_EQ(Unit().DecryptJumin(body + "01"), "");
  const Lines lines = log->Lines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(Lines(lines.end() - 2, lines.end()), (Lines{"getErrorCode(0)", "getErrorMessage"}));
  EXPECT_EQ(h.shell.messages, Lines{"에러코드 :77\r\n에러 메시지 :fake: wrong password"});
}

TEST_F(CodecCalls, AFailedEncryptionGivesTheVersionAlone) {
  Unit().EncryptJumin("");
  log->FailEncrypt(true);
  log->Clear();
  EXPECT_EQ(Unit().EncryptJumin(kNumber), "01");
  const Lines lines = log->Lines();
  EXPECT_EQ(Lines(lines.begin() + 4, lines.end()),
            (Lines{"encryptDataWithKey(26:" + Hex(kNumber + kZeros13) + ")", "getErrorCode(0)", "getErrorMessage"}));
  EXPECT_EQ(h.shell.messages, Lines{"에러코드 :79\r\n에러 메시지 :fake: encryption refused"});
}

TEST_F(CodecCalls, ClosingReleasesTheContextThenUnloads) {
  log->Clear();
  h.unit->DestroyKeyStore();
  EXPECT_EQ(log->Lines(), Lines{"release(context)"});
  EXPECT_FALSE(h.unit->ModuleLoaded());
  EXPECT_TRUE(h.unit->CryptoLoaded) << "never reset";
  EXPECT_EQ(h.unit->EncryptJumin(kNumber), "");
  EXPECT_EQ(log->Lines(), Lines{"release(context)"});
}

}  // namespace
}  // namespace jc::test
