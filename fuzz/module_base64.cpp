// The crypto module's base64 decoding and decryption on any input: the input
// as a base64 text (up to its first zero byte) decoded and then decrypted,
// and the input's bytes decrypted as a ciphertext of their own. Checks on
// the way: what decodes encodes back to the same text (the base64 is
// strict), and a short input encrypts and decrypts back to itself.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "IndvInfmCrypto.h"

namespace {

IIC_CONTEXT Context() {
  static IIC_CONTEXT context = [] {
    IIC_CONTEXT c = nullptr;
    // One password for the whole run: deriving its key is slow by design.
    if (initialize(&c) != 0 || setEncryptionPassword(c, "fuzz password") != 0) std::abort();
    return c;
  }();
  return context;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 4096) return 0;
  IIC_CONTEXT c = Context();
  const std::string text(reinterpret_cast<const char*>(data), size);

  const unsigned char* bytes = nullptr;
  int32_t count = 0;
  if (decodeBase64(c, text.c_str(), &bytes, &count) == 0) {
    const std::string decoded(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(count));
    const char* again = nullptr;
    if (encodeBase64(c, bytes, count, &again) != 0 || !again || std::strcmp(again, text.c_str()) != 0) std::abort();
    const unsigned char* plain = nullptr;
    int32_t plainCount = 0;
    decryptDataWithKey(c, reinterpret_cast<const unsigned char*>(decoded.data()), count, &plain, &plainCount);
  }

  const unsigned char* plain = nullptr;
  int32_t plainCount = 0;
  decryptDataWithKey(c, data, static_cast<int32_t>(size), &plain, &plainCount);
  const char* message = nullptr;
  getErrorMessage(c, &message);
  if (!message) std::abort();

  const unsigned char* cipher = nullptr;
  int32_t cipherCount = 0;
  if (encryptDataWithKey(c, data, static_cast<int32_t>(size), &cipher, &cipherCount) == 0) {
    const std::string ciphertext(reinterpret_cast<const char*>(cipher), static_cast<std::size_t>(cipherCount));
    if (decryptDataWithKey(c, reinterpret_cast<const unsigned char*>(ciphertext.data()), cipherCount, &plain,
                           &plainCount) != 0 ||
        static_cast<std::size_t>(plainCount) != size || (size && std::memcmp(plain, data, size) != 0))
      std::abort();
  }
  return 0;
}
