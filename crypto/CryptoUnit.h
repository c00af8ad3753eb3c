#pragma once
// The tool's crypto state, one per process in the product: the loaded module
// and its twelve entry points, the context, CryptoLoaded, CryptoPassword and
// the key store HIRACrypto, with the codec operations on top.
//
// The codec runs on one thread; a unit is not shared between threads.
#include <functional>
#include <memory>
#include <string>

#include "common/HostPath.h"
#include "crypto/Codec.h"
#include "crypto/SecretText.h"
#include "cryptomodule/IndvInfmCrypto.h"

namespace jc::db { class TADOConnection; }
namespace jc { class Shell; }

namespace jc::crypto {

class THIRAEncryption_CLASS;

// The module's entry points, in binding order; null until bound.
struct TCryptoEntryPoints {
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

  static constexpr int Count = 12;
  // Name of entry point i (0-based, binding order).
  static const char* Name(int i);
  // Address of slot i.
  void** Slot(int i);
  // Number of slots bound, counted from the first.
  int BoundCount() const;
};

class CryptoUnit : public Codec {
 public:
  static constexpr const char* ModuleFile = "C:\\TELVARO\\Dll\\HIRAEncryption\\IndvInfmCrypto.dll";
  static constexpr const char* ModuleFolder = "C:\\TELVARO\\Dll\\HIRAEncryption\\";
  static constexpr const char* LoadFailedMessage = "개인정보암호화 모듈 로드 중 에러발생";
  // Protects the data keys of the key table; fallback password of every decryption.
  static constexpr const char* ModulePassword = "qtvrzk47#)";
  static constexpr const char* KeyVersion = "01";

  CryptoUnit(Shell& shell, PathMapper paths);
  // Destroys the key store when there is one, unloads a module still loaded
  // and clears CryptoPassword.
  ~CryptoUnit() override;
  CryptoUnit(const CryptoUnit&) = delete;
  CryptoUnit& operator=(const CryptoUnit&) = delete;

  // Loads "C:\TELVARO\Dll\HIRAEncryption\IndvInfmCrypto.dll" (mapped), binds
  // the twelve entry points and initialises a context. On failure shows
  // "개인정보암호화 모듈 로드 중 에러발생" once and returns false. Leaves the
  // module folder as the current directory. Throws std::system_error when the
  // module folder cannot be made current (after the message). Also sets
  // CryptoLoaded to its result when it returns.
  bool LoadCryptoModule();
  // Calls release on the context when that entry point is bound, then unloads
  // the module when one is loaded. CryptoLoaded is left as it is; the codec
  // never touches an unloaded module.
  void UnloadCryptoModule();
  bool CryptoLoaded = false;

  // Makes the key store; its construction opens the connection through
  // openConnection. On failure the partly made store is taken down (module
  // unloaded) and the error passes on. Throws std::logic_error when a key
  // store already exists.
  void CreateKeyStore(const std::function<db::TADOConnection&()>& openConnection);
  // Destroys the key store when there is one (releases and unloads the module).
  void DestroyKeyStore();
  THIRAEncryption_CLASS* HIRACrypto() const;

  // Stored value (base64 + "01"), "01" alone after a failed encryption, or
  // empty (module not loaded, no key store, no key of version "01", or a data
  // key that cannot be decrypted: after the module error box, nothing is
  // encrypted under a wrong or empty password). Exceptions of the encryption
  // pass to the caller.
  std::string EncryptJumin(const std::string& text) override;
  // Plain text, or empty (also when the value's data key cannot be
  // decrypted: one module error box, and the value is not tried under an
  // empty password). Never throws for a module failure.
  std::string DecryptJumin(const std::string& value) override;
  // Checks, without any box, that the module is loaded, that the key list
  // (read again when empty) holds version "01" and that its data key
  // decrypts under the module password to a non-empty key.
  std::string WhyUnusable() override;

  // One pass through the module under CryptoPassword: the base64 text of the
  // ciphertext of the text, or empty (after the module error box).
  std::string EncryptWithPassword(const std::string& text);
  // The plaintext of a base64 ciphertext under CryptoPassword, else under the
  // module password (CryptoPassword becomes it), else empty after the module
  // error box. Swallows exceptions (empty result).
  std::string DecryptWithPassword(const std::string& text);

  // The password handed to the module before every encryption or decryption
  // (a data key, or the module password); wiped whenever it is replaced.
  SecretText CryptoPassword;

  // One operation (a handler run): within it the module's error box is shown
  // for the first failure only and later ones are counted, so that a wrong
  // data key does not bring one modal box per value. EndOperation returns
  // the failures counted without a box. Outside an operation every failure
  // shows its box.
  void BeginOperation();
  int EndOperation();

  // State of the load, for the window's diagnostics and for tests.
  bool ModuleLoaded() const;  // a module handle is held
  const TCryptoEntryPoints& EntryPoints() const;
  IIC_CONTEXT CryptoContext() const;

 private:
  bool ModuleReady() const;
  void ShowModuleError();
  int TryDecrypt(const std::string& text, std::string& plain);
  bool DecryptWithPassword(const std::string& text, std::string& plain);
  bool UseDataKey();

  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace jc::crypto
