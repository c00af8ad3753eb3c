#include "crypto/CryptoUnit.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "common/Text.h"
#include "crypto/AnsiText.h"
#include "crypto/KeyStore.h"
#include "crypto/ModuleLibrary.h"
#include "common/Shell.h"

namespace jc::crypto {

namespace {

constexpr const char* kEntryPointNames[TCryptoEntryPoints::Count] = {
    "initialize",         "release",            "getErrorCode",         "getErrorMessage",
    "encodeBase64",       "decodeBase64",       "encryptDataWithKey",   "decryptDataWithKey",
    "encryptDataWithCert", "decryptDataWithCert", "setEncryptionPassword", "setCertViewPolicy"};

bool IsFile(const std::string& path) {
  std::error_code ec;
  const auto status = std::filesystem::status(PathFromUtf8(path), ec);
  return !ec && std::filesystem::exists(status) && !std::filesystem::is_directory(status);
}

// Clears a copy of a password or key before its memory is given back.
struct WipeOnExit {
  std::string& s;
  ~WipeOnExit() { WipeString(s); }
};

}  // namespace

const char* TCryptoEntryPoints::Name(int i) { return kEntryPointNames[i]; }

void** TCryptoEntryPoints::Slot(int i) {
  void** slots[Count] = {
      reinterpret_cast<void**>(&initialize),          reinterpret_cast<void**>(&release),
      reinterpret_cast<void**>(&getErrorCode),        reinterpret_cast<void**>(&getErrorMessage),
      reinterpret_cast<void**>(&encodeBase64),        reinterpret_cast<void**>(&decodeBase64),
      reinterpret_cast<void**>(&encryptDataWithKey),  reinterpret_cast<void**>(&decryptDataWithKey),
      reinterpret_cast<void**>(&encryptDataWithCert), reinterpret_cast<void**>(&decryptDataWithCert),
      reinterpret_cast<void**>(&setEncryptionPassword), reinterpret_cast<void**>(&setCertViewPolicy)};
  return slots[i];
}

int TCryptoEntryPoints::BoundCount() const {
  auto* self = const_cast<TCryptoEntryPoints*>(this);
  int n = 0;
  while (n < Count && *self->Slot(n) != nullptr) ++n;
  return n;
}

struct CryptoUnit::Impl {
  Impl(Shell& s, PathMapper p) : shell(s), paths(std::move(p)) {}
  Shell& shell;
  PathMapper paths;
  void* module = nullptr;  // CryptoModule
  TCryptoEntryPoints ep;
  IIC_CONTEXT context = nullptr;  // CryptoContext
  bool ready = false;             // loaded, bound and initialised
  bool inOperation = false;
  bool errorShownInOperation = false;
  int errorsNotShown = 0;
  std::unique_ptr<THIRAEncryption_CLASS> store;
};

CryptoUnit::CryptoUnit(Shell& shell, PathMapper paths)
    : impl_(std::make_unique<Impl>(shell, std::move(paths))) {}

CryptoUnit::~CryptoUnit() {
  try {
    DestroyKeyStore();
    if (impl_->module) UnloadCryptoModule();
  } catch (...) {
  }
  CryptoPassword.Wipe();
}

bool CryptoUnit::ModuleLoaded() const { return impl_->module != nullptr; }
const TCryptoEntryPoints& CryptoUnit::EntryPoints() const { return impl_->ep; }
IIC_CONTEXT CryptoUnit::CryptoContext() const { return impl_->context; }
THIRAEncryption_CLASS* CryptoUnit::HIRACrypto() const { return impl_->store.get(); }
bool CryptoUnit::ModuleReady() const { return impl_->ready && impl_->module != nullptr; }

bool CryptoUnit::LoadCryptoModule() {
  if (impl_->module) UnloadCryptoModule();
  const std::string file = impl_->paths.Map(ModuleFile);
  const std::string folder = impl_->paths.Map(ModuleFolder);
  bool loaded = false;
  if (IsFile(file)) {
    std::filesystem::current_path(PathFromUtf8(folder));
    impl_->module = OpenModuleLibrary(file);
    if (impl_->module) {
      int bound = 0;
      for (; bound < TCryptoEntryPoints::Count; ++bound) {
        void* address = ModuleLibrarySymbol(impl_->module, TCryptoEntryPoints::Name(bound));
        if (!address) break;  // the slots after it stay null
        *impl_->ep.Slot(bound) = address;
      }
      if (bound == TCryptoEntryPoints::Count) loaded = impl_->ep.initialize(&impl_->context) == 0;
    }
  }
  impl_->ready = loaded;
  if (!loaded) impl_->shell.ShowMessage(LoadFailedMessage);
  // The module's folder stays the current directory: the module may look for
  // its own files there. A missing folder raises here, after the message.
  std::filesystem::current_path(PathFromUtf8(folder));
  CryptoLoaded = loaded;
  return loaded;
}

void CryptoUnit::UnloadCryptoModule() {
  if (impl_->ep.release) impl_->ep.release(&impl_->context);
  if (impl_->module) CloseModuleLibrary(impl_->module);
  impl_->module = nullptr;
  impl_->ep = TCryptoEntryPoints{};
  impl_->context = nullptr;
  impl_->ready = false;
}

void CryptoUnit::CreateKeyStore(const std::function<db::TADOConnection&()>& openConnection) {
  if (impl_->store) throw std::logic_error("the key store exists already");
  impl_->store = std::make_unique<THIRAEncryption_CLASS>(*this, openConnection);
}

void CryptoUnit::DestroyKeyStore() { impl_->store.reset(); }

void CryptoUnit::BeginOperation() {
  impl_->inOperation = true;
  impl_->errorShownInOperation = false;
  impl_->errorsNotShown = 0;
}

int CryptoUnit::EndOperation() {
  const int notShown = impl_->errorsNotShown;
  impl_->inOperation = false;
  impl_->errorShownInOperation = false;
  impl_->errorsNotShown = 0;
  return notShown;
}

void CryptoUnit::ShowModuleError() {
  if (impl_->inOperation) {
    if (impl_->errorShownInOperation) {
      ++impl_->errorsNotShown;
      return;
    }
    impl_->errorShownInOperation = true;
  }
  const int32_t code = impl_->ep.getErrorCode(impl_->context, 0);
  const char* message = nullptr;
  impl_->ep.getErrorMessage(impl_->context, &message);
  impl_->shell.ShowMessage("에러코드 :" + std::to_string(code) + "\r\n" + "에러 메시지 :" +
                           FromAnsi(message ? message : ""));
}

std::string CryptoUnit::EncryptWithPassword(const std::string& text) {
  if (!ModuleReady()) return {};
  const TCryptoEntryPoints& ep = impl_->ep;
  std::string password = ToAnsi(CryptoPassword);
  WipeOnExit wipePassword{password};
  // Plaintext: the ANSI bytes followed by zero bytes up to twice the number
  // of characters. The buffer is sized from the real ANSI length so that no
  // code page can overrun it.
  std::string plain = ToAnsi(text);
  WipeOnExit wipePlain{plain};
  const std::size_t count = std::max(2 * Utf16Length(text), plain.size());
  plain.resize(count + 1, '\0');

  ep.setEncryptionPassword(impl_->context, password.c_str());
  const unsigned char* cipher = nullptr;
  int32_t cipherCount = 0;
  if (ep.encryptDataWithKey(impl_->context, reinterpret_cast<const unsigned char*>(plain.data()),
                            static_cast<int32_t>(count), &cipher, &cipherCount) != 0) {
    ShowModuleError();
    return {};
  }
  const char* base64 = nullptr;
  ep.encodeBase64(impl_->context, cipher, cipherCount, &base64);
  return base64 ? FromAnsi(base64) : std::string();
}

int CryptoUnit::TryDecrypt(const std::string& text, std::string& plain) {
  const TCryptoEntryPoints& ep = impl_->ep;
  std::string password = ToAnsi(CryptoPassword);
  WipeOnExit wipePassword{password};
  const std::string body = ToAnsi(text);
  ep.setEncryptionPassword(impl_->context, password.c_str());
  const unsigned char* data = nullptr;
  int32_t count = 0;
  // A body that is not base64 fails here, with the module's own error; its
  // empty result must not go on to be reported as a short ciphertext. (A
  // failure that still hands out bytes is left to the decryption.)
  const int decoded = ep.decodeBase64(impl_->context, body.c_str(), &data, &count);
  if (decoded != 0 && count <= 0) return decoded;
  const unsigned char* out = nullptr;
  int32_t outCount = 0;
  const int result = ep.decryptDataWithKey(impl_->context, data, count, &out, &outCount);
  // The plaintext is read up to its first zero byte, which drops the fill.
  if (result == 0) plain = out ? FromAnsi(reinterpret_cast<const char*>(out)) : std::string();
  return result;
}

bool CryptoUnit::DecryptWithPassword(const std::string& text, std::string& plain) {
  plain.clear();
  if (!ModuleReady()) return false;
  try {
    if (TryDecrypt(text, plain) == 0) return true;
    CryptoPassword = ModulePassword;
    if (TryDecrypt(text, plain) == 0) return true;
    ShowModuleError();
  } catch (...) {
  }
  plain.clear();
  return false;
}

std::string CryptoUnit::DecryptWithPassword(const std::string& text) {
  std::string plain;
  DecryptWithPassword(text, plain);
  return plain;
}

// Decrypts the data key of CurrentKey and makes it CryptoPassword. When it
// cannot be decrypted (after the module error box), CryptoPassword is left
// empty and the caller stops: a value must never be encrypted, or read, under
// the empty password that a failed key would leave.
bool CryptoUnit::UseDataKey() {
  std::string key;
  const bool ok = DecryptWithPassword(FromAnsi(impl_->store->CurrentKey->KeyText.Bytes()), key);
  CryptoPassword = std::move(key);  // wipes the key's copy too
  return ok;
}

std::string CryptoUnit::EncryptJumin(const std::string& text) {
  if (!CryptoLoaded) return {};
  THIRAEncryption_CLASS* store = impl_->store.get();
  if (!store || !ModuleReady()) return {};  // start-up was abandoned
  CryptoPassword = ModulePassword;
  if (store->KeyList.empty()) {
    store->LoadKeys();
    // Still no key: the tool never makes one itself (create-key does); read
    // the table once more in case it was filled meanwhile.
    if (store->KeyList.empty()) store->LoadKeys();
  }
  if (!store->FindKey(KeyVersion)) return {};
  if (!UseDataKey()) return {};
  return EncryptWithPassword(text) + KeyVersion;
}

std::string CryptoUnit::DecryptJumin(const std::string& value) {
  if (!CryptoLoaded) return {};
  THIRAEncryption_CLASS* store = impl_->store.get();
  if (!store || !ModuleReady()) return {};
  const std::string version = RightChars(value, 2);
  if (version == KeyVersion) CryptoPassword = ModulePassword;
  if (!store->FindKey(version)) return {};
  if (!UseDataKey()) return {};
  const std::size_t chars = Utf8Length(value);
  return DecryptWithPassword(chars > 2 ? Utf8Left(value, chars - 2) : std::string());
}

std::string CryptoUnit::WhyUnusable() {
  if (!CryptoLoaded || !ModuleReady()) return "암호화 모듈이 로드되지 않았습니다.";
  THIRAEncryption_CLASS* store = impl_->store.get();
  if (!store) return "키 저장소가 없습니다(데이터베이스에 연결되지 않았습니다).";
  if (store->KeyList.empty()) store->LoadKeys();
  if (!store->FindKey(KeyVersion))
    return std::string("키 테이블 TV_BASE..HIRAEncryption에 버전 ") + KeyVersion + " 키가 없습니다.";
  // The data key under the module password, as the codec decrypts it, but
  // silently: the check itself must not show the module's error boxes.
  SecretText saved;  // wiped when the check ends
  saved.swap(CryptoPassword);  // put back afterwards, so the check changes no codec state
  CryptoPassword = ModulePassword;
  std::string key;
  bool ok = false;
  try {
    ok = TryDecrypt(FromAnsi(store->CurrentKey->KeyText.Bytes()), key) == 0 && !key.empty();
  } catch (...) {
    ok = false;
  }
  WipeString(key);
  CryptoPassword.swap(saved);
  if (!ok) return std::string("키 테이블의 버전 ") + KeyVersion + " 데이터 키를 복호화할 수 없습니다.";
  return {};
}

}  // namespace jc::crypto
