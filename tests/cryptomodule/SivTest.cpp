// SIV composed from the AES block (cryptomodule/Siv.h), as the module on
// Windows uses it, on the platform's own AES: RFC 5297's test vectors, and
// what it must refuse.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ModuleCipher.h"
#include "Siv.h"

namespace iic {
namespace {

std::vector<unsigned char> Hex(const std::string& hex) {
  std::vector<unsigned char> out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) out.push_back(static_cast<unsigned char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return out;
}

std::string ToHex(const std::vector<unsigned char>& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (unsigned char b : bytes) {
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

Bytes B(const std::vector<unsigned char>& v) { return Bytes{v.data(), v.size()}; }

TEST(Siv, Rfc5297DeterministicExample) {  // appendix A.1
  const auto key = Hex("fffefdfcfbfaf9f8f7f6f5f4f3f2f1f0f0f1f2f3f4f5f6f7f8f9fafbfcfdfeff");
  const auto ad = Hex("101112131415161718191a1b1c1d1e1f2021222324252627");
  const auto plain = Hex("112233445566778899aabbccddee");
  auto siv = NewComposedSiv(key.data(), key.size());
  ASSERT_TRUE(siv);
  std::vector<unsigned char> out(16 + plain.size());
  ASSERT_TRUE(siv->Seal({B(ad)}, plain.data(), plain.size(), out.data()));
  EXPECT_EQ(ToHex(out), "85632d07c6e8f37f950acd320a2ecc9340c02b9690c4dc04daef7f6afe5c");
  std::vector<unsigned char> back(plain.size());
  ASSERT_TRUE(siv->Open({B(ad)}, out.data(), out.size(), back.data()));
  EXPECT_EQ(back, plain);
}

TEST(Siv, Rfc5297NonceBasedExample) {  // appendix A.2: three strings of associated data
  const auto key = Hex("7f7e7d7c7b7a797877767574737271704041424344454647" "48494a4b4c4d4e4f");
  const auto ad1 = Hex("00112233445566778899aabbccddeeffdeaddadadeaddadaffeeddccbbaa99887766554433221100");
  const auto ad2 = Hex("102030405060708090a0");
  const auto nonce = Hex("09f911029d74e35bd84156c5635688c0");
  const auto plain = Hex("7468697320697320736f6d6520706c61696e7465787420746f20656e6372797074207573696e67205349562d414553");
  auto siv = NewComposedSiv(key.data(), key.size());
  ASSERT_TRUE(siv);
  std::vector<unsigned char> out(16 + plain.size());
  ASSERT_TRUE(siv->Seal({B(ad1), B(ad2), B(nonce)}, plain.data(), plain.size(), out.data()));
  EXPECT_EQ(ToHex(out),
            "7bdb6e3b432667eb06f4d14bff2fbd0fcb900f2fddbe404326601965c889bf17dba77ceb094fa663b7a3f748ba8af829"
            "ea64ad544a272e9c485b62a3fd5c0d");
  std::vector<unsigned char> back(plain.size());
  ASSERT_TRUE(siv->Open({B(ad1), B(ad2), B(nonce)}, out.data(), out.size(), back.data()));
  EXPECT_EQ(back, plain);
  // The same bytes under other associated data do not authenticate.
  EXPECT_FALSE(siv->Open({B(ad2), B(ad1), B(nonce)}, out.data(), out.size(), back.data()));
}

TEST(Siv, EveryLengthRoundTripsAndAnyChangedBitIsRefused) {
  // Lengths around the block size take S2V's two branches (padded below 16
  // bytes, xorend from 16) and CTR's partial last block.
  std::vector<unsigned char> key(64);
  for (std::size_t i = 0; i < key.size(); ++i) key[i] = static_cast<unsigned char>(i * 7 + 1);
  auto siv = NewComposedSiv(key.data(), key.size());
  ASSERT_TRUE(siv);
  for (std::size_t n : {0u, 1u, 14u, 15u, 16u, 17u, 21u, 31u, 32u, 33u, 48u}) {
    SCOPED_TRACE(n);
    std::vector<unsigned char> plain(n);
    for (std::size_t i = 0; i < n; ++i) plain[i] = static_cast<unsigned char>(n + i);
    std::vector<unsigned char> sealed(16 + n), back(n);
    ASSERT_TRUE(siv->Seal({}, plain.data(), n, sealed.data()));
    ASSERT_TRUE(siv->Open({}, sealed.data(), sealed.size(), back.data()));
    EXPECT_EQ(back, plain);
    for (std::size_t byte = 0; byte < sealed.size(); ++byte) {
      std::vector<unsigned char> bad = sealed;
      bad[byte] ^= 0x01;
      ASSERT_FALSE(siv->Open({}, bad.data(), bad.size(), back.data())) << byte;
      EXPECT_EQ(back, std::vector<unsigned char>(n, 0)) << "refused bytes are wiped";
    }
  }
}

}  // namespace
}  // namespace iic
