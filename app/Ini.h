#pragma once
// Reads one value from an INI file. On Windows this is the system's profile
// reader itself (GetPrivateProfileStringW). Elsewhere it is imitated, the way
// the Windows profile reader reads:
// leading blanks of a line are ignored, a line beginning with ';' is a
// comment, section and key names match without regard to letter case, the
// first matching key of the first matching section wins, the value is all of
// the line after the first '=' (a ';' in it is no comment, and a line of any
// length is read whole), trimmed, with one pair of enclosing quotes removed,
// and the default comes back when the file, the section or the key is
// missing. The value is cut to fit a
// buffer of `bufferSize` characters (the terminating NUL included).
#include <cstddef>
#include <string>

namespace jc::app {

std::string ReadProfileString(const std::string& file, const std::string& section,
                              const std::string& key, const std::string& defaultValue,
                              std::size_t bufferSize = 2048);

// The imitation, from the text of an INI file that is already read (Linux
// only: the Windows build reads with the system's reader).
std::string ReadProfileText(std::string text, const std::string& section, const std::string& key,
                            const std::string& defaultValue, std::size_t bufferSize = 2048);

}  // namespace jc::app
