#pragma once
// The files of values made by one platform's crypto module, kept for the
// other platform's module to read: one line per value, tab-separated,
// "password-hex plaintext-hex base64-value" ('#' starts a comment line).
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/HostPath.h"

namespace jc::test {

struct InteropValue {
  std::string password;  // bytes, as handed to setEncryptionPassword
  std::string plain;     // bytes, as handed to encryptDataWithKey
  std::string value;     // base64 of the ciphertext (empty in a cases file)
};

inline std::string FromHex(const std::string& hex) {
  std::string out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return out;
}

inline std::string ToHex(const std::string& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (unsigned char b : bytes) {
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

inline InteropValue ParseInteropLine(const std::string& line) {
  const auto a = line.find('\t');
  if (a == std::string::npos) throw std::runtime_error("bad interop line: " + line);
  const auto b = line.find('\t', a + 1);
  InteropValue v;
  v.password = FromHex(line.substr(0, a));
  v.plain = FromHex(line.substr(a + 1, b == std::string::npos ? std::string::npos : b - a - 1));
  if (b != std::string::npos) v.value = line.substr(b + 1);
  while (!v.value.empty() && (v.value.back() == '\r' || v.value.back() == '\n')) v.value.pop_back();
  return v;
}

inline std::vector<InteropValue> ReadInteropValues(const std::string& path) {
  std::ifstream in(PathFromUtf8(path), std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::vector<InteropValue> values;
  for (std::string line; std::getline(in, line);)
    if (!line.empty() && line[0] != '#') values.push_back(ParseInteropLine(line));
  return values;
}

}  // namespace jc::test
