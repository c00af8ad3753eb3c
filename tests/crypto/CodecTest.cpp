// The resident-number codec on our module: stored values, the data key of
// the key table, the fallback to the module password, and the edge cases of
// stored values.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "crypto/CryptoUnit.h"
#include "crypto/KeyStore.h"
#include "support/CryptoModuleApi.h"
#include "support/CryptoUnitHarness.h"

namespace jc::test {
namespace {

using crypto::CryptoUnit;

const std::string kDataKey = "AbCdEfGhIjKlMnOpQrS";  // 19 characters, the longest that fits
const std::string kDataKey2 = "zyXW9876";
const std::string kNumber = "9001011234567";
const std::string kHangulAnsi = "\xC8\xAB\xB1\xE6\xB5\xBF";  // "홍길동" in CP949

// Stored values made directly with the module, once for the suite (every
// password derivation is deliberately slow).
struct Values {
  std::string key01;           // the data key under the module password, + "01"
  std::string key02;           // a second data key, + "02"
  std::string keyUnreadable;   // a data key under some other password, + "01"
  std::string number01;        // kNumber under kDataKey, + "01"
  std::string number02;        // kNumber under kDataKey2, + "02"
  std::string hangul01;        // 홍길동 under kDataKey, + "01"
  std::string numberFixed01;   // kNumber under the module password, + "01"
  std::string numberOther01;   // kNumber under some other password, + "01"
};
const Values* gValues = nullptr;

class Codec : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    CryptoModuleApi api(JC_MODULE_PATH);
    auto* v = new Values;
    v->key01 = api.Body(kDataKey, CryptoUnit::ModulePassword) + "01";
    v->key02 = api.Body(kDataKey2, CryptoUnit::ModulePassword) + "02";
    v->numberFixed01 = api.Body(kNumber, CryptoUnit::ModulePassword) + "01";
    v->number01 = api.Body(kNumber, kDataKey) + "01";
    v->hangul01 = api.Body(kHangulAnsi, 3, kDataKey) + "01";
    v->number02 = api.Body(kNumber, kDataKey2) + "02";
    v->keyUnreadable = api.Body(kDataKey, "someone else") + "01";
    v->numberOther01 = api.Body(kNumber, "someone else") + "01";
    gValues = v;
  }
  static void TearDownTestSuite() {
    delete gValues;
    gValues = nullptr;
  }
  const Values& V() const { return *gValues; }

  // Loads our module, makes the key store on a key table of these rows and
  // runs start-up's warm-up encryption, which reads the key table.
  void StartUp(std::vector<db::Cell> rows) {
    h.reset();  // one unit at a time: each puts the current directory back
    table.reset();
    table = std::make_unique<ScriptedKeyTable>(std::move(rows));
    h = std::make_unique<CryptoUnitHarness>();
    h->StartUp(table->connection);
    ASSERT_TRUE(h->unit->CryptoLoaded);
    (void)h->unit->EncryptJumin("");
  }
  CryptoUnit& Unit() { return *h->unit; }
  std::vector<std::string>& Messages() { return h->shell.messages; }

  std::unique_ptr<ScriptedKeyTable> table;
  std::unique_ptr<CryptoUnitHarness> h;
};

TEST_F(Codec, StoredValuesRoundTripAndFitTheColumn) {
  StartUp({V().key01});
  struct Case {
    std::string text;
    std::size_t length;  // of the stored value
  };
  for (const Case& c : std::vector<Case>{{"", 26}, {kNumber, 42}, {"9001011******", 42}, {"900101-1234567", 46},
                                         {"홍길동", 34}, {kDataKey, 50}}) {
    SCOPED_TRACE(c.text);
    const std::string stored = Unit().EncryptJumin(c.text);
    EXPECT_EQ(stored.size(), c.length);
    EXPECT_EQ(stored.substr(stored.size() - 2), "01");
    EXPECT_EQ(Unit().CryptoPassword, kDataKey);
    EXPECT_EQ(Unit().DecryptJumin(stored), c.text);
  }
  EXPECT_TRUE(Messages().empty());
}

TEST_F(Codec, MakesTheSameBytesAsTheModuleGivenTheFilledPlaintext) {
  // 13 characters are handed over as 26 bytes, the last 13 zero; Hangul in
  // CP949. The values match those made directly with the module.
  StartUp({V().key01});
  EXPECT_EQ(Unit().EncryptJumin(kNumber), V().number01);
  EXPECT_EQ(Unit().EncryptJumin("홍길동"), V().hangul01);
  EXPECT_EQ(Unit().DecryptJumin(V().hangul01), "홍길동");
}

TEST_F(Codec, ATextTooLongForTheColumnGivesTheVersionAloneAndTheErrorBox) {
  StartUp({V().key01});
  EXPECT_EQ(Unit().EncryptJumin("ABCDEFGHIJKLMNOPQRST"), "01");  // 20 characters
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0], "에러코드 :1003\r\n에러 메시지 :input too long for a stored value");
}

TEST_F(Codec, DecryptsStoredValuesOrSaysWhyNot) {
  StartUp({V().key01, V().key02});
  const std::string fixed = CryptoUnit::ModulePassword;
  struct Case {
    const char* name;
    std::string value;
    std::string expected;
    std::vector<std::string> messages;
    std::string passwordAfter;  // empty: not checked
  };
  const std::string wrong = "에러코드 :1006\r\n에러 메시지 :wrong password or damaged ciphertext";
  const std::string tooShort = "에러코드 :1005\r\n에러 메시지 :ciphertext too short";
  const std::string notBase64 = "에러코드 :1004\r\n에러 메시지 :malformed base64 text";
  const std::vector<Case> cases = {
      {"under the data key", V().number01, kNumber, {}, kDataKey},
      {"second key version", V().number02, kNumber, {}, kDataKey2},
      {"trailing space: version '1 '", V().number01 + " ", "", {}, ""},
      {"version not in the key list", V().number01.substr(0, V().number01.size() - 2) + "03", "", {}, ""},
      {"one character", "1", "", {}, ""},
      {"empty", "", "", {}, ""},
      {"only under the module password", V().numberFixed01, kNumber, {}, fixed},
      {"under neither password", V().numberOther01, "", {wrong}, fixed},
      {"two characters: empty body", "01", "", {tooShort}, fixed},
      {"malformed body", "!!!!01", "", {notBase64}, fixed},
      {"malformed body of two groups", "!!!!!!!!01", "", {notBase64}, fixed},
      {"body cut inside a group", V().number01.substr(0, 5) + "01", "", {notBase64}, fixed},
      {"after a fallback, the data key again", V().number01, kNumber, {}, kDataKey},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Messages().clear();
    EXPECT_EQ(Unit().DecryptJumin(c.value), c.expected);
    EXPECT_EQ(Messages(), c.messages);
    if (!c.passwordAfter.empty()) {
      EXPECT_EQ(Unit().CryptoPassword, c.passwordAfter);
    }
  }
  EXPECT_EQ(table->QueryCount(), 1u) << "decryption never reloads the key list";
}

TEST_F(Codec, FindsVersionsInAnyOrderAndLetterCase) {
  // "01" last behind versions that sort after it: a binary search misses it.
  const std::string key2 = V().key02.substr(0, V().key02.size() - 2);
  const std::string number2 = V().number02.substr(0, V().number02.size() - 2);
  StartUp({"junk00", key2 + "aB", V().key01});
  EXPECT_EQ(Unit().EncryptJumin(kNumber), V().number01);
  EXPECT_EQ(Unit().DecryptJumin(number2 + "Ab"), kNumber);
  EXPECT_EQ(Unit().DecryptJumin(number2 + "AB"), kNumber);
  EXPECT_TRUE(Messages().empty());
}

TEST_F(Codec, WithoutKeysNothingIsEncryptedAndNothingIsShown) {
  StartUp({});
  // An empty list is read again, and once more in case the table was filled
  // meanwhile; decryption never reads it.
  EXPECT_EQ(table->QueryCount(), 2u) << "the warm-up";
  EXPECT_EQ(Unit().EncryptJumin(kNumber), "");
  EXPECT_EQ(table->QueryCount(), 4u);
  EXPECT_EQ(Unit().DecryptJumin(V().number01), "");
  EXPECT_EQ(table->QueryCount(), 4u);
  // A key added later is found by the next encryption.
  table->rows = {V().key01};
  EXPECT_EQ(Unit().EncryptJumin(kNumber), V().number01);
  EXPECT_TRUE(Messages().empty());
}

TEST_F(Codec, ADataKeyThatCannotBeDecryptedStopsTheCall) {
  // Rather than encrypting (or reading) under the empty password that a
  // failed data key leaves, the call shows the error once and yields nothing.
  const std::string wrong = "에러코드 :1006\r\n에러 메시지 :wrong password or damaged ciphertext";
  const std::string notBase64 = "에러코드 :1004\r\n에러 메시지 :malformed base64 text";
  struct Case {
    const char* name;
    std::string keyRow;
    std::string message;
  };
  for (const Case& c : std::vector<Case>{
           {"key under another password", V().keyUnreadable, wrong},
           {"60-character key value, cut to 50", std::string(58, 'A') + "01", notBase64},
           {"key that is not base64", "abc*01", notBase64}}) {
    SCOPED_TRACE(c.name);
    StartUp({c.keyRow});
    ASSERT_EQ(Messages(), std::vector<std::string>{c.message}) << "the warm-up";
    Messages().clear();
    EXPECT_EQ(Unit().EncryptJumin(kNumber), "");
    EXPECT_EQ(Unit().CryptoPassword, "");
    EXPECT_EQ(Unit().DecryptJumin(V().number01), "");
    EXPECT_EQ(Messages(), (std::vector<std::string>{c.message, c.message}));
  }
}

TEST_F(Codec, NoTraceOfTheDataKeyStaysWhenTheModulePasswordReplacesIt) {
  StartUp({V().key01});
  // What the module password (10 characters and its terminating zero) would
  // leave of the data key (19) in a buffer it is copied into.
  const std::string tail = kDataKey.substr(std::string(CryptoUnit::ModulePassword).size() + 1);
  auto noTrace = [&](const char* when) {
    const auto& password = Unit().CryptoPassword;
    EXPECT_EQ(std::string_view(password.data(), password.capacity()).find(tail), std::string_view::npos) << when;
  };
  ASSERT_EQ(Unit().EncryptJumin(kNumber), V().number01);
  ASSERT_EQ(Unit().CryptoPassword, kDataKey);
  EXPECT_EQ(Unit().DecryptJumin(V().numberFixed01), kNumber);  // falls back to the module password
  ASSERT_EQ(Unit().CryptoPassword, CryptoUnit::ModulePassword);
  noTrace("after a fallback");
  ASSERT_EQ(Unit().EncryptJumin(kNumber), V().number01);
  EXPECT_EQ(Unit().WhyUnusable(), "");
  ASSERT_EQ(Unit().CryptoPassword, kDataKey) << "the check changes nothing";
  Unit().CryptoPassword = CryptoUnit::ModulePassword;
  noTrace("after an assignment");
}

TEST_F(Codec, PasswordPassesAreIndependentOfTheKeyStore) {
  StartUp({V().key01});
  Unit().CryptoPassword = CryptoUnit::ModulePassword;
  const std::string body = Unit().EncryptWithPassword(kDataKey);
  EXPECT_EQ(body + "01", V().key01);
  Unit().CryptoPassword = "someone else";
  EXPECT_EQ(Unit().DecryptWithPassword(body), kDataKey) << "falls back to the module password";
  EXPECT_EQ(Unit().CryptoPassword, CryptoUnit::ModulePassword);
  EXPECT_TRUE(Messages().empty());
}

}  // namespace
}  // namespace jc::test
