// The system's own ANSI code page (CP_ACP): 949 on a Korean Windows machine,
// whatever this machine's is, as the pharmacy system itself converts.
#include "crypto/AnsiText.h"

#include <windows.h>

#include <limits>
#include <stdexcept>

#include "common/WideText.h"

namespace jc::crypto {

namespace {

bool IsAscii(std::string_view text) {
  for (unsigned char c : text)
    if (c >= 0x80) return false;
  return true;
}

int Count(std::size_t n) {
  if (n > static_cast<std::size_t>(std::numeric_limits<int>::max())) throw std::length_error("text too long");
  return static_cast<int>(n);
}

}  // namespace

std::string ToAnsi(std::string_view utf8) {
  if (IsAscii(utf8)) return std::string(utf8);
  const std::wstring wide = Widen(utf8);
  // The system's default conversion: a character the code page lacks becomes
  // its default character '?' (or the code page's best fit).
  const int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), Count(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), Count(wide.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::string FromAnsi(std::string_view ansi) {
  if (IsAscii(ansi)) return std::string(ansi);
  const int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), Count(ansi.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, ansi.data(), Count(ansi.size()), wide.data(), n);
  return Narrow(wide);
}

}  // namespace jc::crypto
