#include "crypto/DataKey.h"

#include "common/Text.h"
#include "crypto/CryptoUnit.h"
#include "crypto/KeyStore.h"
#include "crypto/RandomBytes.h"
#include "crypto/SecretText.h"
#include "crypto/WipeBytes.h"
#include "db/Connection.h"
#include "db/Query.h"

namespace jc::crypto {

namespace {
constexpr char kKeyAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
}

std::string NewDataKeyText() {
  unsigned char random[kDataKeyLength];
  RandomBytes(random, sizeof random);
  std::string key(kDataKeyLength, '\0');
  for (int i = 0; i < kDataKeyLength; ++i) key[i] = kKeyAlphabet[random[i] & 63];  // 64 letters: unbiased
  WipeBytes(random, sizeof random);
  return key;
}

bool CreateDataKey(CryptoUnit& unit, db::TADOConnection& connection, std::string& error) {
  error.clear();
  if (!unit.ModuleLoaded() || unit.CryptoContext() == nullptr) {
    error = "the crypto module is not loaded";
    return false;
  }
  db::TADOQuery query("KeyQuery");
  query.Connection = &connection;
  try {
    query.SQL = THIRAEncryption_CLASS::KeyTableSql;
    query.Open();
    for (; !query.Eof(); query.Next()) {
      const std::string value = StripChars(query.FieldAsString("Encrypt"), " ");
      if (EqualsNoCase(RightChars(value, 2), CryptoUnit::KeyVersion)) {
        error = "the key table already holds a key of version 01";
        return false;
      }
    }
  } catch (const std::exception& e) {
    error = std::string("the key table cannot be read: ") + e.what();
    return false;
  }

  SecretText key = NewDataKeyText();
  const SecretText saved = unit.CryptoPassword;  // the codec's password, put back below
  unit.CryptoPassword = CryptoUnit::ModulePassword;
  const std::string body = unit.EncryptWithPassword(key);
  const bool readsBack = !body.empty() && SecretText(unit.DecryptWithPassword(body)) == key.str();
  key.Wipe();
  unit.CryptoPassword = saved;
  if (!readsBack) {
    error = "the crypto module could not encrypt the new key";
    return false;
  }
  const std::string value = body + CryptoUnit::KeyVersion;
  if (value.size() > 50) {
    error = "the encrypted key does not fit the key table";
    return false;
  }
  try {
    query.Close();
    query.SQL = "INSERT INTO TV_BASE..HIRAEncryption (Encrypt) VALUES (" + db::QuotedStr(value) + ")";
    query.ExecSQL();
  } catch (const std::exception& e) {
    error = std::string("the key could not be written: ") + e.what();
    return false;
  }
  return true;
}

}  // namespace jc::crypto
