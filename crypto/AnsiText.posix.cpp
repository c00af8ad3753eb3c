// The ANSI code page of a Korean Windows machine, CP949, through iconv.
#include "crypto/AnsiText.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>

namespace jc::crypto {

namespace {

constexpr const char* kAnsiCodePage = "CP949";

bool IsAscii(std::string_view text) {
  for (unsigned char c : text)
    if (c >= 0x80) return false;
  return true;
}

// Length of the UTF-8 sequence that starts with byte c (1 for a stray byte).
std::size_t Utf8SequenceLength(unsigned char c) {
  if (c >= 0xF0 && c <= 0xF4) return 4;
  if (c >= 0xE0) return c <= 0xEF ? 3 : 1;
  if (c >= 0xC2) return 2;
  return 1;
}

// Length of the CP949 sequence that starts with byte c.
std::size_t Cp949SequenceLength(unsigned char c) { return (c >= 0x81 && c <= 0xFE) ? 2 : 1; }

// One iconv descriptor per direction and thread, opened on first use.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1))
      throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
  }
  ~Converter() { iconv_close(cd_); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts text; an unconvertible sequence (its length from skip) becomes '?'.
  std::string Run(std::string_view text, std::size_t (*skip)(unsigned char)) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    std::string out(text.size() * 2 + 8, '\0');
    char* in = const_cast<char*>(text.data());
    std::size_t inLeft = text.size();
    std::size_t used = 0;
    while (inLeft > 0) {
      char* o = out.data() + used;
      std::size_t outLeft = out.size() - used;
      const std::size_t r = iconv(cd_, &in, &inLeft, &o, &outLeft);
      used = out.size() - outLeft;
      if (r != static_cast<std::size_t>(-1)) break;
      if (errno == E2BIG) {
        out.resize(out.size() * 2);
        continue;
      }
      // EILSEQ (no code, or invalid input) or EINVAL (cut at the end).
      if (out.size() - used < 1) out.resize(out.size() * 2);
      out[used++] = '?';
      const std::size_t n = std::min(inLeft, errno == EINVAL ? inLeft : skip(static_cast<unsigned char>(*in)));
      in += n;
      inLeft -= n;
      iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    }
    out.resize(used);
    return out;
  }

 private:
  iconv_t cd_;
};

}  // namespace

std::string ToAnsi(std::string_view utf8) {
  if (IsAscii(utf8)) return std::string(utf8);
  thread_local Converter toAnsi(kAnsiCodePage, "UTF-8");
  return toAnsi.Run(utf8, Utf8SequenceLength);
}

std::string FromAnsi(std::string_view ansi) {
  if (IsAscii(ansi)) return std::string(ansi);
  thread_local Converter fromAnsi("UTF-8", kAnsiCodePage);
  return fromAnsi.Run(ansi, Cp949SequenceLength);
}

}  // namespace jc::crypto
