#pragma once
// Conversion between the tool's UTF-8 texts and the system ANSI code page,
// which is CP949 (Korean), so that the bytes handed to the crypto module are
// those a Korean Windows machine would hand it.
#include <string>
#include <string_view>

namespace jc::crypto {

// UTF-8 to CP949. A character CP949 has no code for becomes '?', as the
// Windows conversion does by default; so does an invalid UTF-8 sequence.
std::string ToAnsi(std::string_view utf8);

// CP949 to UTF-8. A byte sequence that is not valid CP949 becomes '?'.
std::string FromAnsi(std::string_view ansi);

// Number of UTF-16 code units of a UTF-8 text (a character outside the Basic
// Multilingual Plane counts two): the "number of characters" of the
// platform's text type.
std::size_t Utf16Length(std::string_view utf8);

}  // namespace jc::crypto
