#include "crypto/KeyStore.h"

#include "common/Text.h"
#include "crypto/AnsiText.h"
#include "crypto/CryptoUnit.h"
#include "db/Connection.h"

namespace jc::crypto {

THIRAEncryption_CLASS::THIRAEncryption_CLASS(CryptoUnit& unit,
                                             const std::function<db::TADOConnection&()>& openConnection)
    : unit_(unit) {
  KeyQuery = std::make_unique<db::TADOQuery>("KeyQuery");
  KeyQuery->CommandTimeout = 0;
  try {
    KeyQuery->Connection = &openConnection();
  } catch (...) {
    TakeDown();
    throw;
  }
  // The query fetches its whole result at open (client-side snapshot), which
  // is all the key store needs of its cursor.
}

THIRAEncryption_CLASS::~THIRAEncryption_CLASS() { TakeDown(); }

void THIRAEncryption_CLASS::TakeDown() {
  KeyQuery.reset();
  CurrentKey = nullptr;
  KeyList.clear();
  unit_.UnloadCryptoModule();
}

void THIRAEncryption_CLASS::LoadKeys() {
  try {
    KeyQuery->Close();
    KeyQuery->SQL = KeyTableSql;
    KeyQuery->Open();
    CurrentKey = nullptr;  // it pointed into the list being emptied
    KeyList.clear();
    while (!KeyQuery->Eof()) {
      const std::string value = StripChars(KeyQuery->FieldAsString("Encrypt"), " ");
      const std::size_t chars = Utf8Length(value);
      auto record = std::make_unique<TKeyRecord>();
      std::string version = RightChars(value, 2);
      record->Version.Assign(ToAnsi(version));
      record->KeyText.Assign(ToAnsi(chars > 2 ? Utf8Left(value, chars - 2) : std::string()));
      KeyList.push_back(TKeyListEntry{std::move(version), std::move(record)});
      KeyQuery->Next();
    }
  } catch (const std::exception&) {
    // A missing table or column ends the load without a message.
  }
}

bool THIRAEncryption_CLASS::FindKey(std::string_view version) {
  // In load order, first match: the list is never sorted, so a binary search
  // over it would miss versions that are present.
  for (TKeyListEntry& entry : KeyList) {
    if (EqualsNoCase(entry.Text, version)) {
      CurrentKey = entry.Object.get();
      return true;
    }
  }
  return false;
}

std::string StripChars(std::string_view text, std::string_view chars) {
  std::string result(text);
  std::size_t i = 0;
  while (i < chars.size()) {
    // One character of chars (a UTF-8 sequence).
    std::size_t len = 1;
    while (i + len < chars.size() && (static_cast<unsigned char>(chars[i + len]) & 0xC0) == 0x80) ++len;
    const std::string_view c = chars.substr(i, len);
    i += len;
    std::string kept;
    kept.reserve(result.size());
    for (std::size_t p = 0; p < result.size();) {
      if (result.compare(p, c.size(), c) == 0) {
        p += c.size();
      } else {
        kept.push_back(result[p++]);
      }
    }
    result = Trim(kept);
  }
  return result;
}

std::string RightChars(std::string_view text, std::size_t n) { return Utf8Right(text, n); }

}  // namespace jc::crypto
