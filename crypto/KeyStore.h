#pragma once
// The key store: the rows of the key table TV_BASE..HIRAEncryption read into
// a list of key records, in the order the rows arrive, and the lookup of the
// record of a key version.
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "db/Query.h"

namespace jc::db { class TADOConnection; }

namespace jc::crypto {

class CryptoUnit;

// A length-counted byte text with room for N bytes; a longer text is cut to
// its first N bytes.
template <std::size_t N>
struct TShortText {
  unsigned char Length = 0;
  char Data[N] = {};

  void Assign(std::string_view bytes) {
    Length = static_cast<unsigned char>(bytes.size() < N ? bytes.size() : N);
    for (std::size_t i = 0; i < N; ++i) Data[i] = i < Length ? bytes[i] : '\0';
  }
  std::string_view Bytes() const { return std::string_view(Data, Length); }
};

// One row of the key table; both texts in the ANSI code page.
struct TKeyRecord {
  TShortText<2> Version;   // the key version
  TShortText<50> KeyText;  // the data key, in its encrypted base64 form
};

// One entry of the key list: the version text (uncut, UTF-8) and its record.
struct TKeyListEntry {
  std::string Text;
  std::unique_ptr<TKeyRecord> Object;
};

class THIRAEncryption_CLASS {
 public:
  static constexpr const char* KeyTableSql = "SELECT * FROM TV_BASE..HIRAEncryption";

  // Opens the database connection through openConnection and attaches
  // KeyQuery to it. When that fails, the partly made store is taken down as
  // the destructor does (the module is unloaded too) and the error passes on.
  THIRAEncryption_CLASS(CryptoUnit& unit, const std::function<db::TADOConnection&()>& openConnection);
  // Frees KeyQuery and KeyList, then unloads the crypto module.
  ~THIRAEncryption_CLASS();
  THIRAEncryption_CLASS(const THIRAEncryption_CLASS&) = delete;
  THIRAEncryption_CLASS& operator=(const THIRAEncryption_CLASS&) = delete;

  // Reads the key table into KeyList (emptied first). Errors end the load
  // silently: the entries appended before the error stay; when the table
  // cannot be read at all, KeyList is left as it was.
  void LoadKeys();
  // Looks the version up in KeyList in load order, ignoring letter case; the
  // first match becomes CurrentKey. False (CurrentKey unchanged) when absent.
  bool FindKey(std::string_view version);

  std::vector<TKeyListEntry> KeyList;
  TKeyRecord* CurrentKey = nullptr;  // a record KeyList holds
  std::unique_ptr<db::TADOQuery> KeyQuery;

 private:
  void TakeDown();
  CryptoUnit& unit_;
};

// Removes every occurrence of each character of chars in turn (case-sensitive),
// trimming blanks and control characters from both ends after each one. With
// empty chars the text comes back unchanged.
std::string StripChars(std::string_view text, std::string_view chars);

// The last n characters of the text (the whole text when it is shorter).
std::string RightChars(std::string_view text, std::size_t n);

}  // namespace jc::crypto
