// The built-in functions the translator knows, and their SQLite forms.
#include <array>

#include "db/TsqlInternal.h"

namespace jc::db::tsql::detail {

namespace {

struct FunctionInfo {
  std::string_view tsql;
  std::string_view sqlite;
  int minArgs;
  int maxArgs;
};

constexpr std::array<FunctionInfo, 17> kFunctions = {{
    {"ISNULL", "ifnull", 2, 2},
    {"COALESCE", "coalesce", 2, 64},
    {"LEFT", "tsql_left", 2, 2},
    {"RIGHT", "tsql_right", 2, 2},
    {"REPLACE", "tsql_replace", 3, 3},
    {"LEN", "tsql_len", 1, 1},
    {"LTRIM", "ltrim", 1, 1},
    {"RTRIM", "rtrim", 1, 1},
    {"UPPER", "upper", 1, 1},
    {"LOWER", "lower", 1, 1},
    {"SUBSTRING", "tsql_substring", 3, 3},
    {"COUNT", "count", 1, 1},
    {"MAX", "max", 1, 1},
    {"MIN", "min", 1, 1},
    {"SUM", "sum", 1, 1},
    {"AVG", "avg", 1, 1},
    {"ABS", "abs", 1, 1},
}};

}  // namespace

std::string Emitter::Call(const std::vector<Token>& v, std::size_t nameAt, std::size_t close) {
  const std::string u = Upper(v[nameAt].text);
  const FunctionInfo* f = nullptr;
  for (const auto& fi : kFunctions)
    if (fi.tsql == u) f = &fi;
  if (!f) Fail("'" + std::string(v[nameAt].text) + "' is not a recognized built-in function name.");
  const std::size_t open = nameAt + 1;
  std::string r(f->sqlite);
  r += "(";
  if (close == open + 1) {
    if (f->minArgs > 0)
      Fail("The " + Upper(v[nameAt].text) + " function requires " + std::to_string(f->minArgs) +
           " argument(s).");
    return r + ")";
  }
  if (u == "COUNT" && close == open + 2 && IsP(v[open + 1], "*")) return "count(*)";
  auto args = SplitTopCommas(v, open + 1, close);
  if (static_cast<int>(args.size()) < f->minArgs || static_cast<int>(args.size()) > f->maxArgs)
    Fail("The " + Upper(v[nameAt].text) + " function requires " + std::to_string(f->minArgs) +
         " argument(s).");
  for (std::size_t k = 0; k < args.size(); ++k) {
    if (k) r += ", ";
    r += Range(v, args[k].first, args[k].second);
  }
  return r + ")";
}

}  // namespace jc::db::tsql::detail
