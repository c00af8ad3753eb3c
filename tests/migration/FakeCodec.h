#pragma once
// A codec for scripted runs: a number's stored value is "E<number>01" and
// decrypts back; other values decrypt from a table (else to ""). It records
// what it was asked, can be made unusable, and can throw on given values.
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "crypto/Codec.h"

namespace jc::test {

class FakeCodec : public crypto::Codec {
 public:
  std::map<std::string, std::string> plain;  // stored value -> decryption, besides "E...01"
  std::set<std::string> throwOn;             // DecryptJumin of these throws std::runtime_error
  std::string unusable;                      // WhyUnusable
  std::vector<std::string> encrypted, decrypted;

  static std::string Value(const std::string& number) { return "E" + number + "01"; }

  std::string EncryptJumin(const std::string& text) override {
    encrypted.push_back(text);
    return Value(text);
  }
  std::string DecryptJumin(const std::string& value) override {
    decrypted.push_back(value);
    if (throwOn.count(value)) throw std::runtime_error("decryption raised");
    auto it = plain.find(value);
    if (it != plain.end()) return it->second;
    if (value.size() >= 3 && value[0] == 'E' && value.compare(value.size() - 2, 2, "01") == 0)
      return value.substr(1, value.size() - 3);
    return {};
  }
  std::string WhyUnusable() override { return unusable; }
};

}  // namespace jc::test
