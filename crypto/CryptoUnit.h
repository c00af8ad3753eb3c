#pragma once
// The tool's crypto state, one per process in the product: the loaded module
// and its twelve entry points, the context, CryptoLoaded, CryptoPassword and
// the key store HIRACrypto, with the codec operations on top.
//
// (Skeleton of the public surface the window relies on; the crypto work
// fills in the rest.)
#include <functional>
#include <memory>
#include <string>

#include "common/HostPath.h"
#include "crypto/Codec.h"

namespace jc::db { class TADOConnection; }
namespace jc::ui { class Shell; }

namespace jc::crypto {

class THIRAEncryption_CLASS;

class CryptoUnit : public Codec {
 public:
  CryptoUnit(ui::Shell& shell, PathMapper paths);
  ~CryptoUnit() override;

  // Loads "C:\TELVARO\Dll\HIRAEncryption\IndvInfmCrypto.dll" (mapped), binds
  // the twelve entry points and initialises a context. On failure shows
  // "개인정보암호화 모듈 로드 중 에러발생" once and returns false. Throws
  // std::system_error when the module folder cannot be made current.
  bool LoadCryptoModule();
  void UnloadCryptoModule();
  bool CryptoLoaded = false;

  // Makes the key store; its construction opens the connection through
  // openConnection. On failure the partly made store is taken down (module
  // unloaded) and the error passes on.
  void CreateKeyStore(const std::function<db::TADOConnection&()>& openConnection);
  // Destroys the key store when there is one (releases and unloads the module).
  void DestroyKeyStore();
  THIRAEncryption_CLASS* HIRACrypto() const;

  std::string EncryptJumin(const std::string& text) override;
  std::string DecryptJumin(const std::string& value) override;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace jc::crypto
