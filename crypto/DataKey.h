#pragma once
// Making the data key of the key table. The tool's operations never make
// keys; this is for setting up a store (the create-key command).
#include <string>

namespace jc::db { class TADOConnection; }

namespace jc::crypto {

class CryptoUnit;

// Number of characters of a data key made by CreateDataKey: the longest key
// whose stored form still fits the key table (48 base64 characters + "01").
inline constexpr int kDataKeyLength = 19;

// A fresh random data key text: kDataKeyLength characters of the base64
// alphabet, from the operating system's random source.
std::string NewDataKeyText();

// Writes a fresh random data key of version "01" into TV_BASE..HIRAEncryption
// (column Encrypt): the key text encrypted under the module password, followed
// by "01". Needs a loaded module (the key store is not needed). Refuses when
// the table already holds a key of version "01" (letter case and spaces
// ignored, as the key store reads it), when the table cannot be read, or when
// the module fails; error then says why. CryptoPassword is left as it was.
bool CreateDataKey(CryptoUnit& unit, db::TADOConnection& connection, std::string& error);

}  // namespace jc::crypto
