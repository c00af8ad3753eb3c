// The crypto module against its contract, loaded as the tool loads it.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "support/CryptoModuleApi.h"
#include "support/ExportedNames.h"

namespace jc::test {
namespace {

using Api = CryptoModuleApi;

const std::string kPassword = "qtvrzk47#)";

std::string Ascii13Zeros(const std::string& digits) {  // the codec's plaintext of 13 characters
  return digits + std::string(digits.size(), '\0');
}

TEST(CryptoModuleContract, ExportsExactlyTheTwelveEntryPoints) {
  std::set<std::string> expected;
  for (const char* name : kCryptoEntryPointNames) expected.insert(name);
  EXPECT_EQ(ExportedNames(JC_MODULE_PATH), expected);

  Api api(JC_MODULE_PATH);  // binds every name and initialises a context
  EXPECT_NE(api.context, nullptr);
}

struct RoundTripCase {
  const char* name;
  std::string plain;
};

TEST(CryptoModuleContract, RoundTripsEveryKindOfPlaintext) {
  const std::string hangul = "\xC8\xAB\xB1\xE6\xB5\xBF";  // "홍길동" in CP949 (3 characters, 6 bytes)
  const std::vector<RoundTripCase> cases = {
      {"empty", ""},
      {"13 digits", Ascii13Zeros("9001011234567")},
      {"masked number", Ascii13Zeros("9001011******")},
      {"number with separator", Ascii13Zeros("900101-1234567")},
      {"Hangul in CP949", hangul},
      {"Hangul with one ASCII letter", "A" + hangul.substr(0, 2) + std::string(1, '\0')},
      {"19-character key", Ascii13Zeros("AbCdEfGhIjKlMnOpQrS")},
      {"19 bytes of binary", std::string("\x01\x00\x02\x00\x00\xff\x10\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x07", 19)},
      {"zero bytes only", std::string(6, '\0')},
      {"odd length", "abc"},
      {"even length, second half not zero", std::string("ab\0c", 4)},
  };
  Api api(JC_MODULE_PATH);
  ASSERT_EQ(api.SetPassword(kPassword), IIC_OK);
  for (const RoundTripCase& c : cases) {
    SCOPED_TRACE(c.name);
    Api::Bytes cipher = api.Encrypt(c.plain);
    ASSERT_EQ(cipher.rc, IIC_OK) << api.ErrorMessage();
    const std::string text = api.Encode(cipher.data);
    EXPECT_LE(text.size(), 48u);
    Api::Bytes decoded = api.Decode(text);
    ASSERT_EQ(decoded.rc, IIC_OK);
    EXPECT_EQ(decoded.data, cipher.data);
    Api::Bytes plain = api.Decrypt(decoded.data);
    ASSERT_EQ(plain.rc, IIC_OK) << api.ErrorMessage();
    EXPECT_EQ(plain.data, c.plain);
    EXPECT_EQ(plain.pointer[plain.data.size()], 0) << "binary output carries a trailing NUL";
    // Deterministic: the same plaintext under the same password gives the same value.
    EXPECT_EQ(api.Encode(api.Encrypt(c.plain).data), text);
  }
}

TEST(CryptoModuleContract, EveryThirteenCharacterNumberFitsTheStoredColumn) {
  Api api(JC_MODULE_PATH);
  ASSERT_EQ(api.SetPassword(kPassword), IIC_OK);
  std::mt19937 rng(4);
  const std::string alphabet = "0123456789*-ABCxyz";
  for (int i = 0; i < 20000; ++i) {
    std::string number(13, '0');
    for (char& ch : number) ch = alphabet[rng() % alphabet.size()];
    Api::Bytes cipher = api.Encrypt(Ascii13Zeros(number));
    ASSERT_EQ(cipher.rc, IIC_OK);
    const std::string stored = api.Encode(cipher.data) + "01";
    ASSERT_LE(stored.size(), 50u) << number;
  }
}

TEST(CryptoModuleContract, RefusesInputWhoseStoredFormWouldNotFit) {
  Api api(JC_MODULE_PATH);
  ASSERT_EQ(api.SetPassword(kPassword), IIC_OK);
  struct Case {
    std::string plain;
    int32_t rc;
  };
  const std::vector<Case> cases = {
      {Ascii13Zeros("AbCdEfGhIjKlMnOpQrS"), IIC_OK},                     // 19 characters: 48 base64 characters
      {Ascii13Zeros("AbCdEfGhIjKlMnOpQrST"), IIC_ERR_INPUT_TOO_LONG},    // 20 characters
      {std::string(19, 'x'), IIC_OK},                                    // 19 bytes that do not compact
      {std::string(20, 'x'), IIC_ERR_INPUT_TOO_LONG},
      {"\xC8\xAB\xB1\xE6\xB5\xBF\xC8\xAB\xB1\xE6\xB5\xBF\xC8\xAB\xB1\xE6\xB5\xBF\xC8\xAB", IIC_ERR_INPUT_TOO_LONG},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.plain.size());
    Api::Bytes cipher = api.Encrypt(c.plain);
    EXPECT_EQ(cipher.rc, c.rc);
    if (c.rc == IIC_OK) {
      EXPECT_EQ(api.Encode(cipher.data).size(), 48u);
    } else {
      EXPECT_EQ(api.ErrorCode(), c.rc);
      EXPECT_EQ(cipher.pointer, nullptr);
    }
  }
}

TEST(CryptoModuleContract, HundredThousandDecryptionsUnderWrongPasswordsAllFail) {
  // Every wrong password yields an unrelated key; the authenticated cipher
  // must reject each ciphertext under it. Passwords are few (each derivation
  // is deliberately slow), ciphertexts many.
  Api api(JC_MODULE_PATH);
  ASSERT_EQ(api.SetPassword(kPassword), IIC_OK);
  std::mt19937_64 rng(20261210);
  std::vector<std::string> ciphers;
  for (int i = 0; i < 10000; ++i) {
    std::string number = std::to_string(1000000000000ULL + rng() % 9000000000000ULL);
    Api::Bytes c = api.Encrypt(Ascii13Zeros(number));
    ASSERT_EQ(c.rc, IIC_OK);
    ciphers.push_back(c.data);
  }
  std::vector<std::string> wrong = {"", "qtvrzk47#", "qtvrzk47#)x", "Qtvrzk47#)", "qtvrzk47#("};
  while (wrong.size() < 10) {
    std::string p(1 + rng() % 20, ' ');
    for (char& ch : p) ch = static_cast<char>(33 + rng() % 94);
    if (p != kPassword) wrong.push_back(p);
  }
  int accepted = 0, decryptions = 0;
  for (const std::string& p : wrong) {
    ASSERT_EQ(api.SetPassword(p), IIC_OK);
    for (const std::string& c : ciphers) {
      Api::Bytes plain = api.Decrypt(c);
      ++decryptions;
      if (plain.rc != IIC_ERR_AUTHENTICATION || plain.data.size() != 0) ++accepted;
    }
  }
  EXPECT_EQ(decryptions, 100000);
  EXPECT_EQ(accepted, 0);
  // The right password still reads them.
  ASSERT_EQ(api.SetPassword(kPassword), IIC_OK);
  EXPECT_EQ(api.Decrypt(ciphers.front()).rc, IIC_OK);
}

TEST(CryptoModuleContract, TamperedOrTruncatedCiphertextFails) {
  Api api(JC_MODULE_PATH);
  ASSERT_EQ(api.SetPassword(kPassword), IIC_OK);
  const std::string cipher = api.Encrypt(Ascii13Zeros("9001011234567")).data;
  for (std::size_t i = 0; i < cipher.size(); ++i) {
    for (int bit = 0; bit < 8; ++bit) {
      std::string bad = cipher;
      bad[i] = static_cast<char>(bad[i] ^ (1 << bit));
      ASSERT_EQ(api.Decrypt(bad).rc, IIC_ERR_AUTHENTICATION) << i << "/" << bit;
    }
  }
  struct Case {
    std::string data;
    int32_t rc;
  };
  for (const Case& c : std::vector<Case>{{"", IIC_ERR_CIPHERTEXT_MALFORMED},
                                         {cipher.substr(0, 16), IIC_ERR_CIPHERTEXT_MALFORMED},
                                         {cipher.substr(0, cipher.size() - 1), IIC_ERR_AUTHENTICATION},
                                         {cipher + "x", IIC_ERR_AUTHENTICATION}}) {
    Api::Bytes plain = api.Decrypt(c.data);
    EXPECT_EQ(plain.rc, c.rc) << c.data.size();
    EXPECT_EQ(plain.data, "");
    ASSERT_NE(plain.pointer, nullptr);
    EXPECT_EQ(plain.pointer[0], 0);
  }
}

TEST(CryptoModuleContract, MalformedBase64IsRefused) {
  const std::vector<std::string> malformed = {
      "A", "AB", "ABC", "ABCDE",          // length not a multiple of 4
      "AB=C", "A=BC", "=ABC", "A===",    // misplaced padding
      "====", "AA==AA==", "AAA=AAAA",    // padding inside
      "ABC*", "AB C", "ABC\n", "AB-_",   // outside the alphabet (URL-safe letters too)
      "AB==",                            // non-zero pad bits (one byte)
      "AAB=",                            // non-zero pad bits (two bytes)
      "\xC8\xAB\xB1\xE6",                // non-ASCII bytes
  };
  Api api(JC_MODULE_PATH);
  for (const std::string& text : malformed) {
    Api::Bytes b = api.Decode(text);
    EXPECT_EQ(b.rc, IIC_ERR_BASE64) << text;
    EXPECT_EQ(b.data, "") << text;
    EXPECT_EQ(api.ErrorCode(), IIC_ERR_BASE64);
  }
  struct Valid {
    std::string text, bytes;
  };
  for (const Valid& v : std::vector<Valid>{{"", ""},
                                           {"AA==", std::string(1, '\0')},
                                           {"AQ==", "\x01"},
                                           {"AAE=", std::string("\0\x01", 2)},
                                           {"/+/+", "\xff\xef\xfe"},
                                           {"YWJjZA==", "abcd"}}) {
    Api::Bytes b = api.Decode(v.text);
    EXPECT_EQ(b.rc, IIC_OK) << v.text;
    EXPECT_EQ(b.data, v.bytes) << v.text;
    EXPECT_EQ(api.Encode(v.bytes), v.text);
  }
}

TEST(CryptoModuleContract, ErrorsAreReportedByCodeAndMessage) {
  Api api(JC_MODULE_PATH);
  EXPECT_EQ(api.ErrorCode(), IIC_OK);
  EXPECT_EQ(api.ErrorMessage(), "");

  Api::Bytes c = api.Encrypt("x");
  EXPECT_EQ(c.rc, IIC_ERR_NO_PASSWORD) << "encryption before any password";
  EXPECT_EQ(api.Decrypt(std::string(20, 'x')).rc, IIC_ERR_NO_PASSWORD);

  const unsigned char* out = nullptr;
  int32_t n = 0;
  EXPECT_EQ(api.ep.encryptDataWithCert(api.context, nullptr, 0, &out, &n), IIC_ERR_NOT_SUPPORTED);
  EXPECT_EQ(api.ep.decryptDataWithCert(api.context, nullptr, 0, &out, &n), IIC_ERR_NOT_SUPPORTED);
  EXPECT_EQ(api.ep.setCertViewPolicy(api.context, 1), IIC_ERR_NOT_SUPPORTED);
  EXPECT_EQ(api.ep.encryptDataWithKey(api.context, nullptr, -1, &out, &n), IIC_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(api.ep.setEncryptionPassword(api.context, nullptr), IIC_ERR_INVALID_ARGUMENT);

  // The last failure stays until the next one, whatever the second argument.
  ASSERT_EQ(api.SetPassword(kPassword), IIC_OK);
  ASSERT_EQ(api.Decrypt(std::string(30, 'x')).rc, IIC_ERR_AUTHENTICATION);
  ASSERT_EQ(api.Encrypt("ok").rc, IIC_OK);
  for (int32_t arg : {0, 1, -1, 12345}) EXPECT_EQ(api.ErrorCode(arg), IIC_ERR_AUTHENTICATION);
  EXPECT_EQ(api.ErrorMessage(), "wrong password or damaged ciphertext");

  EXPECT_EQ(api.ep.getErrorCode(nullptr, 0), IIC_ERR_INVALID_ARGUMENT);
}

TEST(CryptoModuleContract, EachEntryPointKeepsItsOwnBuffer) {
  Api api(JC_MODULE_PATH);
  ASSERT_EQ(api.SetPassword(kPassword), IIC_OK);
  const std::string plain = Ascii13Zeros("9001011234567");
  Api::Bytes cipher = api.Encrypt(plain);
  const char* text = nullptr;
  ASSERT_EQ(api.ep.encodeBase64(api.context, cipher.pointer, static_cast<int32_t>(cipher.data.size()), &text), IIC_OK);
  const std::string textCopy = text;
  Api::Bytes decoded = api.Decode(textCopy);
  Api::Bytes decrypted = api.Decrypt(decoded.data);
  const char* message = nullptr;
  api.ep.getErrorMessage(api.context, &message);
  // Every pointer handed out is still intact after the other entry points ran.
  EXPECT_EQ(std::string(text), textCopy);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(cipher.pointer), cipher.data.size()), cipher.data);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(decoded.pointer), decoded.data.size()), cipher.data);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(decrypted.pointer), plain.size()), plain);

  // An input may be the previous output of the same entry point.
  Api::Bytes again = api.Encrypt("");
  const unsigned char* twice = nullptr;
  int32_t twiceCount = 0;
  ASSERT_EQ(api.ep.encryptDataWithKey(api.context, again.pointer, static_cast<int32_t>(again.data.size()), &twice,
                                      &twiceCount), IIC_OK);
  Api::Bytes inner = api.Decrypt(std::string(reinterpret_cast<const char*>(twice), twiceCount));
  ASSERT_EQ(inner.rc, IIC_OK);
  EXPECT_EQ(inner.data, again.data);
  const unsigned char* outer = nullptr;
  int32_t outerCount = 0;
  ASSERT_EQ(api.ep.decryptDataWithKey(api.context, inner.pointer, static_cast<int32_t>(inner.data.size()), &outer,
                                      &outerCount), IIC_OK);
  EXPECT_EQ(outerCount, 0);
}

TEST(CryptoModuleContract, PasswordsAlternateAndContextsStayApart) {
  // The codec alternates between the module password and a data key for
  // every value; derived keys are cached per context, and an evicted one is
  // derived again to the same key.
  Api a(JC_MODULE_PATH), b(JC_MODULE_PATH);
  const std::vector<std::string> passwords = {kPassword, "AbCdEfGhIjKlMnOpQrS", "", "p3", "p4"};
  const std::string plain = Ascii13Zeros("9001011234567");
  std::vector<std::string> first;
  for (const std::string& p : passwords) {
    ASSERT_EQ(a.SetPassword(p), IIC_OK);
    first.push_back(a.Encrypt(plain).data);
  }
  EXPECT_EQ(std::set<std::string>(first.begin(), first.end()).size(), passwords.size());
  ASSERT_EQ(b.SetPassword("other context"), IIC_OK);
  // The first password has been evicted by now (more passwords than slots).
  for (std::size_t i : {std::size_t{0}, std::size_t{3}, std::size_t{4}, std::size_t{3}, std::size_t{4},
                        std::size_t{0}, std::size_t{4}, std::size_t{0}}) {
    ASSERT_EQ(a.SetPassword(passwords[i]), IIC_OK);
    ASSERT_EQ(b.Encrypt("other").rc, IIC_OK);
    EXPECT_EQ(a.Encrypt(plain).data, first[i]) << passwords[i];
    Api::Bytes back = a.Decrypt(first[i]);
    ASSERT_EQ(back.rc, IIC_OK);
    EXPECT_EQ(back.data, plain);
  }
  // The other context's password never leaked into this one.
  ASSERT_EQ(a.SetPassword(passwords[4]), IIC_OK);
  EXPECT_EQ(a.Decrypt(b.Encrypt("other").data).rc, IIC_ERR_AUTHENTICATION);
}

TEST(CryptoModuleContract, ReleaseClearsTheContextAndIsSafeTwice) {
  Api api(JC_MODULE_PATH);
  IIC_CONTEXT second = nullptr;
  ASSERT_EQ(api.ep.initialize(&second), IIC_OK);
  ASSERT_NE(second, nullptr);
  ASSERT_EQ(api.ep.setEncryptionPassword(second, "x"), IIC_OK);
  EXPECT_EQ(api.ep.release(&second), IIC_OK);
  EXPECT_EQ(second, nullptr);
  EXPECT_EQ(api.ep.release(&second), IIC_OK);
  EXPECT_EQ(api.ep.release(nullptr), IIC_OK);
  EXPECT_EQ(api.ep.initialize(nullptr), IIC_ERR_INVALID_ARGUMENT);
}

}  // namespace
}  // namespace jc::test
