// The module's cipher from OpenSSL: its own AES-256-SIV and PBKDF2.
#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <new>

#include "IndvInfmCrypto.h"
#include "ModuleCipher.h"
#include "Siv.h"

namespace iic {

struct Engine {
  EVP_CIPHER* cipher = nullptr;
  EVP_CIPHER_CTX* work = nullptr;
};

// A keyed template context per direction, copied for each operation:
// re-initialising a keyed SIV context gives wrong output for the messages
// that follow.
struct Key {
  EVP_CIPHER_CTX* encryptTemplate = nullptr;
  EVP_CIPHER_CTX* decryptTemplate = nullptr;
};

void Wipe(void* data, std::size_t size) {
  if (size != 0) OPENSSL_cleanse(data, size);
}

Engine* NewEngine() {
  Engine* e = new (std::nothrow) Engine;
  if (!e) return nullptr;
  e->cipher = EVP_CIPHER_fetch(nullptr, "AES-256-SIV", nullptr);
  e->work = EVP_CIPHER_CTX_new();
  if (!e->cipher || !e->work) {
    FreeEngine(e);
    return nullptr;
  }
  return e;
}

void FreeEngine(Engine* e) {
  if (!e) return;
  EVP_CIPHER_CTX_free(e->work);
  EVP_CIPHER_free(e->cipher);
  delete e;
}

Key* DeriveKey(Engine* e, const char* password, std::size_t length) {
  unsigned char material[kKeyBytes];
  if (PKCS5_PBKDF2_HMAC(password, static_cast<int>(length), kSalt, static_cast<int>(kSaltBytes), IIC_KDF_ITERATIONS,
                        EVP_sha256(), static_cast<int>(kKeyBytes), material) != 1) {
    Wipe(material, sizeof material);
    return nullptr;
  }
  Key* k = new (std::nothrow) Key;
  bool ok = k != nullptr;
  if (ok) {
    k->encryptTemplate = EVP_CIPHER_CTX_new();
    k->decryptTemplate = EVP_CIPHER_CTX_new();
    ok = k->encryptTemplate && k->decryptTemplate &&
         EVP_EncryptInit_ex2(k->encryptTemplate, e->cipher, material, nullptr, nullptr) == 1 &&
         EVP_DecryptInit_ex2(k->decryptTemplate, e->cipher, material, nullptr, nullptr) == 1;
  }
  Wipe(material, sizeof material);
  if (!ok) {
    FreeKey(k);
    return nullptr;
  }
  return k;
}

void FreeKey(Key* k) {
  if (!k) return;
  EVP_CIPHER_CTX_free(k->encryptTemplate);  // clears the key schedule it holds
  EVP_CIPHER_CTX_free(k->decryptTemplate);
  delete k;
}

bool Seal(Engine* e, Key* k, const unsigned char* in, std::size_t n, unsigned char* out) {
  int len = 0, fin = 0;
  return EVP_CIPHER_CTX_copy(e->work, k->encryptTemplate) == 1 &&
         EVP_EncryptUpdate(e->work, out + kTagBytes, &len, in, static_cast<int>(n)) == 1 &&
         EVP_EncryptFinal_ex(e->work, out + kTagBytes + len, &fin) == 1 &&
         EVP_CIPHER_CTX_ctrl(e->work, EVP_CTRL_AEAD_GET_TAG, static_cast<int>(kTagBytes), out) == 1 &&
         static_cast<std::size_t>(len + fin) == n;
}

bool Open(Engine* e, Key* k, const unsigned char* in, std::size_t n, unsigned char* out) {
  if (n < kTagBytes + 1) return false;
  const std::size_t bodyLen = n - kTagBytes;
  int len = 0, fin = 0;
  unsigned char tag[kTagBytes];
  for (std::size_t i = 0; i < kTagBytes; ++i) tag[i] = in[i];
  return EVP_CIPHER_CTX_copy(e->work, k->decryptTemplate) == 1 &&
         EVP_CIPHER_CTX_ctrl(e->work, EVP_CTRL_AEAD_SET_TAG, static_cast<int>(kTagBytes), tag) == 1 &&
         EVP_DecryptUpdate(e->work, out, &len, in + kTagBytes, static_cast<int>(bodyLen)) == 1 &&
         EVP_DecryptFinal_ex(e->work, out + len, &fin) == 1 && static_cast<std::size_t>(len + fin) == bodyLen;
}

namespace {

// AES in ECB mode under one key, a block at a time.
class OpenSslAes : public BlockCipher {
 public:
  ~OpenSslAes() override { EVP_CIPHER_CTX_free(ctx_); }
  bool Init(const unsigned char* key, std::size_t size) {
    const EVP_CIPHER* cipher = size == 16 ? EVP_aes_128_ecb() : size == 24 ? EVP_aes_192_ecb() : size == 32 ? EVP_aes_256_ecb() : nullptr;
    ctx_ = EVP_CIPHER_CTX_new();
    return cipher && ctx_ && EVP_EncryptInit_ex2(ctx_, cipher, key, nullptr, nullptr) == 1 &&
           EVP_CIPHER_CTX_set_padding(ctx_, 0) == 1;
  }
  bool Encrypt(const unsigned char* in, unsigned char* out) override {
    unsigned char block[kBlockBytes];
    for (std::size_t i = 0; i < kBlockBytes; ++i) block[i] = in[i];
    int len = 0;
    const bool ok = EVP_EncryptUpdate(ctx_, out, &len, block, kBlockBytes) == 1 && len == kBlockBytes;
    Wipe(block, sizeof block);
    return ok;
  }

 private:
  EVP_CIPHER_CTX* ctx_ = nullptr;
};

}  // namespace

std::unique_ptr<Siv> NewComposedSiv(const unsigned char* key, std::size_t size) {
  auto mac = std::make_unique<OpenSslAes>();
  auto ctr = std::make_unique<OpenSslAes>();
  if (!mac->Init(key, size / 2) || !ctr->Init(key + size / 2, size / 2)) return nullptr;
  auto siv = std::make_unique<Siv>(std::move(mac), std::move(ctr));
  if (!siv->Init()) return nullptr;
  return siv;
}

}  // namespace iic
