#pragma once
// The resident-number codec as the operations see it: a plain number to its
// stored encrypted value and back.
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
};

}  // namespace jc::crypto
