#include "Siv.h"

#include <cstring>

namespace iic {

namespace {

// Doubling in GF(2^128) (RFC 5297 section 2.3; RFC 4493's subkey step).
void Dbl(const unsigned char* in, unsigned char* out) {
  const unsigned char carry = in[0] >> 7;
  for (std::size_t i = 0; i + 1 < kBlockBytes; ++i)
    out[i] = static_cast<unsigned char>((in[i] << 1) | (in[i + 1] >> 7));
  out[kBlockBytes - 1] = static_cast<unsigned char>((in[kBlockBytes - 1] << 1) ^ (carry ? 0x87 : 0));
}

void Xor(unsigned char* into, const unsigned char* from, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) into[i] ^= from[i];
}

// Clears what a failed or finished step left, whatever happens.
struct WipeAtEnd {
  void* data;
  std::size_t size;
  ~WipeAtEnd() { Wipe(data, size); }
};

}  // namespace

Siv::Siv(std::unique_ptr<BlockCipher> mac, std::unique_ptr<BlockCipher> ctr)
    : mac_(std::move(mac)), ctr_(std::move(ctr)) {}

Siv::~Siv() {
  Wipe(k1_, sizeof k1_);
  Wipe(k2_, sizeof k2_);
  Wipe(zero_, sizeof zero_);
}

bool Siv::Init() {
  if (!mac_ || !ctr_) return false;
  unsigned char l[kBlockBytes] = {};
  WipeAtEnd wipe{l, sizeof l};
  if (!mac_->Encrypt(l, l)) return false;
  Dbl(l, k1_);
  Dbl(k1_, k2_);
  const unsigned char zero[kBlockBytes] = {};
  return Cmac(zero, kBlockBytes, zero_);
}

// AES-CMAC (RFC 4493) under the mac key.
bool Siv::Cmac(const unsigned char* data, std::size_t n, unsigned char* mac) {
  unsigned char x[kBlockBytes] = {};
  unsigned char last[kBlockBytes] = {};
  WipeAtEnd wipeX{x, sizeof x}, wipeLast{last, sizeof last};
  const std::size_t blocks = n == 0 ? 1 : (n + kBlockBytes - 1) / kBlockBytes;
  for (std::size_t b = 0; b + 1 < blocks; ++b) {
    Xor(x, data + b * kBlockBytes, kBlockBytes);
    if (!mac_->Encrypt(x, x)) return false;
  }
  const std::size_t rest = n - (blocks - 1) * kBlockBytes;
  if (rest) std::memcpy(last, data + (blocks - 1) * kBlockBytes, rest);
  if (rest == kBlockBytes) {
    Xor(last, k1_, kBlockBytes);
  } else {
    last[rest] = 0x80;  // padding 10*
    Xor(last, k2_, kBlockBytes);
  }
  Xor(x, last, kBlockBytes);
  return mac_->Encrypt(x, mac);
}

bool Siv::S2v(std::initializer_list<Bytes> ad, const unsigned char* plain, std::size_t n, unsigned char* v) {
  unsigned char d[kBlockBytes], mac[kBlockBytes];
  WipeAtEnd wipeD{d, sizeof d}, wipeMac{mac, sizeof mac};
  std::memcpy(d, zero_, kBlockBytes);
  for (const Bytes& s : ad) {
    if (!Cmac(s.data, s.size, mac)) return false;
    Dbl(d, d);
    Xor(d, mac, kBlockBytes);
  }
  if (n >= kBlockBytes) {
    // T = plain xorend D: D xored into the last 16 bytes.
    unsigned char* t = new unsigned char[n];
    std::memcpy(t, plain, n);
    Xor(t + n - kBlockBytes, d, kBlockBytes);
    const bool ok = Cmac(t, n, v);
    Wipe(t, n);
    delete[] t;
    return ok;
  }
  // T = dbl(D) xor pad(plain)
  unsigned char t[kBlockBytes] = {};
  WipeAtEnd wipeT{t, sizeof t};
  if (n) std::memcpy(t, plain, n);
  t[n] = 0x80;
  Dbl(d, d);
  Xor(t, d, kBlockBytes);
  return Cmac(t, kBlockBytes, v);
}

bool Siv::Ctr(const unsigned char* v, const unsigned char* in, std::size_t n, unsigned char* out) {
  unsigned char q[kBlockBytes], stream[kBlockBytes];
  WipeAtEnd wipeQ{q, sizeof q}, wipeStream{stream, sizeof stream};
  std::memcpy(q, v, kBlockBytes);
  q[8] &= 0x7F;  // the counter's bits 63 and 31 cleared (RFC 5297 section 2.5)
  q[12] &= 0x7F;
  for (std::size_t done = 0; done < n; done += kBlockBytes) {
    if (!ctr_->Encrypt(q, stream)) return false;
    const std::size_t take = n - done < kBlockBytes ? n - done : kBlockBytes;
    for (std::size_t i = 0; i < take; ++i) out[done + i] = static_cast<unsigned char>(in[done + i] ^ stream[i]);
    for (std::size_t i = kBlockBytes; i-- > 0;)  // big-endian increment, modulo 2^128
      if (++q[i] != 0) break;
  }
  return true;
}

bool Siv::Seal(std::initializer_list<Bytes> ad, const unsigned char* plain, std::size_t n, unsigned char* out) {
  unsigned char v[kBlockBytes];
  if (!S2v(ad, plain, n, v)) return false;
  std::memcpy(out, v, kBlockBytes);
  return Ctr(v, plain, n, out + kBlockBytes);
}

bool Siv::Open(std::initializer_list<Bytes> ad, const unsigned char* in, std::size_t n, unsigned char* out) {
  if (n < kBlockBytes) return false;
  const std::size_t body = n - kBlockBytes;
  unsigned char t[kBlockBytes];
  WipeAtEnd wipeT{t, sizeof t};
  if (!Ctr(in, in + kBlockBytes, body, out) || !S2v(ad, out, body, t)) {
    Wipe(out, body);
    return false;
  }
  unsigned char diff = 0;  // compared in constant time
  for (std::size_t i = 0; i < kBlockBytes; ++i) diff = static_cast<unsigned char>(diff | (t[i] ^ in[i]));
  if (diff != 0) {
    Wipe(out, body);
    return false;
  }
  return true;
}

}  // namespace iic
