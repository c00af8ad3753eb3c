#pragma once
// Windows only: the system's UTF-16 texts and the tool's UTF-8 texts. Every
// call into Windows that takes or gives text uses its wide (W) form through
// these, so no text depends on the ANSI code page except where the crypto
// module's contract asks for it (crypto/AnsiText.h).
#include <string>
#include <string_view>

namespace jc {

// UTF-8 to UTF-16; an invalid sequence becomes U+FFFD.
std::wstring Widen(std::string_view utf8);
// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Narrow(std::wstring_view utf16);

}  // namespace jc
