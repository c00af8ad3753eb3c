// Making the data key of a store's key table.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "crypto/CryptoUnit.h"
#include "crypto/DataKey.h"
#include "support/CryptoUnitHarness.h"
#include "support/TestStore.h"

namespace jc::test {
namespace {

using crypto::CreateDataKey;
using crypto::CryptoUnit;

constexpr const char* kKeyTable = "TV_BASE..HIRAEncryption";

TEST(NewDataKeyText, IsRandomTextOfTheBase64Alphabet) {
  const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::set<std::string> seen;
  for (int i = 0; i < 100; ++i) {
    const std::string key = crypto::NewDataKeyText();
    ASSERT_EQ(key.size(), static_cast<std::size_t>(crypto::kDataKeyLength));
    EXPECT_EQ(key.find_first_not_of(alphabet), std::string::npos) << key;
    seen.insert(key);
  }
  EXPECT_EQ(seen.size(), 100u);
}

TEST(CreateDataKey, WritesAKeyTheCodecThenUsesAndRefusesASecond) {
  TestStore store;
  store.Insert(kKeyTable, {{"Encrypt", "other02"}});  // another version does not count
  CryptoUnitHarness h;
  h.StartUp(store.Connection());
  ASSERT_TRUE(h.unit->CryptoLoaded);
  EXPECT_EQ(h.unit->EncryptJumin("9001011234567"), "") << "no key yet";
  h.unit->CryptoPassword = "left alone";

  std::string error;
  ASSERT_TRUE(CreateDataKey(*h.unit, store.Connection(), error)) << error;
  EXPECT_EQ(error, "");
  EXPECT_EQ(h.unit->CryptoPassword, "left alone");
  const auto rows = store.Texts("SELECT Encrypt FROM TV_BASE..HIRAEncryption");
  ASSERT_EQ(rows.size(), 2u);
  const std::string value = rows[1][0];
  EXPECT_EQ(value.size(), 50u);
  EXPECT_EQ(value.substr(48), "01");
  // The key is the module's encryption of the key text under the module password.
  h.unit->CryptoPassword = CryptoUnit::ModulePassword;
  const std::string key = h.unit->DecryptWithPassword(value.substr(0, 48));
  EXPECT_EQ(key.size(), static_cast<std::size_t>(crypto::kDataKeyLength));

  // The key list holds "02" only, so it is not read again by itself; the next
  // start (here: reading it again) finds the new key.
  EXPECT_EQ(h.unit->EncryptJumin("9001011234567"), "");
  h.Store().LoadKeys();
  const std::string stored = h.unit->EncryptJumin("9001011234567");
  ASSERT_EQ(stored.size(), 42u);
  EXPECT_EQ(h.unit->CryptoPassword, key);
  EXPECT_EQ(h.unit->DecryptJumin(stored), "9001011234567");

  EXPECT_FALSE(CreateDataKey(*h.unit, store.Connection(), error));
  EXPECT_EQ(error, "the key table already holds a key of version 01");
  EXPECT_EQ(store.Scalar("SELECT COUNT(*) FROM TV_BASE..HIRAEncryption"), 2);
  EXPECT_TRUE(h.shell.messages.empty());
}

TEST(CreateDataKey, RefusesWhereAKeyIsPresentOrCannotBeMade) {
  struct Case {
    const char* name;
    std::vector<db::Cell> rows;
    bool fail;         // the key table cannot be read
    bool loadModule;
    std::string error;
  };
  for (const Case& c : std::vector<Case>{
           {"version 01 with spaces", {" abc 0 1 "}, false, true, "the key table already holds a key of version 01"},
           {"version 01 after others", {"x02", std::nullopt, "y01"}, false, true,
            "the key table already holds a key of version 01"},
           {"table missing", {}, true, true, "the key table cannot be read: Invalid object name"},
           {"module not loaded", {}, false, false, "the crypto module is not loaded"}}) {
    SCOPED_TRACE(c.name);
    ScriptedKeyTable table(c.rows);
    table.fail = c.fail;
    CryptoUnitHarness h;
    if (c.loadModule) {
      ASSERT_TRUE(h.unit->LoadCryptoModule());
    }
    std::string error;
    EXPECT_FALSE(CreateDataKey(*h.unit, table.connection, error));
    EXPECT_EQ(error, c.error);
    EXPECT_EQ(table.backend->ExecuteCount(), 0u) << "nothing written";
  }
}

}  // namespace
}  // namespace jc::test
