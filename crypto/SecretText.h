#pragma once
// A text that holds a password or a key. Its memory is wiped whenever the
// text is replaced or released: a std::string keeps the old bytes past a
// shorter new value in its buffer, and gives the buffer back unwiped.
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace jc::crypto {

// Overwrites the whole buffer of s (its capacity, not only its size) and
// empties it.
void WipeString(std::string& s);

class SecretText {
 public:
  SecretText() = default;
  SecretText(std::string_view text) { Assign(text); }
  SecretText(const char* text) { Assign(text); }
  SecretText(const std::string& text) { Assign(text); }
  // Takes the text and wipes the source, which may keep its bytes.
  SecretText(std::string&& text) {
    Assign(text);
    WipeString(text);
  }
  SecretText(const SecretText& other) { Assign(other.text_); }
  SecretText& operator=(const SecretText& other) {
    if (this != &other) Assign(other.text_);
    return *this;
  }
  SecretText& operator=(std::string_view text) {
    Assign(text);
    return *this;
  }
  SecretText& operator=(const char* text) {
    Assign(text);
    return *this;
  }
  SecretText& operator=(const std::string& text) {
    Assign(text);
    return *this;
  }
  SecretText& operator=(std::string&& text) {
    Assign(text);
    WipeString(text);
    return *this;
  }
  ~SecretText() { Wipe(); }

  void Wipe() { WipeString(text_); }
  void swap(SecretText& other) noexcept { text_.swap(other.text_); }

  const std::string& str() const { return text_; }
  operator const std::string&() const { return text_; }
  operator std::string_view() const { return text_; }
  bool empty() const { return text_.empty(); }
  std::size_t size() const { return text_.size(); }
  const char* data() const { return text_.data(); }
  std::size_t capacity() const { return text_.capacity(); }

  friend bool operator==(const SecretText& a, std::string_view b) { return std::string_view(a.text_) == b; }

 private:
  void Assign(std::string_view text) {
    const std::less<const char*> before;
    if (!before(text.data(), text_.data()) && before(text.data(), text_.data() + text_.capacity() + 1)) {
      std::string copy(text);  // a part of itself
      WipeString(text_);
      text_.assign(copy);
      WipeString(copy);
      return;
    }
    WipeString(text_);
    text_.assign(text);
  }
  std::string text_;
};

}  // namespace jc::crypto
