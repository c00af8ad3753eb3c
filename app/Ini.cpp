#include "app/Ini.h"

#include <ini.h>

#include <optional>

#include "common/Text.h"

namespace jc::app {

namespace {

struct Lookup {
  const std::string* section;
  const std::string* key;
  std::optional<std::string> value;
};

// Two known differences from the Windows reader, both irrelevant for a host
// name: inih ends a value at " ;" (an inline comment) and reads at most 200
// characters of a line.
int OnEntry(void* user, const char* section, const char* name, const char* value) {
  auto* lookup = static_cast<Lookup*>(user);
  if (lookup->value) return 1;  // the first match wins
  if (name == nullptr) return 1;  // a section header alone
  if (EqualsNoCase(section, *lookup->section) && EqualsNoCase(Trim(name), *lookup->key))
    lookup->value = value ? value : "";
  return 1;
}

std::string StripQuotes(std::string v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    return v.substr(1, v.size() - 2);
  return v;
}

}  // namespace

std::string ReadProfileString(const std::string& file, const std::string& section,
                              const std::string& key, const std::string& defaultValue,
                              std::size_t bufferSize) {
  Lookup lookup{&section, &key, std::nullopt};
  // A file that cannot be opened, or a parse error, is no error here: the
  // profile reader then gives the default (or what it found before the error).
  ini_parse(file.c_str(), &OnEntry, &lookup);
  std::string value = lookup.value ? StripQuotes(Trim(*lookup.value)) : defaultValue;
  if (bufferSize > 0 && Utf8Length(value) > bufferSize - 1) value = Utf8Left(value, bufferSize - 1);
  return value;
}

}  // namespace jc::app
