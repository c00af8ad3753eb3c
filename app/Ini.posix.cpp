// The profile reader imitated on Linux, with the INI library (inih).
#include "app/Ini.h"

#include <ini.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "common/Text.h"

namespace jc::app {

namespace {

// The INI library reads some lines otherwise than the Windows profile
// reader: it takes an indented line for the continuation of the value above,
// ends a value at " ;" (an inline comment), splits a key line at ':' as well
// as '=', and reads a line in pieces of at most 200 characters, the rest of a
// longer line then counting as a line of its own. So every line reaches it as
// the profile reader sees it:
//  - leading blanks removed;
//  - a key line as "k<n>=v", its key and its value (everything after the
//    first '=') kept aside and given back to the handler: the library's
//    rules for values never touch them, and the line is always short;
//  - a comment line (';'), or a line without '=', as an empty line;
//  - a section line as it stands.
struct Lines {
  std::string text;
  std::size_t pos = 0;
  std::vector<std::pair<std::string, std::string>> keyLines;  // key, value
};

char* NextLine(char* str, int num, void* stream) {
  auto* in = static_cast<Lines*>(stream);
  if (in->pos >= in->text.size() || num < 3) return nullptr;
  const std::size_t end = std::min(in->text.find('\n', in->pos), in->text.size());
  std::string_view line(in->text.data() + in->pos, end - in->pos);
  in->pos = end + 1;
  while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
  std::string out;
  if (!line.empty() && line.front() == '[') {
    out = line;
  } else if (const auto eq = line.find('='); eq != std::string_view::npos && line.front() != ';') {
    out = "k" + std::to_string(in->keyLines.size()) + "=v";
    in->keyLines.emplace_back(std::string(line.substr(0, eq)), std::string(line.substr(eq + 1)));
  }
  out.resize(std::min(out.size(), static_cast<std::size_t>(num) - 2));  // a section line that long is cut
  std::memcpy(str, out.data(), out.size());
  str[out.size()] = '\n';
  str[out.size() + 1] = '\0';
  return str;
}

struct Lookup {
  const Lines* lines;
  const std::string* section;
  const std::string* key;
  std::optional<std::string> value;
};

int OnEntry(void* user, const char* section, const char* name, const char* /*value*/) {
  auto* lookup = static_cast<Lookup*>(user);
  if (lookup->value) return 1;    // the first match wins
  if (name == nullptr) return 1;  // a section header alone
  if (!EqualsNoCase(section, *lookup->section)) return 1;
  std::size_t index = 0;
  const std::string_view token = name;
  if (token.size() < 2 || token[0] != 'k' ||
      std::from_chars(token.data() + 1, token.data() + token.size(), index).ec != std::errc() ||
      index >= lookup->lines->keyLines.size())
    return 1;
  const auto& [key, value] = lookup->lines->keyLines[index];
  if (EqualsNoCase(Trim(key), *lookup->key)) lookup->value = value;
  return 1;
}

std::string StripQuotes(std::string v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    return v.substr(1, v.size() - 2);
  return v;
}

}  // namespace

std::string ReadProfileText(std::string text, const std::string& section, const std::string& key,
                            const std::string& defaultValue, std::size_t bufferSize) {
  Lines lines;
  lines.text = std::move(text);
  if (lines.text.rfind("\xEF\xBB\xBF", 0) == 0) lines.pos = 3;  // a UTF-8 byte order mark
  Lookup lookup{&lines, &section, &key, std::nullopt};
  ini_parse_stream(&NextLine, &lines, &OnEntry, &lookup);
  std::string value = lookup.value ? StripQuotes(Trim(*lookup.value)) : defaultValue;
  if (bufferSize > 0 && Utf8Length(value) > bufferSize - 1) value = Utf8Left(value, bufferSize - 1);
  return value;
}

std::string ReadProfileString(const std::string& file, const std::string& section,
                              const std::string& key, const std::string& defaultValue,
                              std::size_t bufferSize) {
  std::ifstream in(file, std::ios::binary);
  // A file that cannot be opened is no error here: the default comes back.
  if (!in) return ReadProfileText({}, section, key, defaultValue, bufferSize);
  return ReadProfileText(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()), section,
                         key, defaultValue, bufferSize);
}

}  // namespace jc::app
