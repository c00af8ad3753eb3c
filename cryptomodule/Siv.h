// SIV (RFC 5297: S2V over AES-CMAC, then AES-CTR) composed from the AES
// block alone, for a system whose cipher library has AES but neither SIV
// nor, everywhere, CMAC (the module on Windows, where CNG has no SIV and
// Wine's CNG no CMAC). The bytes are RFC 5297's: tag V first, then the
// ciphertext.
#ifndef INDVINFMCRYPTO_SIV_H
#define INDVINFMCRYPTO_SIV_H

#include <cstddef>
#include <initializer_list>
#include <memory>

namespace iic {

inline constexpr std::size_t kBlockBytes = 16;

// One AES key's block encryption (ECB, one block at a time).
class BlockCipher {
 public:
  virtual ~BlockCipher() = default;
  // out := AES(key, in); false when the library failed. in and out may be
  // the same block.
  virtual bool Encrypt(const unsigned char* in, unsigned char* out) = 0;
};

// A byte string handed to S2V: associated data, or the plaintext (last).
struct Bytes {
  const unsigned char* data;
  std::size_t size;
};

class Siv {
 public:
  // mac: the block cipher under K1 (S2V), ctr: under K2 (CTR), where the SIV
  // key is K1 || K2.
  Siv(std::unique_ptr<BlockCipher> mac, std::unique_ptr<BlockCipher> ctr);
  ~Siv();
  Siv(const Siv&) = delete;
  Siv& operator=(const Siv&) = delete;

  // Derives the CMAC subkeys and S2V's first value. False when the library failed.
  bool Init();
  // out := V (16 bytes) then the n encrypted bytes of plain.
  bool Seal(std::initializer_list<Bytes> ad, const unsigned char* plain, std::size_t n, unsigned char* out);
  // out := the n - 16 plaintext bytes of in (V first). False when V does not
  // authenticate them, or the library failed; out is then wiped.
  bool Open(std::initializer_list<Bytes> ad, const unsigned char* in, std::size_t n, unsigned char* out);

 private:
  bool Cmac(const unsigned char* data, std::size_t n, unsigned char* mac);
  bool S2v(std::initializer_list<Bytes> ad, const unsigned char* plain, std::size_t n, unsigned char* v);
  bool Ctr(const unsigned char* v, const unsigned char* in, std::size_t n, unsigned char* out);

  std::unique_ptr<BlockCipher> mac_;
  std::unique_ptr<BlockCipher> ctr_;
  unsigned char k1_[kBlockBytes] = {};    // CMAC subkeys
  unsigned char k2_[kBlockBytes] = {};
  unsigned char zero_[kBlockBytes] = {};  // CMAC of the zero block: S2V's start
};

// Overwrites secret memory in a way the compiler keeps (ModuleCipher's Wipe).
void Wipe(void* data, std::size_t size);

}  // namespace iic

#endif
