#pragma once
// Conversion between the tool's UTF-8 texts and the system ANSI code page, so
// that the bytes handed to the crypto module are those the pharmacy system
// hands it. On Windows that is the system's own code page (949 on a Korean
// machine); elsewhere it is CP949, as on a Korean Windows machine.
#include <string>
#include <string_view>

namespace jc::crypto {

// UTF-8 to the ANSI code page. A character the code page has no code for:
// on Windows what the system's default conversion makes of it (a best fit,
// else '?'); on Linux '?', as does an invalid UTF-8 sequence.
std::string ToAnsi(std::string_view utf8);

// The ANSI code page to UTF-8. A byte sequence that is not valid there
// becomes a replacement character ('?' on Linux).
std::string FromAnsi(std::string_view ansi);

// Number of UTF-16 code units of a UTF-8 text (a character outside the Basic
// Multilingual Plane counts two): the "number of characters" of the
// platform's text type.
std::size_t Utf16Length(std::string_view utf8);

}  // namespace jc::crypto
