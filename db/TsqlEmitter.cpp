// The emitter: clauses and expressions of T-SQL as SQLite text.
#include <algorithm>
#include <array>

#include "db/TsqlInternal.h"

namespace jc::db::tsql::detail {

namespace {

// Keywords that may appear inside the clauses the emitter passes through.
bool IsClauseKeyword(const std::string& u) {
  static constexpr std::array<std::string_view, 37> ok = {
      "SELECT", "DISTINCT", "ALL", "FROM", "WHERE", "AND", "OR", "NOT", "NULL", "IS",
      "IN", "EXISTS", "BETWEEN", "LIKE", "ESCAPE", "AS", "ON", "JOIN", "INNER", "OUTER",
      "FULL", "CROSS", "LEFT", "RIGHT", "GROUP", "BY", "HAVING", "ORDER", "ASC", "DESC",
      "UNION", "EXCEPT", "INTERSECT", "CASE", "WHEN", "THEN", "ELSE"};
  return u == "END" || u == "VALUES" || std::find(ok.begin(), ok.end(), u) != ok.end();
}

}  // namespace

std::string Emitter::StringLiteral(const Token& t) const {
  if (inline_) {
    std::string r = "'";
    for (char c : tokens_.literals[static_cast<std::size_t>(t.literal)]) {
      if (c == '\'') r.push_back('\'');
      r.push_back(c);
    }
    return r + "' COLLATE TSQL";
  }
  return "?" + std::to_string(t.literal + 1) + " COLLATE TSQL";
}

std::string Emitter::Range(const std::vector<Token>& v, std::size_t b, std::size_t e) {
  std::vector<Piece> pieces;
  std::string limit;
  bool compound = false;
  // In a FROM clause a name after FROM, JOIN or a comma names a table; a
  // table named without its database is one of master's.
  bool inFrom = false;
  bool expectTable = false;
  std::size_t i = b;
  auto lastIs = [&](std::initializer_list<std::string_view> words) {
    if (pieces.empty()) return false;
    for (auto w : words)
      if (pieces.back().text == w) return true;
    return false;
  };
  while (i < e) {
    const Token& t = v[i];
    switch (t.kind) {
      case TokKind::String:
        pieces.push_back({StringLiteral(t), PK::Operand});
        ++i;
        break;
      case TokKind::Number:
        pieces.push_back({std::string(t.text), PK::Operand});
        ++i;
        break;
      case TokKind::Word:
      case TokKind::QuotedIdent: {
        const bool call = i + 1 < e && IsP(v[i + 1], "(") && t.kind == TokKind::Word;
        if (IsKeyword(t) && !(call && (Is(t, "LEFT") || Is(t, "RIGHT")))) {
          const std::string u = Upper(t.text);
          if (u == "TOP") {
            if (!lastIs({"SELECT", "DISTINCT", "ALL"}) || !limit.empty()) SyntaxNear(t);
            std::size_t j = i + 1;
            bool paren = j < e && IsP(v[j], "(");
            if (paren) ++j;
            if (j >= e || v[j].kind != TokKind::Number) SyntaxNear(t);
            limit = std::string(v[j].text);
            ++j;
            if (paren) {
              if (j >= e || !IsP(v[j], ")")) SyntaxNear(t);
              ++j;
            }
            if (j < e && (Is(v[j], "PERCENT") || Is(v[j], "WITH")))
              Fail("TOP ... " + Upper(v[j].text) + " is not supported by the embedded store.");
            i = j;
            break;
          }
          if (!IsClauseKeyword(u)) Fail("Incorrect syntax near the keyword '" + std::string(t.text) + "'.");
          if (u == "UNION" || u == "EXCEPT" || u == "INTERSECT") compound = true;
          if (u == "FROM" || u == "JOIN") {
            inFrom = true;
            expectTable = true;
          } else if (u != "AS" && u != "INNER" && u != "LEFT" && u != "RIGHT" && u != "OUTER" && u != "FULL" &&
                     u != "CROSS") {
            inFrom = u == "ON" ? inFrom : false;
            expectTable = false;
          }
          pieces.push_back({u, u == "NULL" ? PK::Operand : PK::Boundary});
          ++i;
          break;
        }
        if (call) {
          std::size_t close = MatchParen(v, i + 1, e);
          pieces.push_back({Call(v, i, close), PK::Operand});
          i = close + 1;
          break;
        }
        std::size_t next = 0;
        if (expectTable) {
          expectTable = false;
          TableName table = ParseTableName(v, i, e);
          pieces.push_back({table.Sql(), PK::Operand});
          i = table.end;
          break;
        }
        pieces.push_back({NameChain(v, i, e, next), PK::Operand});
        i = next;
        break;
      }
      case TokKind::Punct: {
        const std::string_view p = t.text;
        if (p == "(") {
          expectTable = false;
          std::size_t close = MatchParen(v, i, e);
          pieces.push_back({"(" + Range(v, i + 1, close) + ")", PK::Operand});
          i = close + 1;
        } else if (p == "+") {
          pieces.push_back({"+", PK::Plus});
          ++i;
        } else if (p == "-") {
          pieces.push_back({"-", PK::Minus});
          ++i;
        } else if (p == "*") {
          const bool binary = !pieces.empty() && pieces.back().kind == PK::Operand;
          pieces.push_back({"*", binary ? PK::Mul : PK::Operand});
          ++i;
        } else if (p == "/" || p == "%") {
          pieces.push_back({std::string(p), PK::Mul});
          ++i;
        } else if (p == "," || p == "=" || p == "<>" || p == "!=" || p == "<" || p == ">" || p == "<=" ||
                   p == ">=") {
          expectTable = inFrom && p == ",";
          pieces.push_back({std::string(p), PK::Boundary});
          ++i;
        } else if (p == "!<") {
          pieces.push_back({">=", PK::Boundary});
          ++i;
        } else if (p == "!>") {
          pieces.push_back({"<=", PK::Boundary});
          ++i;
        } else {
          SyntaxNear(t);
        }
        break;
      }
    }
  }
  std::string out = Fold(pieces);
  if (!limit.empty()) {
    if (compound) Fail("TOP in one part of a UNION is not supported by the embedded store.");
    out += " LIMIT " + limit;
  }
  return out;
}

std::string Emitter::NameChain(const std::vector<Token>& v, std::size_t i, std::size_t e, std::size_t& next) {
  std::vector<std::string> parts{NameOf(v[i])};
  std::size_t j = i + 1;
  bool star = false;
  while (j < e && IsP(v[j], ".")) {
    if (j + 1 < e && IsP(v[j + 1], ".")) {
      parts.emplace_back();
      ++j;
      continue;
    }
    if (j + 1 < e && IsP(v[j + 1], "*")) {
      star = true;
      j += 2;
      break;
    }
    if (j + 1 >= e || !IsName(v[j + 1])) SyntaxNear(v[j]);
    parts.push_back(NameOf(v[j + 1]));
    j += 2;
  }
  next = j;
  std::string r;
  if (parts.size() >= 3) {
    // database.schema.object[.column]: the schema part names nothing here.
    if (parts.size() > 4) Fail("The object name contains more than the maximum number of prefixes.");
    r = QuoteIdent(SchemaFor(parts[0])) + "." + QuoteIdent(parts[2]);
    if (parts.size() == 4) r += "." + QuoteIdent(parts[3]);
  } else {
    for (std::size_t k = 0; k < parts.size(); ++k) {
      if (parts[k].empty()) SyntaxNear(v[i]);
      if (k) r += ".";
      r += QuoteIdent(parts[k]);
    }
  }
  if (star) r += ".*";
  return r;
}

std::string Emitter::Fold(std::vector<Piece>& pieces) {
  std::string out;
  std::size_t i = 0;
  auto append = [&](const std::string& s) {
    if (!out.empty()) out.push_back(' ');
    out += s;
  };
  while (i < pieces.size()) {
    if (pieces[i].kind == PK::Boundary) {
      append(pieces[i].text);
      ++i;
      continue;
    }
    // A run: operands and arithmetic operators up to the next boundary or
    // two adjacent operands (an alias without AS).
    std::vector<std::string> terms{""};
    std::vector<char> ops;
    bool expectOperand = true;
    bool hasPlus = false;
    std::size_t j = i;
    for (; j < pieces.size(); ++j) {
      const Piece& p = pieces[j];
      if (p.kind == PK::Boundary) break;
      if (p.kind == PK::Operand) {
        if (!expectOperand) break;
        std::string& term = terms.back();
        if (!term.empty() && term.back() != '-' && term.back() != '+') term.push_back(' ');
        term += p.text;
        expectOperand = false;
      } else if (expectOperand) {
        // unary sign
        std::string& term = terms.back();
        if (!term.empty()) term.push_back(' ');
        if (p.kind == PK::Minus) term += "-";
        else if (p.kind != PK::Plus) term += p.text;
      } else if (p.kind == PK::Mul) {
        terms.back() += " " + p.text;
        expectOperand = true;
      } else {
        ops.push_back(p.kind == PK::Plus ? '+' : '-');
        if (p.kind == PK::Plus) hasPlus = true;
        terms.emplace_back();
        expectOperand = true;
      }
    }
    std::string acc = terms[0];
    for (std::size_t k = 0; k < ops.size(); ++k) {
      if (!hasPlus) acc += std::string(" ") + ops[k] + " " + terms[k + 1];
      else if (ops[k] == '+') acc = "tsql_add(" + acc + ", " + terms[k + 1] + ")";
      else acc += " - " + terms[k + 1];
    }
    append(acc);
    i = j;
  }
  return out;
}

}  // namespace jc::db::tsql::detail
