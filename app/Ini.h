#pragma once
// Reads one value from an INI file the way the Windows profile reader does:
// section and key names match without regard to letter case, the first
// matching key of the first matching section wins, the value is trimmed and
// one pair of enclosing quotes is removed, and the default comes back when
// the file, the section or the key is missing. The value is cut to fit a
// buffer of `bufferSize` characters (the terminating NUL included).
#include <cstddef>
#include <string>

namespace jc::app {

std::string ReadProfileString(const std::string& file, const std::string& section,
                              const std::string& key, const std::string& defaultValue,
                              std::size_t bufferSize = 2048);

}  // namespace jc::app
