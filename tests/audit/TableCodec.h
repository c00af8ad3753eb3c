#pragma once
// A codec that decrypts from a fixed table (unknown values give "", as the
// real codec gives for a value it cannot decrypt) and records what it was
// asked to decrypt.
#include <map>
#include <string>
#include <vector>

#include "crypto/Codec.h"

namespace jc::test {

class TableCodec : public crypto::Codec {
 public:
  std::map<std::string, std::string> plain;  // stored value -> decryption
  std::vector<std::string> asked;

  std::string EncryptJumin(const std::string&) override { return {}; }
  std::string DecryptJumin(const std::string& value) override {
    asked.push_back(value);
    auto it = plain.find(value);
    return it == plain.end() ? std::string() : it->second;
  }
};

}  // namespace jc::test
