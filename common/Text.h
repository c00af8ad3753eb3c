#pragma once
// Text helpers shared by every layer. Texts are UTF-8 std::string; where a
// rule counts characters (not bytes) the helpers below count code points.
#include <cstddef>
#include <string>
#include <string_view>

namespace jc {

// Removes leading and trailing characters whose code is 32 or less
// (blanks and control characters).
std::string Trim(std::string_view text);

// Number of characters (code points) of a UTF-8 text.
std::size_t Utf8Length(std::string_view text);

// The first n characters of a UTF-8 text (the whole text when shorter).
std::string Utf8Left(std::string_view text, std::size_t n);

// The last n characters of a UTF-8 text (the whole text when shorter).
std::string Utf8Right(std::string_view text, std::size_t n);

// The text with every '-' removed (numbers stored with separators).
std::string WithoutDashes(std::string_view text);

// Case-insensitive (ASCII letters) equality.
bool EqualsNoCase(std::string_view a, std::string_view b);

}  // namespace jc
