// Reading the key table into the key list, and finding a version in it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "crypto/KeyStore.h"
#include "support/CryptoUnitHarness.h"
#include "support/TestStore.h"

namespace jc::test {
namespace {

using crypto::RightChars;
using crypto::StripChars;

struct Entry {
  std::string text;     // the list entry's text (the version, uncut)
  std::string version;  // the record's Version bytes (ANSI)
  std::string key;      // the record's KeyText bytes (ANSI)
  bool operator==(const Entry&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Entry& e) {
  return os << "{" << e.text << "|" << e.version << "|" << e.key << "}";
}

std::vector<Entry> Entries(const crypto::THIRAEncryption_CLASS& store) {
  std::vector<Entry> out;
  for (const auto& e : store.KeyList)
    out.push_back({e.Text, std::string(e.Object->Version.Bytes()), std::string(e.Object->KeyText.Bytes())});
  return out;
}

const std::string k58 = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz012345";  // 58 characters

TEST(LoadKeys, ReadsEveryRowInOrderAsTheTableHoldsIt) {
  const std::string hangul26 = [] {  // 26 Hangul characters: 52 bytes in CP949
    std::string s;
    for (int i = 0; i < 26; ++i) s += "가";
    return s;
  }();
  const std::string ga25 = [] {
    std::string s;
    for (int i = 0; i < 25; ++i) s += "\xB0\xA1";  // "가" in CP949
    return s;
  }();
  ScriptedKeyTable table({
      " Ab Cd 02 ",        // spaces inside and around are dropped
      k58 + "01",          // 60 characters: the first 50 of the other 58
      "01",                // two characters: a version with an empty key
      "1",                 // one character
      "",                  // empty
      std::nullopt,        // NULL
      "\tkey01\r\n",       // control characters at the ends are trimmed
      hangul26 + "AB",     // a key in Hangul, cut to 50 bytes
      "xyz0A",             // repeated versions in other letter case, kept as they come
      "uvw0a",
  });
  CryptoUnitHarness h("");
  h.CreateKeyStore(table.connection);
  h.Store().LoadKeys();
  const std::vector<Entry> expected = {
      {"02", "02", "AbCd"},
      {"01", "01", k58.substr(0, 50)},
      {"01", "01", ""},
      {"1", "1", ""},
      {"", "", ""},
      {"", "", ""},
      {"01", "01", "key"},
      {"AB", "AB", ga25},
      {"0A", "0A", "xyz"},
      {"0a", "0a", "uvw"},
  };
  EXPECT_EQ(Entries(h.Store()), expected);
  ASSERT_EQ(table.backend->Statements(), std::vector<std::string>{"SELECT * FROM TV_BASE..HIRAEncryption"});
}

TEST(LoadKeys, ReadsTheRealStoresKeyTable) {
  TestStore store;
  store.Insert("TV_BASE..HIRAEncryption", {{"Encrypt", " abc 01"}});
  store.Insert("TV_BASE..HIRAEncryption", {{"Encrypt", std::nullopt}});
  store.Insert("TV_BASE..HIRAEncryption", {{"Encrypt", "def02"}});
  CryptoUnitHarness h("");
  h.CreateKeyStore(store.Connection());
  h.Store().LoadKeys();
  EXPECT_EQ(Entries(h.Store()), (std::vector<Entry>{{"01", "01", "abc"}, {"", "", ""}, {"02", "02", "def"}}));
}

TEST(LoadKeys, ErrorsEndTheLoadSilently) {
  ScriptedKeyTable table({"abc01", "def02"});
  CryptoUnitHarness h("");
  h.CreateKeyStore(table.connection);
  h.Store().LoadKeys();
  ASSERT_EQ(h.Store().KeyList.size(), 2u);
  ASSERT_TRUE(h.Store().FindKey("02"));

  // The table cannot be read: the list stays as it was.
  table.fail = true;
  h.Store().LoadKeys();
  EXPECT_EQ(h.Store().KeyList.size(), 2u);
  ASSERT_NE(h.Store().CurrentKey, nullptr);
  EXPECT_EQ(h.Store().CurrentKey->KeyText.Bytes(), "def");

  // The column is missing: the list is emptied, nothing is appended.
  table.fail = false;
  table.column = "Other";
  h.Store().LoadKeys();
  EXPECT_TRUE(h.Store().KeyList.empty());
  EXPECT_EQ(h.Store().CurrentKey, nullptr);
  EXPECT_FALSE(h.Store().FindKey("01"));
  EXPECT_TRUE(h.shell.messages.empty());
  EXPECT_TRUE(h.shell.errors.empty());
}

TEST(FindKey, FindsEveryVersionPresentWhateverTheOrderAndCase) {
  // Versions out of order: a binary search over this list misses "01" and "0b".
  ScriptedKeyTable table({"k1" "02", "k2" "0B", "k3" "01", "k4" "0b", "k5" "01", "k6" "00"});
  CryptoUnitHarness h("");
  h.CreateKeyStore(table.connection);
  h.Store().LoadKeys();
  struct Case {
    const char* version;
    const char* key;  // first match in load order; null: absent
  };
  for (const Case& c : std::vector<Case>{{"01", "k3"}, {"02", "k1"}, {"0b", "k2"},
                                         {"0B", "k2"}, {"00", "k6"}, {"03", nullptr}, {"", nullptr},
                                         {"01 ", nullptr}, {"1", nullptr}}) {
    SCOPED_TRACE(c.version);
    crypto::TKeyRecord* before = h.Store().CurrentKey;
    const bool found = h.Store().FindKey(c.version);
    EXPECT_EQ(found, c.key != nullptr);
    if (c.key) {
      ASSERT_NE(h.Store().CurrentKey, nullptr);
      EXPECT_EQ(h.Store().CurrentKey->KeyText.Bytes(), c.key);
    } else {
      EXPECT_EQ(h.Store().CurrentKey, before) << "a miss leaves CurrentKey as it was";
    }
  }
}

TEST(FindKey, EmptyTableFindsNothing) {
  ScriptedKeyTable table;
  CryptoUnitHarness h("");
  h.CreateKeyStore(table.connection);
  h.Store().LoadKeys();
  EXPECT_TRUE(h.Store().KeyList.empty());
  EXPECT_FALSE(h.Store().FindKey("01"));
  EXPECT_FALSE(h.Store().FindKey(""));
  EXPECT_EQ(h.Store().CurrentKey, nullptr);
}

TEST(StripChars, RemovesEachCharacterInTurnAndTrims) {
  struct Case {
    std::string text, chars, expected;
  };
  for (const Case& c : std::vector<Case>{
           {" a b c ", " ", "abc"},
           {"\t a b \r\n", " ", "ab"},
           {" a b ", "", " a b "},          // no characters: unchanged, untrimmed
           {"xaxbx", "x", "ab"},
           {"xXa", "x", "Xa"},              // case-sensitive
           {"-a- b-", "- ", "ab"},          // each character in turn, trimming after each
           {"가 나다", "나", "가 다"},
           {"", " ", ""},
       }) {
    EXPECT_EQ(StripChars(c.text, c.chars), c.expected) << "[" << c.text << "] [" << c.chars << "]";
  }
}

TEST(RightChars, TakesTheLastCharacters) {
  EXPECT_EQ(RightChars("abc01", 2), "01");
  EXPECT_EQ(RightChars("1", 2), "1");
  EXPECT_EQ(RightChars("", 2), "");
  EXPECT_EQ(RightChars("가나다", 2), "나다");
  EXPECT_EQ(RightChars("abc01 ", 2), "1 ");
}

}  // namespace
}  // namespace jc::test
