// The system's own profile reader.
#include "app/Ini.h"

#include <windows.h>

#include <vector>

#include "common/WideText.h"

namespace jc::app {

std::string ReadProfileString(const std::string& file, const std::string& section,
                              const std::string& key, const std::string& defaultValue,
                              std::size_t bufferSize) {
  if (bufferSize == 0) return {};
  std::vector<wchar_t> buffer(bufferSize, L'\0');
  const DWORD n = GetPrivateProfileStringW(Widen(section).c_str(), Widen(key).c_str(), Widen(defaultValue).c_str(),
                                           buffer.data(), static_cast<DWORD>(buffer.size()), Widen(file).c_str());
  return Narrow(std::wstring_view(buffer.data(), n));
}

}  // namespace jc::app
