#pragma once
// The resident-number codec as the operations see it: a plain number to its
// stored encrypted value and back.
#include <stdexcept>
#include <string>

namespace jc::crypto {

class Codec {
 public:
  virtual ~Codec() = default;
  // Stored value (base64 body + key version "01"), "01" alone after a failed
  // encryption, or empty when the module or the key is missing.
  virtual std::string EncryptJumin(const std::string& text) = 0;
  // Plain text, or empty.
  virtual std::string DecryptJumin(const std::string& value) = 0;

  // Empty when the codec can work: the module loaded, a key of the current
  // version found and its data key decrypted. Otherwise the reason, for the
  // operator. Shows nothing.
  virtual std::string WhyUnusable() { return {}; }
};

// The error of an operation that decides by decrypting and was refused
// because the codec cannot work: nothing was changed.
class CodecUnusable : public std::runtime_error {
 public:
  explicit CodecUnusable(const std::string& why)
      : std::runtime_error("암호화 모듈이나 암호화 키를 사용할 수 없어 작업을 시작하지 않았습니다.\n" + why) {}
};

// Called first by every operation that decides by decrypting: an operation
// that cannot decrypt anything has audited nothing, and must say so instead
// of reporting an empty result. Throws CodecUnusable.
inline void RequireUsableCodec(Codec& codec) {
  const std::string why = codec.WhyUnusable();
  if (!why.empty()) throw CodecUnusable(why);
}

}  // namespace jc::crypto
