// The personal-information crypto module: AES-256-SIV under a PBKDF2-derived
// key (ModuleCipher.h), strict base64, per-context buffers and error state.
// See IndvInfmCrypto.h for the contract each entry point honours.
#include "IndvInfmCrypto.h"

#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "ModuleCipher.h"

namespace {

constexpr std::size_t kCacheSlots = 4;

constexpr unsigned char kHeaderWhole = 0;      // the plaintext follows as it is
constexpr unsigned char kHeaderZeroHalf = 1;   // first half follows; second half was all zero

// Bytes kept secret for the life of the context: wiped whenever released or
// reused for something else.
class SecureBytes {
 public:
  SecureBytes() = default;
  SecureBytes(const SecureBytes&) = delete;
  SecureBytes& operator=(const SecureBytes&) = delete;
  ~SecureBytes() { Wipe(); }

  void Wipe() {
    if (!data_.empty()) iic::Wipe(data_.data(), data_.size());
    data_.clear();
  }
  // Resizes to n bytes (+ one NUL after them), wiping what was there first.
  unsigned char* Reset(std::size_t n) {
    if (!data_.empty()) iic::Wipe(data_.data(), data_.size());
    if (data_.capacity() < n + 1) {
      std::vector<unsigned char> bigger;
      bigger.reserve(n + 1 < 64 ? 64 : n + 1);
      data_.swap(bigger);
    }
    data_.assign(n + 1, 0);
    return data_.data();
  }
  unsigned char* data() { return data_.data(); }
  std::size_t size() const { return data_.empty() ? 0 : data_.size() - 1; }
  void swap(SecureBytes& other) { data_.swap(other.data_); }

 private:
  std::vector<unsigned char> data_;
};

struct KeySlot {
  bool used = false;
  std::string password;  // wiped on eviction
  iic::Key* key = nullptr;
  unsigned long long lastUse = 0;

  void Clear() {
    if (!password.empty()) iic::Wipe(password.data(), password.size());
    password.clear();
    password.shrink_to_fit();
    iic::FreeKey(key);
    key = nullptr;
    used = false;
    lastUse = 0;
  }
};

struct Context {
  iic::Engine* engine = nullptr;
  KeySlot slots[kCacheSlots];
  KeySlot* current = nullptr;
  unsigned long long clock = 0;

  int32_t errorCode = IIC_OK;
  std::string errorText;

  // One buffer per entry point that hands out a pointer, plus scratch space
  // so that an input may alias the previous output of the same entry point.
  std::string messageOut;
  std::string base64Out;
  std::string base64Scratch;
  SecureBytes decodeOut;
  SecureBytes encryptOut;
  SecureBytes decryptOut;
  SecureBytes scratch;
  SecureBytes scratch2;

  ~Context() {
    for (KeySlot& s : slots) s.Clear();
    iic::FreeEngine(engine);
    if (!base64Out.empty()) iic::Wipe(base64Out.data(), base64Out.size());
  }
};

int32_t Fail(Context* c, int32_t code, const char* text) {
  c->errorCode = code;
  c->errorText = text;
  return code;
}

Context* AsContext(IIC_CONTEXT context) { return static_cast<Context*>(context); }

// ---- base64 (RFC 4648, padded, strict) ----

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

struct DecodeTable {
  signed char v[256];
  constexpr DecodeTable() : v() {
    for (int i = 0; i < 256; ++i) v[i] = -1;
    for (int i = 0; i < 64; ++i) v[static_cast<unsigned char>(kAlphabet[i])] = static_cast<signed char>(i);
  }
};
constexpr DecodeTable kDecode;

void EncodeBase64To(const unsigned char* in, std::size_t n, std::string& out) {
  out.resize((n + 2) / 3 * 4);
  char* o = out.data();
  std::size_t i = 0;
  for (; i + 3 <= n; i += 3) {
    unsigned v = (unsigned(in[i]) << 16) | (unsigned(in[i + 1]) << 8) | in[i + 2];
    *o++ = kAlphabet[(v >> 18) & 63];
    *o++ = kAlphabet[(v >> 12) & 63];
    *o++ = kAlphabet[(v >> 6) & 63];
    *o++ = kAlphabet[v & 63];
  }
  if (n - i == 1) {
    unsigned v = unsigned(in[i]) << 16;
    *o++ = kAlphabet[(v >> 18) & 63];
    *o++ = kAlphabet[(v >> 12) & 63];
    *o++ = '=';
    *o++ = '=';
  } else if (n - i == 2) {
    unsigned v = (unsigned(in[i]) << 16) | (unsigned(in[i + 1]) << 8);
    *o++ = kAlphabet[(v >> 18) & 63];
    *o++ = kAlphabet[(v >> 12) & 63];
    *o++ = kAlphabet[(v >> 6) & 63];
    *o++ = '=';
  }
}

// Decodes text into out; false on any deviation from the padded form.
bool DecodeBase64To(const char* text, std::size_t len, SecureBytes& out) {
  if (len % 4 != 0) return false;
  std::size_t pad = 0;
  if (len >= 4) {
    if (text[len - 1] == '=') pad = (text[len - 2] == '=') ? 2 : 1;
  }
  const std::size_t n = len / 4 * 3 - pad;
  unsigned char* o = out.Reset(n);
  const unsigned char* in = reinterpret_cast<const unsigned char*>(text);
  const std::size_t full = pad ? len - 4 : len;  // groups without padding
  for (std::size_t i = 0; i < full; i += 4) {
    int a = kDecode.v[in[i]], b = kDecode.v[in[i + 1]], c = kDecode.v[in[i + 2]], d = kDecode.v[in[i + 3]];
    if ((a | b | c | d) < 0) return false;
    unsigned v = (unsigned(a) << 18) | (unsigned(b) << 12) | (unsigned(c) << 6) | unsigned(d);
    *o++ = static_cast<unsigned char>(v >> 16);
    *o++ = static_cast<unsigned char>(v >> 8);
    *o++ = static_cast<unsigned char>(v);
  }
  if (pad) {
    const unsigned char* g = in + len - 4;
    int a = kDecode.v[g[0]], b = kDecode.v[g[1]];
    if ((a | b) < 0) return false;
    if (pad == 2) {
      if (b & 0x0F) return false;  // pad bits must be zero
      *o++ = static_cast<unsigned char>((a << 2) | (b >> 4));
    } else {
      int c = kDecode.v[g[2]];
      if (c < 0 || (c & 0x03)) return false;
      unsigned v = (unsigned(a) << 18) | (unsigned(b) << 12) | (unsigned(c) << 6);
      *o++ = static_cast<unsigned char>(v >> 16);
      *o++ = static_cast<unsigned char>(v >> 8);
    }
  }
  return true;
}

// ---- keys ----

// Finds or derives the key slot of a password; null when the library failed.
KeySlot* SlotFor(Context* c, const char* password, std::size_t len) {
  ++c->clock;
  for (KeySlot& s : c->slots) {
    if (s.used && s.password.size() == len && std::memcmp(s.password.data(), password, len) == 0) {
      s.lastUse = c->clock;
      return &s;
    }
  }
  KeySlot* victim = &c->slots[0];
  for (KeySlot& s : c->slots) {
    if (!s.used) { victim = &s; break; }
    if (s.lastUse < victim->lastUse) victim = &s;
  }
  if (c->current == victim) c->current = nullptr;
  victim->Clear();
  victim->key = iic::DeriveKey(c->engine, password, len);
  if (!victim->key) return nullptr;
  victim->password.assign(password, len);
  victim->used = true;
  victim->lastUse = c->clock;
  return victim;
}

// ---- entry points ----

int32_t DoInitialize(IIC_CONTEXT* context) {
  if (!context) return IIC_ERR_INVALID_ARGUMENT;
  *context = nullptr;
  Context* c = new (std::nothrow) Context;
  if (!c) return IIC_ERR_OUT_OF_MEMORY;
  c->engine = iic::NewEngine();
  if (!c->engine) {
    delete c;
    return IIC_ERR_CRYPTO_LIBRARY;
  }
  *context = c;
  return IIC_OK;
}

int32_t DoRelease(IIC_CONTEXT* context) {
  if (!context || !*context) return IIC_OK;
  delete AsContext(*context);
  *context = nullptr;
  return IIC_OK;
}

int32_t DoSetPassword(Context* c, const char* password) {
  if (!password) return Fail(c, IIC_ERR_INVALID_ARGUMENT, "password is null");
  const std::size_t len = std::strlen(password);
  if (len > 0x7FFFFFFF) return Fail(c, IIC_ERR_INVALID_ARGUMENT, "password too long");
  KeySlot* slot = SlotFor(c, password, len);
  if (!slot) {
    c->current = nullptr;
    return Fail(c, IIC_ERR_CRYPTO_LIBRARY, "key derivation failed");
  }
  c->current = slot;
  return IIC_OK;
}

int32_t DoEncodeBase64(Context* c, const unsigned char* data, int32_t count, const char** text) {
  if (!text || count < 0 || (!data && count > 0)) {
    if (text) *text = nullptr;
    return Fail(c, IIC_ERR_INVALID_ARGUMENT, "invalid argument to encodeBase64");
  }
  // Encoded into the spare text, then swapped in: data may be the previous text.
  EncodeBase64To(data, static_cast<std::size_t>(count), c->base64Scratch);
  c->base64Out.swap(c->base64Scratch);
  *text = c->base64Out.c_str();
  return IIC_OK;
}

int32_t DoDecodeBase64(Context* c, const char* text, const unsigned char** data, int32_t* count) {
  if (data) *data = nullptr;
  if (count) *count = 0;
  if (!text || !data || !count) return Fail(c, IIC_ERR_INVALID_ARGUMENT, "invalid argument to decodeBase64");
  const std::size_t len = std::strlen(text);
  if (len > 0x7FFFFFF0) return Fail(c, IIC_ERR_BASE64, "base64 text too long");
  // text may point into decodeOut itself: decode into scratch, then swap.
  const bool ok = DecodeBase64To(text, len, c->scratch);
  c->decodeOut.swap(c->scratch);
  if (!ok) {
    c->decodeOut.Reset(0);
    *data = c->decodeOut.data();
    return Fail(c, IIC_ERR_BASE64, "malformed base64 text");
  }
  *data = c->decodeOut.data();
  *count = static_cast<int32_t>(c->decodeOut.size());
  return IIC_OK;
}

int32_t DoEncrypt(Context* c, const unsigned char* plain, int32_t count, const unsigned char** out,
                  int32_t* outCount) {
  if (out) *out = nullptr;
  if (outCount) *outCount = 0;
  if (!out || !outCount || count < 0 || (!plain && count > 0))
    return Fail(c, IIC_ERR_INVALID_ARGUMENT, "invalid argument to encryptDataWithKey");
  if (!c->current) return Fail(c, IIC_ERR_NO_PASSWORD, "no password set");

  const std::size_t n = static_cast<std::size_t>(count);
  bool zeroHalf = (n % 2 == 0);
  for (std::size_t i = n / 2; zeroHalf && i < n; ++i) zeroHalf = plain[i] == 0;
  const std::size_t bodyLen = zeroHalf ? n / 2 : n;
  if (1 + bodyLen > IIC_MAX_COMPACT_BYTES)
    return Fail(c, IIC_ERR_INPUT_TOO_LONG, "input too long for a stored value");

  // Compacted plaintext in scratch2, ciphertext in scratch (then swapped in,
  // so plain may point into the previous output).
  unsigned char* compact = c->scratch2.Reset(1 + bodyLen);
  compact[0] = zeroHalf ? kHeaderZeroHalf : kHeaderWhole;
  if (bodyLen) std::memcpy(compact + 1, plain, bodyLen);
  unsigned char* ct = c->scratch.Reset(IIC_TAG_BYTES + 1 + bodyLen);

  const bool ok = iic::Seal(c->engine, c->current->key, compact, 1 + bodyLen, ct);
  c->scratch2.Wipe();
  if (!ok) return Fail(c, IIC_ERR_CRYPTO_LIBRARY, "encryption failed");
  c->encryptOut.swap(c->scratch);
  *out = c->encryptOut.data();
  *outCount = static_cast<int32_t>(c->encryptOut.size());
  return IIC_OK;
}

int32_t DoDecrypt(Context* c, const unsigned char* cipher, int32_t count, const unsigned char** out,
                  int32_t* outCount) {
  if (out) *out = nullptr;
  if (outCount) *outCount = 0;
  if (!out || !outCount || count < 0 || (!cipher && count > 0))
    return Fail(c, IIC_ERR_INVALID_ARGUMENT, "invalid argument to decryptDataWithKey");
  int32_t result = IIC_OK;
  unsigned char* plain = nullptr;
  std::size_t plainLen = 0;
  if (!c->current) {
    result = Fail(c, IIC_ERR_NO_PASSWORD, "no password set");
  } else if (count < IIC_TAG_BYTES + 1) {
    result = Fail(c, IIC_ERR_CIPHERTEXT_MALFORMED, "ciphertext too short");
  } else {
    const std::size_t bodyLen = static_cast<std::size_t>(count) - IIC_TAG_BYTES;
    unsigned char* compact = c->scratch2.Reset(bodyLen);
    const bool ok = iic::Open(c->engine, c->current->key, cipher, static_cast<std::size_t>(count), compact);
    if (!ok) {
      result = Fail(c, IIC_ERR_AUTHENTICATION, "wrong password or damaged ciphertext");
    } else if (compact[0] == kHeaderWhole || compact[0] == kHeaderZeroHalf) {
      const std::size_t dataLen = bodyLen - 1;
      plainLen = compact[0] == kHeaderZeroHalf ? 2 * dataLen : dataLen;
      plain = c->scratch.Reset(plainLen);  // zero-filled: the second half stays zero
      if (dataLen) std::memcpy(plain, compact + 1, dataLen);
    } else {
      result = Fail(c, IIC_ERR_CIPHERTEXT_MALFORMED, "unknown plaintext header");
    }
    c->scratch2.Wipe();
  }
  if (result != IIC_OK) {
    c->decryptOut.Reset(0);
    *out = c->decryptOut.data();
    return result;
  }
  c->decryptOut.swap(c->scratch);
  c->scratch.Wipe();
  *out = c->decryptOut.data();
  *outCount = static_cast<int32_t>(plainLen);
  return IIC_OK;
}

// Runs an entry point body, turning an escaping exception into an error code.
template <class F>
int32_t Guard(IIC_CONTEXT context, F&& body) {
  Context* c = AsContext(context);
  if (!c) return IIC_ERR_INVALID_ARGUMENT;
  try {
    return body(c);
  } catch (const std::bad_alloc&) {
    return Fail(c, IIC_ERR_OUT_OF_MEMORY, "out of memory");
  } catch (...) {
    return Fail(c, IIC_ERR_CRYPTO_LIBRARY, "internal error");
  }
}

}  // namespace

extern "C" {

IIC_EXPORT int32_t IIC_CALL initialize(IIC_CONTEXT* context) {
  try {
    return DoInitialize(context);
  } catch (...) {
    return IIC_ERR_OUT_OF_MEMORY;
  }
}

IIC_EXPORT int32_t IIC_CALL release(IIC_CONTEXT* context) { return DoRelease(context); }

IIC_EXPORT int32_t IIC_CALL getErrorCode(IIC_CONTEXT context, int32_t) {
  Context* c = AsContext(context);
  return c ? c->errorCode : IIC_ERR_INVALID_ARGUMENT;
}

IIC_EXPORT int32_t IIC_CALL getErrorMessage(IIC_CONTEXT context, const char** message) {
  if (!message) return IIC_ERR_INVALID_ARGUMENT;
  *message = nullptr;
  return Guard(context, [&](Context* c) {
    c->messageOut = c->errorText;
    *message = c->messageOut.c_str();
    return IIC_OK;
  });
}

IIC_EXPORT int32_t IIC_CALL encodeBase64(IIC_CONTEXT context, const unsigned char* data, int32_t count,
                                         const char** text) {
  return Guard(context, [&](Context* c) { return DoEncodeBase64(c, data, count, text); });
}

IIC_EXPORT int32_t IIC_CALL decodeBase64(IIC_CONTEXT context, const char* text, const unsigned char** data,
                                         int32_t* count) {
  return Guard(context, [&](Context* c) { return DoDecodeBase64(c, text, data, count); });
}

IIC_EXPORT int32_t IIC_CALL encryptDataWithKey(IIC_CONTEXT context, const unsigned char* plain, int32_t count,
                                               const unsigned char** out, int32_t* outCount) {
  return Guard(context, [&](Context* c) { return DoEncrypt(c, plain, count, out, outCount); });
}

IIC_EXPORT int32_t IIC_CALL decryptDataWithKey(IIC_CONTEXT context, const unsigned char* cipher, int32_t count,
                                               const unsigned char** out, int32_t* outCount) {
  return Guard(context, [&](Context* c) { return DoDecrypt(c, cipher, count, out, outCount); });
}

IIC_EXPORT int32_t IIC_CALL encryptDataWithCert(IIC_CONTEXT context, const unsigned char*, int32_t,
                                                const unsigned char** out, int32_t* outCount) {
  if (out) *out = nullptr;
  if (outCount) *outCount = 0;
  return Guard(context, [&](Context* c) {
    return Fail(c, IIC_ERR_NOT_SUPPORTED, "certificate encryption is not supported");
  });
}

IIC_EXPORT int32_t IIC_CALL decryptDataWithCert(IIC_CONTEXT context, const unsigned char*, int32_t,
                                                const unsigned char** out, int32_t* outCount) {
  if (out) *out = nullptr;
  if (outCount) *outCount = 0;
  return Guard(context, [&](Context* c) {
    return Fail(c, IIC_ERR_NOT_SUPPORTED, "certificate decryption is not supported");
  });
}

IIC_EXPORT int32_t IIC_CALL setEncryptionPassword(IIC_CONTEXT context, const char* password) {
  return Guard(context, [&](Context* c) { return DoSetPassword(c, password); });
}

IIC_EXPORT int32_t IIC_CALL setCertViewPolicy(IIC_CONTEXT context, int32_t) {
  return Guard(context, [&](Context* c) {
    return Fail(c, IIC_ERR_NOT_SUPPORTED, "certificate view policy is not supported");
  });
}

}  // extern "C"
