// Splitting T-SQL into tokens; the names of tables and columns.
#include "db/Tsql.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "db/TsqlInternal.h"

namespace jc::db::tsql {

namespace {

bool IsWordStart(unsigned char c) {
  return std::isalpha(c) || c == '_' || c == '@' || c == '#' || c >= 0x80;
}
bool IsWordChar(unsigned char c) {
  return std::isalnum(c) || c == '_' || c == '@' || c == '#' || c == '$' || c >= 0x80;
}

}  // namespace

namespace detail {

std::string Upper(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return r;
}

bool Is(const Token& t, std::string_view word) {
  if (t.kind != TokKind::Word || t.text.size() != word.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(t.text[i])) != word[i]) return false;
  return true;
}

[[noreturn]] void Fail(const std::string& message) { throw DbError(message); }
[[noreturn]] void SyntaxNear(const Token& t) {
  if (t.kind == TokKind::Word) Fail("Incorrect syntax near '" + std::string(t.text) + "'.");
  Fail("Incorrect syntax near '" + std::string(t.text) + "'.");
}
[[noreturn]] void SyntaxAtEnd() { Fail("Incorrect syntax near the end of the statement."); }

}  // namespace detail

using namespace detail;

void Tokenize(std::string_view sql, Tokens& out) {
  out.list.clear();
  out.literals.clear();
  out.key.clear();
  out.key.reserve(sql.size());
  const std::size_t n = sql.size();
  std::size_t i = 0;
  auto addKey = [&](std::string_view text) {
    if (!out.key.empty()) out.key.push_back(' ');
    out.key.append(text);
  };
  // The translator works through parentheses by recursion, one level per
  // pair: the depth is bounded here, before any of it runs.
  int depth = 0;
  while (i < n) {
    const unsigned char c = static_cast<unsigned char>(sql[i]);
    if (c <= 32) {
      ++i;
      continue;
    }
    if (c == '-' && i + 1 < n && sql[i + 1] == '-') {
      while (i < n && sql[i] != '\n') ++i;
      continue;
    }
    if (c == '/' && i + 1 < n && sql[i + 1] == '*') {
      std::size_t end = sql.find("*/", i + 2);
      if (end == std::string_view::npos) Fail("Missing end comment mark '*/'.");
      i = end + 2;
      continue;
    }
    const bool nString = (c == 'N' || c == 'n') && i + 1 < n && sql[i + 1] == '\'';
    if (c == '\'' || nString) {
      std::size_t j = i + (nString ? 2 : 1);
      std::string value;
      for (;;) {
        std::size_t q = sql.find('\'', j);
        if (q == std::string_view::npos)
          Fail("Unclosed quotation mark after the character string '" +
               std::string(sql.substr(i + (nString ? 2 : 1))) + "'.");
        value.append(sql.substr(j, q - j));
        if (q + 1 < n && sql[q + 1] == '\'') {
          value.push_back('\'');
          j = q + 2;
          continue;
        }
        j = q + 1;
        break;
      }
      Token t{TokKind::String, sql.substr(i, j - i), static_cast<int>(out.literals.size())};
      out.literals.push_back(std::move(value));
      out.list.push_back(t);
      addKey("'?'");
      i = j;
      continue;
    }
    if (std::isdigit(c) || (c == '.' && i + 1 < n && std::isdigit(static_cast<unsigned char>(sql[i + 1])))) {
      std::size_t j = i;
      while (j < n && std::isdigit(static_cast<unsigned char>(sql[j]))) ++j;
      if (j < n && sql[j] == '.') {
        ++j;
        while (j < n && std::isdigit(static_cast<unsigned char>(sql[j]))) ++j;
      }
      if (j < n && (sql[j] == 'e' || sql[j] == 'E')) {
        std::size_t k = j + 1;
        if (k < n && (sql[k] == '+' || sql[k] == '-')) ++k;
        if (k < n && std::isdigit(static_cast<unsigned char>(sql[k]))) {
          j = k;
          while (j < n && std::isdigit(static_cast<unsigned char>(sql[j]))) ++j;
        }
      }
      if (j < n && IsWordStart(static_cast<unsigned char>(sql[j])))
        Fail("Incorrect syntax near '" + std::string(sql.substr(i, j - i + 1)) + "'.");
      out.list.push_back({TokKind::Number, sql.substr(i, j - i)});
      addKey(sql.substr(i, j - i));
      i = j;
      continue;
    }
    if (IsWordStart(c)) {
      std::size_t j = i + 1;
      while (j < n && IsWordChar(static_cast<unsigned char>(sql[j]))) ++j;
      out.list.push_back({TokKind::Word, sql.substr(i, j - i)});
      addKey(sql.substr(i, j - i));
      i = j;
      continue;
    }
    if (c == '[' || c == '"') {
      const char close = c == '[' ? ']' : '"';
      std::size_t j = i + 1;
      for (;;) {
        std::size_t q = sql.find(close, j);
        if (q == std::string_view::npos)
          Fail("Unclosed quotation mark after the character string '" + std::string(sql.substr(i)) + "'.");
        if (q + 1 < n && sql[q + 1] == close) {
          j = q + 2;
          continue;
        }
        j = q + 1;
        break;
      }
      out.list.push_back({TokKind::QuotedIdent, sql.substr(i, j - i)});
      addKey(sql.substr(i, j - i));
      i = j;
      continue;
    }
    static constexpr std::array<std::string_view, 6> two = {"<>", "!=", "<=", ">=", "!<", "!>"};
    bool matched = false;
    if (i + 1 < n) {
      for (std::string_view op : two) {
        if (sql.substr(i, 2) == op) {
          out.list.push_back({TokKind::Punct, sql.substr(i, 2)});
          addKey(op);
          i += 2;
          matched = true;
          break;
        }
      }
    }
    if (matched) continue;
    if (std::string_view("(),.*/%+-=<>;").find(static_cast<char>(c)) != std::string_view::npos) {
      if (c == '(' && ++depth > kMaxNesting)
        Fail("Some part of your SQL statement is nested too deeply. Rewrite the query or break it up into "
             "smaller queries.");
      if (c == ')' && depth > 0) --depth;
      out.list.push_back({TokKind::Punct, sql.substr(i, 1)});
      addKey(sql.substr(i, 1));
      ++i;
      continue;
    }
    Fail("Incorrect syntax near '" + std::string(sql.substr(i, 1)) + "'.");
  }
}

std::string QuoteIdent(std::string_view name) {
  std::string r;
  r.reserve(name.size() + 2);
  r.push_back('"');
  for (char c : name) {
    if (c == '"') r.push_back('"');
    r.push_back(c);
  }
  r.push_back('"');
  return r;
}

namespace detail {

// The name a Word or QuotedIdent token stands for.
std::string NameOf(const Token& t) {
  if (t.kind == TokKind::Word) return std::string(t.text);
  const char close = t.text.front() == '[' ? ']' : '"';
  std::string r;
  std::string_view inner = t.text.substr(1, t.text.size() - 2);
  for (std::size_t i = 0; i < inner.size(); ++i) {
    r.push_back(inner[i]);
    if (inner[i] == close) ++i;  // doubled closing character
  }
  return r;
}

// Words the translator treats as keywords (never as names).
bool IsKeyword(const Token& t) {
  if (t.kind != TokKind::Word) return false;
  static constexpr std::array<std::string_view, 62> kw = {
      "SELECT", "DISTINCT", "ALL", "TOP", "FROM", "WHERE", "AND", "OR", "NOT", "NULL",
      "IS", "IN", "EXISTS", "BETWEEN", "LIKE", "ESCAPE", "AS", "ON", "JOIN", "INNER",
      "OUTER", "FULL", "CROSS", "LEFT", "RIGHT", "GROUP", "BY", "HAVING", "ORDER", "ASC",
      "DESC", "UNION", "EXCEPT", "INTERSECT", "CASE", "WHEN", "THEN", "ELSE", "END", "SET",
      "VALUES", "INTO", "INSERT", "UPDATE", "DELETE", "CREATE", "DROP", "TABLE", "INDEX", "COLLATE",
      "WITH", "PERCENT", "DEFAULT", "PRIMARY", "KEY", "UNIQUE", "CLUSTERED", "NONCLUSTERED", "TRUNCATE", "ALTER",
      "EXEC", "EXECUTE"};
  if (t.text.size() > 12) return false;
  const std::string u = Upper(t.text);
  return std::find(kw.begin(), kw.end(), u) != kw.end();
}

bool IsName(const Token& t) {
  return t.kind == TokKind::QuotedIdent || (t.kind == TokKind::Word && !IsKeyword(t));
}

// Index of the parenthesis closing the one at open.
std::size_t MatchParen(const std::vector<Token>& v, std::size_t open, std::size_t end) {
  int depth = 0;
  for (std::size_t i = open; i < end; ++i) {
    if (IsP(v[i], "(")) ++depth;
    else if (IsP(v[i], ")") && --depth == 0) return i;
  }
  Fail("Incorrect syntax near '('.");
}

std::vector<std::pair<std::size_t, std::size_t>> SplitTopCommas(const std::vector<Token>& v, std::size_t b,
                                                                 std::size_t e) {
  std::vector<std::pair<std::size_t, std::size_t>> parts;
  std::size_t s = b;
  for (;;) {
    std::size_t c = FindTop(v, s, e, [](const Token& t) { return IsP(t, ","); });
    if (c == s) {
      if (c < e) SyntaxNear(v[c]);
      SyntaxAtEnd();
    }
    parts.emplace_back(s, c);
    if (c == e) break;
    s = c + 1;
  }
  return parts;
}

std::string SchemaFor(const std::string& database) {
  if (database.empty() || Upper(database) == "MASTER") return "main";
  return database;
}

TableName ParseTableName(const std::vector<Token>& v, std::size_t i, std::size_t e) {
  if (i >= e) SyntaxAtEnd();
  if (!IsName(v[i])) SyntaxNear(v[i]);
  std::vector<std::string> parts{NameOf(v[i])};
  std::size_t j = i + 1;
  while (j < e && IsP(v[j], ".")) {
    if (j + 1 < e && IsP(v[j + 1], ".")) {  // empty schema part
      parts.emplace_back();
      ++j;
      continue;
    }
    if (j + 1 >= e || !IsName(v[j + 1])) SyntaxNear(v[j]);
    parts.push_back(NameOf(v[j + 1]));
    j += 2;
  }
  TableName t;
  t.end = j;
  if (parts.size() == 1) {
    t.schema = "main";
    t.table = parts[0];
    t.display = parts[0];
  } else if (parts.size() == 2) {  // schema.table of the current database
    t.schema = "main";
    t.table = parts[1];
    t.display = parts[0] + "." + parts[1];
  } else if (parts.size() == 3) {
    t.schema = SchemaFor(parts[0]);
    t.table = parts[2];
    t.display = parts[0] + "." + parts[1] + "." + parts[2];
  } else {
    Fail("The object name '" + std::string(v[i].text) + "...' contains more than the maximum number of prefixes.");
  }
  if (t.table.empty()) SyntaxNear(v[j - 1]);
  return t;
}

}  // namespace detail

}  // namespace jc::db::tsql
