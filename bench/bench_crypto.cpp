// Cost of one EncryptJumin / DecryptJumin call against the module's bare work
// for the same bytes (set the cached password, encrypt + base64, or base64
// decode + decrypt), measured in the same run. Each codec call makes two
// passes through the module (the data key, then the value), so a ratio a
// little above 2 is the floor.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "crypto/CryptoUnit.h"
#include "support/CryptoModuleApi.h"
#include "support/CryptoUnitHarness.h"

namespace {

using jc::crypto::CryptoUnit;

const std::string kNumber = "9001011234567";
const std::string kDataKey = "AbCdEfGhIjKlMnOpQrS";

// One loaded unit with a one-key table, shared by the codec benchmarks.
struct Codec {
  Codec() {
    jc::test::CryptoModuleApi api(JC_MODULE_PATH);
    table = std::make_unique<jc::test::ScriptedKeyTable>(
        std::vector<jc::db::Cell>{api.Body(kDataKey, CryptoUnit::ModulePassword) + "01"});
    harness = std::make_unique<jc::test::CryptoUnitHarness>();
    harness->StartUp(table->connection);
    (void)harness->unit->EncryptJumin("");  // start-up's warm-up: reads the key table
    stored = harness->unit->EncryptJumin(kNumber);
    if (stored.size() != 42 || harness->unit->DecryptJumin(stored) != kNumber) std::abort();
  }
  std::unique_ptr<jc::test::ScriptedKeyTable> table;
  std::unique_ptr<jc::test::CryptoUnitHarness> harness;
  std::string stored;
};

Codec& TheCodec() {
  static Codec codec;
  return codec;
}

void BM_EncryptJumin(benchmark::State& state) {
  Codec& c = TheCodec();
  for (auto _ : state) benchmark::DoNotOptimize(c.harness->unit->EncryptJumin(kNumber));
}
BENCHMARK(BM_EncryptJumin);

void BM_DecryptJumin(benchmark::State& state) {
  Codec& c = TheCodec();
  for (auto _ : state) benchmark::DoNotOptimize(c.harness->unit->DecryptJumin(c.stored));
}
BENCHMARK(BM_DecryptJumin);

// The module alone, on the codec's 26-byte plaintext of a 13-character number.
struct Bare {
  Bare() : api(JC_MODULE_PATH), plain(kNumber + std::string(13, '\0')) {
    api.SetPassword(kDataKey);
    body = api.Encode(api.Encrypt(plain).data);
  }
  jc::test::CryptoModuleApi api;
  std::string plain;
  std::string body;
};

Bare& TheBare() {
  static Bare bare;
  return bare;
}

void BM_ModuleEncryptBase64(benchmark::State& state) {
  Bare& b = TheBare();
  const unsigned char* out = nullptr;
  int32_t n = 0;
  const char* text = nullptr;
  for (auto _ : state) {
    b.api.ep.setEncryptionPassword(b.api.context, kDataKey.c_str());
    b.api.ep.encryptDataWithKey(b.api.context, reinterpret_cast<const unsigned char*>(b.plain.data()), 26, &out, &n);
    b.api.ep.encodeBase64(b.api.context, out, n, &text);
    benchmark::DoNotOptimize(text);
  }
}
BENCHMARK(BM_ModuleEncryptBase64);

void BM_ModuleDecodeDecrypt(benchmark::State& state) {
  Bare& b = TheBare();
  const unsigned char* data = nullptr;
  const unsigned char* out = nullptr;
  int32_t n = 0, m = 0;
  for (auto _ : state) {
    b.api.ep.setEncryptionPassword(b.api.context, kDataKey.c_str());
    b.api.ep.decodeBase64(b.api.context, b.body.c_str(), &data, &n);
    b.api.ep.decryptDataWithKey(b.api.context, data, n, &out, &m);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_ModuleDecodeDecrypt);

// Setting a password already in the context's cache: both passwords are set
// once before the timing, so the 600 000-round derivation of a password not
// yet cached is not what is timed.
void BM_ModuleSetCachedPassword(benchmark::State& state) {
  Bare& b = TheBare();
  b.api.ep.setEncryptionPassword(b.api.context, CryptoUnit::ModulePassword);
  b.api.ep.setEncryptionPassword(b.api.context, kDataKey.c_str());
  for (auto _ : state) {
    b.api.ep.setEncryptionPassword(b.api.context, CryptoUnit::ModulePassword);
    b.api.ep.setEncryptionPassword(b.api.context, kDataKey.c_str());
  }
  state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(BM_ModuleSetCachedPassword);

}  // namespace

BENCHMARK_MAIN();
