#include "common/Text.h"

namespace jc {

namespace {
bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }
}  // namespace

std::string Trim(std::string_view text) {
  std::size_t b = 0, e = text.size();
  while (b < e && static_cast<unsigned char>(text[b]) <= 32) ++b;
  while (e > b && static_cast<unsigned char>(text[e - 1]) <= 32) --e;
  return std::string(text.substr(b, e - b));
}

std::size_t Utf8Length(std::string_view text) {
  std::size_t n = 0;
  for (unsigned char c : text)
    if (!IsContinuation(c)) ++n;
  return n;
}

std::string Utf8Left(std::string_view text, std::size_t n) {
  std::size_t count = 0, i = 0;
  for (; i < text.size(); ++i) {
    if (!IsContinuation(static_cast<unsigned char>(text[i]))) {
      if (count == n) break;
      ++count;
    }
  }
  return std::string(text.substr(0, i));
}

std::string Utf8Right(std::string_view text, std::size_t n) {
  if (n == 0) return {};
  std::size_t count = 0, i = text.size();
  while (i > 0) {
    --i;
    if (!IsContinuation(static_cast<unsigned char>(text[i]))) {
      if (++count == n) return std::string(text.substr(i));
    }
  }
  return std::string(text);
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

std::string WithoutDashes(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text)
    if (c != '-') out.push_back(c);
  return out;
}

}  // namespace jc
