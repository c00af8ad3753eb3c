// The cipher of the module, behind one interface with one implementation per
// platform: OpenSSL on Linux (ModuleCipher.posix.cpp), the system's CNG on
// Windows (ModuleCipher.win32.cpp). Both give the same bytes: AES-256-SIV
// (RFC 5297, no associated data) under a 64-byte key derived from the
// password with PBKDF2-HMAC-SHA256 (fixed salt, IIC_KDF_ITERATIONS rounds).
#ifndef INDVINFMCRYPTO_MODULECIPHER_H
#define INDVINFMCRYPTO_MODULECIPHER_H

#include <cstddef>
#include <cstdint>
#include <memory>

namespace iic {

class Siv;

// Fixed salt of the password derivation; changing it (or the iteration
// count) makes every stored value unreadable.
inline constexpr unsigned char kSalt[] = "IndvInfmCrypto/AES-256-SIV/1";
inline constexpr std::size_t kSaltBytes = sizeof kSalt - 1;
inline constexpr std::size_t kKeyBytes = 64;  // AES-256-SIV takes two 256-bit keys
inline constexpr std::size_t kTagBytes = 16;

// Overwrites secret memory in a way the compiler keeps.
void Wipe(void* data, std::size_t size);

// What one context needs of the cipher library (handles, scratch state).
// Null when the library cannot give it.
struct Engine;
Engine* NewEngine();
void FreeEngine(Engine* engine);

// The key of one password, ready for both directions; wiped when freed.
// Null when the library failed.
struct Key;
Key* DeriveKey(Engine* engine, const char* password, std::size_t length);
void FreeKey(Key* key);

// out := the 16-byte SIV tag, then the n encrypted bytes of in. n >= 1.
bool Seal(Engine* engine, Key* key, const unsigned char* in, std::size_t n, unsigned char* out);
// out := the n - 16 plaintext bytes of in (tag first). False when the tag
// does not authenticate (wrong password, altered bytes) or the library failed.
bool Open(Engine* engine, Key* key, const unsigned char* in, std::size_t n, unsigned char* out);

// An SIV (Siv.h) composed from this platform's AES under key (K1 || K2:
// 32, 48 or 64 bytes), initialised; null when the library failed. The
// module on Windows works through one; the tests check the composition with
// it everywhere.
std::unique_ptr<Siv> NewComposedSiv(const unsigned char* key, std::size_t size);

}  // namespace iic

#endif
