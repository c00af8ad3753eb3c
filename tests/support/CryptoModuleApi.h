#pragma once
// Direct access to a crypto module file for tests: loads it the way the tool
// does (every symbol resolved at once), binds the twelve entry points by name
// and offers typed calls on one context.
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>

#include "cryptomodule/IndvInfmCrypto.h"
#include "support/SharedLibrary.h"

namespace jc::test {

// The contract's entry points in binding order.
inline constexpr const char* kCryptoEntryPointNames[12] = {
    "initialize",          "release",             "getErrorCode",          "getErrorMessage",
    "encodeBase64",        "decodeBase64",        "encryptDataWithKey",    "decryptDataWithKey",
    "encryptDataWithCert", "decryptDataWithCert", "setEncryptionPassword", "setCertViewPolicy"};

class CryptoModuleApi {
 public:
  struct EntryPoints {
    IIC_initialize_fn initialize = nullptr;
    IIC_release_fn release = nullptr;
    IIC_getErrorCode_fn getErrorCode = nullptr;
    IIC_getErrorMessage_fn getErrorMessage = nullptr;
    IIC_encodeBase64_fn encodeBase64 = nullptr;
    IIC_decodeBase64_fn decodeBase64 = nullptr;
    IIC_encryptDataWithKey_fn encryptDataWithKey = nullptr;
    IIC_decryptDataWithKey_fn decryptDataWithKey = nullptr;
    IIC_encryptDataWithCert_fn encryptDataWithCert = nullptr;
    IIC_decryptDataWithCert_fn decryptDataWithCert = nullptr;
    IIC_setEncryptionPassword_fn setEncryptionPassword = nullptr;
    IIC_setCertViewPolicy_fn setCertViewPolicy = nullptr;
  };

  explicit CryptoModuleApi(const std::string& path) : library_(path) {
    if (!library_.Loaded()) throw std::runtime_error("cannot load " + path + ": " + library_.Error());
    void* slots[12];
    for (int i = 0; i < 12; ++i) {
      slots[i] = library_.Symbol(kCryptoEntryPointNames[i]);
      if (!slots[i]) throw std::runtime_error(std::string("entry point missing: ") + kCryptoEntryPointNames[i]);
    }
    static_assert(sizeof(EntryPoints) == sizeof slots);
    std::memcpy(&ep, slots, sizeof slots);
    if (ep.initialize(&context) != 0) throw std::runtime_error("initialize failed");
  }
  ~CryptoModuleApi() {
    if (ep.release) ep.release(&context);
  }
  CryptoModuleApi(const CryptoModuleApi&) = delete;
  CryptoModuleApi& operator=(const CryptoModuleApi&) = delete;

  // An extra symbol of the module (test modules export helpers).
  void* Symbol(const char* name) const { return library_.Symbol(name); }

  struct Bytes {
    int32_t rc = -1;
    std::string data;  // the bytes handed out (count as reported)
    const unsigned char* pointer = nullptr;
  };

  int32_t SetPassword(const std::string& password) { return ep.setEncryptionPassword(context, password.c_str()); }

  Bytes Encrypt(std::string_view plain) {
    Bytes b;
    int32_t n = 0;
    b.rc = ep.encryptDataWithKey(context, reinterpret_cast<const unsigned char*>(plain.data()),
                                 static_cast<int32_t>(plain.size()), &b.pointer, &n);
    if (b.pointer) b.data.assign(reinterpret_cast<const char*>(b.pointer), n);
    return b;
  }
  Bytes Decrypt(std::string_view cipher) {
    Bytes b;
    int32_t n = 0;
    b.rc = ep.decryptDataWithKey(context, reinterpret_cast<const unsigned char*>(cipher.data()),
                                 static_cast<int32_t>(cipher.size()), &b.pointer, &n);
    if (b.pointer) b.data.assign(reinterpret_cast<const char*>(b.pointer), n);
    return b;
  }
  std::string Encode(std::string_view data) {
    const char* text = nullptr;
    ep.encodeBase64(context, reinterpret_cast<const unsigned char*>(data.data()), static_cast<int32_t>(data.size()),
                    &text);
    return text ? text : "";
  }
  Bytes Decode(const std::string& text) {
    Bytes b;
    int32_t n = 0;
    b.rc = ep.decodeBase64(context, text.c_str(), &b.pointer, &n);
    if (b.pointer) b.data.assign(reinterpret_cast<const char*>(b.pointer), n);
    return b;
  }
  int32_t ErrorCode(int32_t arg = 0) { return ep.getErrorCode(context, arg); }
  std::string ErrorMessage() {
    const char* m = nullptr;
    ep.getErrorMessage(context, &m);
    return m ? m : "";
  }

  // The body of a stored value as the codec makes it: the ANSI bytes of the
  // text followed by zero bytes up to twice its length in characters,
  // encrypted under password, in base64. Empty when the module refuses.
  std::string Body(const std::string& ansiText, std::size_t characters, const std::string& password) {
    std::string plain = ansiText;
    if (plain.size() < 2 * characters) plain.resize(2 * characters, '\0');
    SetPassword(password);
    Bytes c = Encrypt(plain);
    return c.rc == 0 ? Encode(c.data) : std::string();
  }
  // Body of an ASCII text (one byte per character).
  std::string Body(const std::string& ascii, const std::string& password) {
    return Body(ascii, ascii.size(), password);
  }

  EntryPoints ep;
  IIC_CONTEXT context = nullptr;

 private:
  SharedLibrary library_;
};

}  // namespace jc::test
