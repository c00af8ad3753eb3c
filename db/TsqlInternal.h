#pragma once
// What the files of the T-SQL translator share: token tests and errors, names
// of tables and columns, and the emitter that translates clauses and
// expressions. Tsql.h is the translator's interface; this header is for the
// db/Tsql*.cpp files only.
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "db/Tsql.h"

namespace jc::db::tsql::detail {

// ---------------------------------------------------------------- tokens (TsqlTokens.cpp)

std::string Upper(std::string_view s);
bool Is(const Token& t, std::string_view word);
inline bool IsP(const Token& t, std::string_view p) { return t.kind == TokKind::Punct && t.text == p; }
[[noreturn]] void Fail(const std::string& message);
[[noreturn]] void SyntaxNear(const Token& t);
[[noreturn]] void SyntaxAtEnd();

// The name a Word or QuotedIdent token stands for.
std::string NameOf(const Token& t);
// Words the translator treats as keywords (never as names).
bool IsKeyword(const Token& t);
bool IsName(const Token& t);
// Index of the parenthesis closing the one at open.
std::size_t MatchParen(const std::vector<Token>& v, std::size_t open, std::size_t end);

// First index in [b, e) at parenthesis depth 0 where pred holds, or e.
template <class Pred>
std::size_t FindTop(const std::vector<Token>& v, std::size_t b, std::size_t e, Pred pred) {
  int depth = 0;
  for (std::size_t i = b; i < e; ++i) {
    if (IsP(v[i], "(")) ++depth;
    else if (IsP(v[i], ")")) --depth;
    else if (depth == 0 && pred(v[i])) return i;
  }
  return e;
}

std::vector<std::pair<std::size_t, std::size_t>> SplitTopCommas(const std::vector<Token>& v, std::size_t b,
                                                                 std::size_t e);

// A table name as written: one, two or three parts ("DB..T", "DB.dbo.T").
struct TableName {
  std::string schema;   // SQLite schema: main or an attached database
  std::string table;
  std::string display;  // as SQL Server would name it in a message
  std::size_t end = 0;  // index after the name
  std::string Sql() const { return QuoteIdent(schema) + "." + QuoteIdent(table); }
};

std::string SchemaFor(const std::string& database);
TableName ParseTableName(const std::vector<Token>& v, std::size_t i, std::size_t e);

// ---------------------------------------------------------------- emitter (TsqlEmitter.cpp)

enum class PK { Operand, Plus, Minus, Mul, Boundary };
struct Piece {
  std::string text;
  PK kind;
};

class Emitter {
 public:
  Emitter(const Tokens& tokens, bool inlineStrings) : tokens_(tokens), inline_(inlineStrings) {}

  std::string StringLiteral(const Token& t) const;

  // Translates the tokens [b, e) of v: a clause, an expression, a list or a
  // whole SELECT. A TOP of a SELECT in this range becomes its LIMIT.
  std::string Range(const std::vector<Token>& v, std::size_t b, std::size_t e);

  // A name, possibly qualified: a, a.b, a..b, a.b.c, a.*.
  std::string NameChain(const std::vector<Token>& v, std::size_t i, std::size_t e, std::size_t& next);
  // A call of a built-in function (TsqlFunctions.cpp); close is its ')'.
  std::string Call(const std::vector<Token>& v, std::size_t nameAt, std::size_t close);

  // Joins the pieces of one level, turning every additive chain that holds a
  // '+' into calls of tsql_add, which concatenates texts and adds numbers.
  static std::string Fold(std::vector<Piece>& pieces);

 private:
  const Tokens& tokens_;
  bool inline_;
};

}  // namespace jc::db::tsql::detail
