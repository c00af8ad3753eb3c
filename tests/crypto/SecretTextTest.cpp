// The text that holds a password or a key leaves nothing of it behind.
#include <gtest/gtest.h>

#include <cstring>
#include <new>
#include <string>

#include "crypto/SecretText.h"

namespace jc::crypto {
namespace {

bool Holds(const char* begin, std::size_t size, const std::string& what) {
  return std::string_view(begin, size).find(what) != std::string_view::npos;
}

TEST(SecretText, ReplacedOrReleasedItLeavesNoTrace) {
  const std::string longKey = "AbCdEfGhIjKlMnOpQrStUvWxYz";  // beyond the string's inline room
  // A shorter text over a longer one: the buffer is reused, its tail is gone.
  SecretText s = longKey;
  s = "qtvrzk47#)";
  EXPECT_EQ(s, "qtvrzk47#)");
  EXPECT_FALSE(Holds(s.data(), s.capacity(), longKey.substr(11)));
  // A text moved in: its source keeps nothing.
  std::string source = longKey;
  s = std::move(source);
  EXPECT_EQ(s, longKey);
  EXPECT_FALSE(Holds(source.data(), source.capacity(), longKey.substr(0, 8)));
  // A short text lives inside the object: gone when the object is.
  alignas(SecretText) unsigned char room[sizeof(SecretText)];
  auto* inside = new (room) SecretText(std::string_view("k3y!"));
  ASSERT_EQ(*inside, "k3y!");
  inside->~SecretText();
  EXPECT_FALSE(Holds(reinterpret_cast<const char*>(room), sizeof room, "k3y!"));
}

}  // namespace
}  // namespace jc::crypto
