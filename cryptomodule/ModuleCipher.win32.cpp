// The module's cipher from the system's CNG (bcrypt): AES blocks, PBKDF2 and
// wiping; SIV itself is composed from the AES block (Siv.h), since CNG has
// no SIV mode.
#include <windows.h>
#include <bcrypt.h>

#include <memory>
#include <new>

#include "IndvInfmCrypto.h"
#include "ModuleCipher.h"
#include "Siv.h"

namespace iic {

namespace {

bool Ok(NTSTATUS status) { return status >= 0; }

// AES in ECB mode under one key: a key object of CNG.
class CngAes : public BlockCipher {
 public:
  ~CngAes() override {
    if (key_) BCryptDestroyKey(key_);
  }
  bool Init(BCRYPT_ALG_HANDLE aes, const unsigned char* key, std::size_t size) {
    return Ok(BCryptGenerateSymmetricKey(aes, &key_, nullptr, 0, const_cast<PUCHAR>(key), static_cast<ULONG>(size), 0));
  }
  bool Encrypt(const unsigned char* in, unsigned char* out) override {
    unsigned char block[kBlockBytes];
    for (std::size_t i = 0; i < kBlockBytes; ++i) block[i] = in[i];
    ULONG done = 0;
    const bool ok = Ok(BCryptEncrypt(key_, block, kBlockBytes, nullptr, nullptr, 0, out, kBlockBytes, &done, 0)) &&
                    done == kBlockBytes;
    Wipe(block, sizeof block);
    return ok;
  }

 private:
  BCRYPT_KEY_HANDLE key_ = nullptr;
};

}  // namespace

struct Engine {
  BCRYPT_ALG_HANDLE aes = nullptr;     // AES, ECB
  BCRYPT_ALG_HANDLE hmac = nullptr;    // SHA-256 for HMAC (PBKDF2)
};

struct Key {
  std::unique_ptr<Siv> siv;
};

void Wipe(void* data, std::size_t size) {
  if (size != 0) SecureZeroMemory(data, size);
}

Engine* NewEngine() {
  Engine* e = new (std::nothrow) Engine;
  if (!e) return nullptr;
  const bool ok =
      Ok(BCryptOpenAlgorithmProvider(&e->aes, BCRYPT_AES_ALGORITHM, nullptr, 0)) &&
      Ok(BCryptSetProperty(e->aes, BCRYPT_CHAINING_MODE, reinterpret_cast<PUCHAR>(const_cast<wchar_t*>(BCRYPT_CHAIN_MODE_ECB)),
                           sizeof(BCRYPT_CHAIN_MODE_ECB), 0)) &&
      Ok(BCryptOpenAlgorithmProvider(&e->hmac, BCRYPT_SHA256_ALGORITHM, nullptr, BCRYPT_ALG_HANDLE_HMAC_FLAG));
  if (!ok) {
    FreeEngine(e);
    return nullptr;
  }
  return e;
}

void FreeEngine(Engine* e) {
  if (!e) return;
  if (e->aes) BCryptCloseAlgorithmProvider(e->aes, 0);
  if (e->hmac) BCryptCloseAlgorithmProvider(e->hmac, 0);
  delete e;
}

Key* DeriveKey(Engine* e, const char* password, std::size_t length) {
  unsigned char material[kKeyBytes];
  // CNG takes the password as bytes; an empty one as no bytes at all.
  unsigned char none = 0;
  const PUCHAR bytes = length ? reinterpret_cast<PUCHAR>(const_cast<char*>(password)) : &none;
  bool ok = Ok(BCryptDeriveKeyPBKDF2(e->hmac, bytes, static_cast<ULONG>(length), const_cast<PUCHAR>(kSalt),
                                     static_cast<ULONG>(kSaltBytes), IIC_KDF_ITERATIONS, material, kKeyBytes, 0));
  Key* k = nullptr;
  if (ok) {
    // K1 (the first half) keys S2V, K2 the counter mode, as RFC 5297 has it.
    auto mac = std::make_unique<CngAes>();
    auto ctr = std::make_unique<CngAes>();
    ok = mac->Init(e->aes, material, kKeyBytes / 2) && ctr->Init(e->aes, material + kKeyBytes / 2, kKeyBytes / 2);
    if (ok) {
      k = new (std::nothrow) Key;
      if (k) {
        k->siv = std::make_unique<Siv>(std::move(mac), std::move(ctr));
        ok = k->siv->Init();
      }
      ok = ok && k;
    }
  }
  Wipe(material, sizeof material);
  if (!ok) {
    FreeKey(k);
    return nullptr;
  }
  return k;
}

void FreeKey(Key* k) { delete k; }

std::unique_ptr<Siv> NewComposedSiv(const unsigned char* key, std::size_t size) {
  Engine* e = NewEngine();
  if (!e) return nullptr;
  auto mac = std::make_unique<CngAes>();
  auto ctr = std::make_unique<CngAes>();
  std::unique_ptr<Siv> siv;
  if (mac->Init(e->aes, key, size / 2) && ctr->Init(e->aes, key + size / 2, size / 2)) {
    siv = std::make_unique<Siv>(std::move(mac), std::move(ctr));
    if (!siv->Init()) siv.reset();
  }
  FreeEngine(e);  // the keys made from it stay usable
  return siv;
}

bool Seal(Engine*, Key* k, const unsigned char* in, std::size_t n, unsigned char* out) {
  return k->siv->Seal({}, in, n, out);
}

bool Open(Engine*, Key* k, const unsigned char* in, std::size_t n, unsigned char* out) {
  return k->siv->Open({}, in, n, out);
}

}  // namespace iic
