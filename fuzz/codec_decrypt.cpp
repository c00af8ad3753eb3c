// The codec's DecryptJumin on any stored value, with the real crypto module
// and a key table holding data keys of versions "01" and "02"; and, for a
// short printable text, EncryptJumin and back.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "crypto/CryptoUnit.h"
#include "support/CryptoModuleApi.h"
#include "support/CryptoUnitHarness.h"

namespace {

using jc::crypto::CryptoUnit;

// Every module loaded stays loaded for the run: libFuzzer keeps counting in
// the coverage counters of a library once it was loaded.
struct Codec {
  jc::test::CryptoModuleApi api{JC_MODULE_PATH};
  jc::test::ScriptedKeyTable table;
  std::unique_ptr<jc::test::CryptoUnitHarness> h;
  Codec() {
    table.rows = {api.Body("FuzzDataKey01", CryptoUnit::ModulePassword) + "01",
                  api.Body("FuzzDataKey02", CryptoUnit::ModulePassword) + "02"};
    h = std::make_unique<jc::test::CryptoUnitHarness>();
    h->StartUp(table.connection);
    if (!h->unit->CryptoLoaded || h->unit->EncryptJumin("").empty()) std::abort();
  }
};

Codec& TheCodec() {
  static Codec* codec = new Codec;  // never unloaded (see above)
  return *codec;
}

bool ShortPrintable(const std::string& s) {
  if (s.empty() || s.size() > 19) return false;
  for (unsigned char c : s)
    if (c < 0x20 || c > 0x7E) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 4096) return 0;
  Codec& codec = TheCodec();
  CryptoUnit& unit = *codec.h->unit;
  const std::string value(reinterpret_cast<const char*>(data), size);
  (void)unit.DecryptJumin(value);
  if (ShortPrintable(value)) {
    const std::string stored = unit.EncryptJumin(value);
    if (stored.size() <= 2 || unit.DecryptJumin(stored) != value) std::abort();
  }
  codec.h->shell.messages.clear();
  return 0;
}
