// Statement rewriting: each statement form the tool sends, as SQLite text.
#include "db/Tsql.h"

#include <algorithm>
#include <cctype>

#include "db/Names.h"
#include "db/TsqlInternal.h"

namespace jc::db::tsql {

using namespace detail;

namespace {

const Token kDot{TokKind::Punct, "."};
const Token kOpen{TokKind::Punct, "("};
const Token kClose{TokKind::Punct, ")"};

// The length of NVARCHAR(n) and its kind, as the server takes it: a whole
// number from 1 to 4000 characters (8000 for VARCHAR and CHAR).
void CheckTextLength(const std::string& column, const std::string& type, const std::string& len) {
  if (len.find_first_not_of("0123456789") != std::string::npos) Fail("Incorrect syntax near '" + len + "'.");
  const std::size_t digits = len.find_first_not_of('0');
  if (digits == std::string::npos) Fail("The length 0 given for a text column is invalid.");
  const int max = type.front() == 'N' ? 4000 : 8000;
  if (len.size() - digits > 4 || std::stoi(len.substr(digits)) > max)
    Fail("The size (" + len.substr(digits) + ") given to the column '" + column +
         "' exceeds the maximum allowed for any data type (" + std::to_string(max) + ").");
}

struct DerivedColumn {
  std::string name;
  std::vector<Token> expr;
  bool plain = false;        // a bare column of the base table
  std::string baseColumn;    // when plain
};

class Translator {
 public:
  Translator(const Tokens& tokens, bool inlineStrings) : tokens_(tokens), em_(tokens, inlineStrings) {}

  Translation Run() {
    std::vector<Token> v = tokens_.list;
    while (!v.empty() && IsP(v.back(), ";")) v.pop_back();
    if (v.empty()) Fail("The statement is empty.");
    for (const Token& t : v)
      if (IsP(t, ";")) Fail("Send one statement at a time.");
    const Token& first = v[0];
    if (Is(first, "SELECT") || IsP(first, "(")) return Select(v);
    if (Is(first, "INSERT")) return Insert(v);
    if (Is(first, "UPDATE")) return Update(v);
    if (Is(first, "DELETE")) return Delete(v);
    if (Is(first, "CREATE")) return Create(v);
    if (Is(first, "DROP")) return Drop(v);
    if (Is(first, "BEGIN") || Is(first, "COMMIT") || Is(first, "ROLLBACK")) return Transaction(v);
    if (first.kind == TokKind::Word)
      Fail("Incorrect syntax near '" + std::string(first.text) + "'. The embedded store does not run this statement.");
    SyntaxNear(first);
  }

 private:
  Translation Select(const std::vector<Token>& v) {
    Translation tr;
    // "SELECT name = expression" names a column in T-SQL; passed on, it would
    // become a comparison. Refused.
    if (Is(v[0], "SELECT")) {
      const std::size_t listEnd = FindTop(v, 1, v.size(), [](const Token& t) {
        return Is(t, "FROM") || Is(t, "INTO") || Is(t, "WHERE") || Is(t, "UNION");
      });
      std::size_t b = 1;
      while (b < listEnd && (Is(v[b], "DISTINCT") || Is(v[b], "ALL"))) ++b;
      if (b < listEnd && Is(v[b], "TOP")) b += (b + 1 < listEnd && IsP(v[b + 1], "(")) ? 4 : 2;
      if (b < listEnd)
        for (auto [ib, ie] : SplitTopCommas(v, b, listEnd))
          if (ie - ib >= 2 && IsName(v[ib]) && IsP(v[ib + 1], "="))
            Fail("The column alias form '" + NameOf(v[ib]) + " = ...' is not supported by the embedded store; use AS.");
    }
    const std::size_t into = FindTop(v, 0, v.size(), [](const Token& t) { return Is(t, "INTO"); });
    if (into == v.size()) {
      tr.kind = StmtKind::Rows;
      tr.sql = em_.Range(v, 0, v.size());
      return tr;
    }
    const std::size_t from = FindTop(v, 0, v.size(), [](const Token& t) { return Is(t, "FROM"); });
    if (!Is(v[0], "SELECT") || from < into) SyntaxNear(v[into]);
    TableName target = ParseTableName(v, into + 1, v.size());
    std::vector<Token> rest(v.begin(), v.begin() + static_cast<long>(into));
    rest.insert(rest.end(), v.begin() + static_cast<long>(target.end), v.end());
    tr.kind = StmtKind::SelectInto;
    tr.sql = em_.Range(rest, 0, rest.size());
    tr.intoSchema = target.schema;
    tr.intoTable = target.table;
    tr.intoDisplay = target.display;
    return tr;
  }

  Translation Insert(const std::vector<Token>& v) {
    std::size_t i = 1;
    if (i < v.size() && Is(v[i], "INTO")) ++i;
    TableName t = ParseTableName(v, i, v.size());
    i = t.end;
    std::string sql = "INSERT INTO " + t.Sql();
    if (i < v.size() && IsP(v[i], "(") && !(i + 1 < v.size() && Is(v[i + 1], "SELECT"))) {
      std::size_t close = MatchParen(v, i, v.size());
      sql += " (";
      auto cols = SplitTopCommas(v, i + 1, close);
      for (std::size_t k = 0; k < cols.size(); ++k) {
        if (cols[k].second != cols[k].first + 1 || !IsName(v[cols[k].first])) SyntaxNear(v[cols[k].first]);
        if (k) sql += ", ";
        sql += QuoteIdent(NameOf(v[cols[k].first]));
      }
      sql += ")";
      i = close + 1;
    }
    if (i >= v.size()) SyntaxAtEnd();
    if (!Is(v[i], "SELECT") && !Is(v[i], "VALUES") && !IsP(v[i], "(")) SyntaxNear(v[i]);
    sql += " " + em_.Range(v, i, v.size());
    return {StmtKind::Dml, sql, {}, {}, {}, {}};
  }

  Translation Delete(const std::vector<Token>& v) {
    std::size_t i = 1;
    if (i < v.size() && Is(v[i], "FROM")) ++i;
    TableName t = ParseTableName(v, i, v.size());
    i = t.end;
    std::string sql = "DELETE FROM " + t.Sql();
    if (i < v.size()) {
      if (!Is(v[i], "WHERE")) SyntaxNear(v[i]);
      sql += " WHERE " + em_.Range(v, i + 1, v.size());
    }
    return {StmtKind::Dml, sql, {}, {}, {}, {}};
  }

  // BEGIN TRANSACTION, COMMIT TRANSACTION, ROLLBACK TRANSACTION (TRAN for
  // short): an explicit transaction around statements that must commit
  // together.
  Translation Transaction(const std::vector<Token>& v) {
    if (v.size() != 2 || !(Is(v[1], "TRANSACTION") || Is(v[1], "TRAN"))) SyntaxNear(v[v.size() > 1 ? 1 : 0]);
    const std::string sql = Is(v[0], "BEGIN") ? "BEGIN" : Is(v[0], "COMMIT") ? "COMMIT" : "ROLLBACK";
    return Translation{StmtKind::Ddl, sql, {}, {}, {}, {}};
  }

  Translation Drop(const std::vector<Token>& v) {
    if (v.size() < 2 || !Is(v[1], "TABLE")) SyntaxNear(v.size() > 1 ? v[1] : v[0]);
    TableName t = ParseTableName(v, 2, v.size());
    if (t.end != v.size()) SyntaxNear(v[t.end]);
    Translation tr{StmtKind::Ddl, "DROP TABLE " + t.Sql(), {}, {}, {}, {}};
    tr.intoDisplay = t.display;
    return tr;
  }

  Translation Create(const std::vector<Token>& v) {
    std::size_t i = 1;
    if (i < v.size() && Is(v[i], "TABLE")) return CreateTable(v);
    bool unique = false;
    if (i < v.size() && Is(v[i], "UNIQUE")) {
      unique = true;
      ++i;
    }
    if (i < v.size() && (Is(v[i], "NONCLUSTERED") || Is(v[i], "CLUSTERED"))) ++i;
    if (i >= v.size() || !Is(v[i], "INDEX")) SyntaxNear(v[std::min(i, v.size() - 1)]);
    ++i;
    if (i >= v.size() || !IsName(v[i])) SyntaxAtEnd();
    const std::string index = NameOf(v[i]);
    ++i;
    if (i >= v.size() || !Is(v[i], "ON")) SyntaxAtEnd();
    TableName t = ParseTableName(v, i + 1, v.size());
    i = t.end;
    if (i >= v.size() || !IsP(v[i], "(")) SyntaxAtEnd();
    std::size_t close = MatchParen(v, i, v.size());
    std::string cols;
    for (auto [b, e] : SplitTopCommas(v, i + 1, close)) {
      if (!IsName(v[b])) SyntaxNear(v[b]);
      std::string c = QuoteIdent(NameOf(v[b]));
      if (e == b + 2 && (Is(v[b + 1], "ASC") || Is(v[b + 1], "DESC"))) c += " " + Upper(v[b + 1].text);
      else if (e != b + 1) SyntaxNear(v[b + 1]);
      if (!cols.empty()) cols += ", ";
      cols += c;
    }
    i = close + 1;
    if (i < v.size() && Is(v[i], "WITH")) {
      if (i + 1 >= v.size() || !IsP(v[i + 1], "(")) SyntaxNear(v[i]);
      i = MatchParen(v, i + 1, v.size()) + 1;
    }
    if (i < v.size() && Is(v[i], "ON")) {
      if (i + 1 >= v.size() || !IsName(v[i + 1])) SyntaxNear(v[i]);
      i += 2;
    }
    if (i != v.size()) SyntaxNear(v[i]);
    // Index names are per table in SQL Server and per file here: the table's
    // name is part of the stored index name.
    std::string sql = std::string("CREATE ") + (unique ? "UNIQUE " : "") + "INDEX " + QuoteIdent(t.schema) + "." +
                      QuoteIdent(t.table + "__" + index) + " ON " + QuoteIdent(t.table) + " (" + cols + ")";
    Translation tr{StmtKind::Ddl, sql, {}, {}, {}, {}};
    tr.intoDisplay = index + "\x1f" + t.table;
    return tr;
  }

  Translation CreateTable(const std::vector<Token>& v) {
    TableName t = ParseTableName(v, 2, v.size());
    std::size_t i = t.end;
    if (i >= v.size() || !IsP(v[i], "(")) SyntaxAtEnd();
    std::size_t close = MatchParen(v, i, v.size());
    if (close + 1 != v.size()) SyntaxNear(v[close + 1]);
    std::string cols;
    std::vector<TextColumn> bounded;
    std::vector<std::string> names;
    for (auto [b, e] : SplitTopCommas(v, i + 1, close)) {
      if (!IsName(v[b]) || b + 1 >= e) SyntaxNear(v[b]);
      const std::string name = NameOf(v[b]);
      names.push_back(name);
      std::size_t j = b + 1;
      if (v[j].kind != TokKind::Word) SyntaxNear(v[j]);
      const std::string type = Upper(v[j].text);
      ++j;
      std::string len;
      std::string args;
      if (j < e && IsP(v[j], "(")) {
        std::size_t c = MatchParen(v, j, e);
        for (std::size_t k = j + 1; k < c; ++k) {
          if (v[k].kind == TokKind::Number || Is(v[k], "MAX") || IsP(v[k], ",")) args += std::string(v[k].text);
          else SyntaxNear(v[k]);
        }
        if (c == j + 2 && v[j + 1].kind == TokKind::Number) len = std::string(v[j + 1].text);
        j = c + 1;
      }
      bool notNull = false;
      while (j < e) {
        if (Is(v[j], "NULL")) {
          ++j;
        } else if (Is(v[j], "NOT") && j + 1 < e && Is(v[j + 1], "NULL")) {
          notNull = true;
          j += 2;
        } else {
          Fail("Column definition '" + name + "': '" + std::string(v[j].text) +
               "' is not supported by the embedded store.");
        }
      }
      std::string def = QuoteIdent(name) + " ";
      const bool text = type == "NVARCHAR" || type == "VARCHAR" || type == "NCHAR" || type == "CHAR";
      if (text && !len.empty()) CheckTextLength(name, type, len);
      if (text || type == "NTEXT" || type == "TEXT") {
        def += type + (args.empty() ? "" : "(" + args + ")") + " COLLATE TSQL";
        if (text && !len.empty()) {
          bounded.push_back({name, std::stoi(len)});
          def += " " + LengthCheck(bounded.back());
        }
      } else if (type == "INT" || type == "INTEGER" || type == "BIGINT" || type == "SMALLINT" ||
                 type == "TINYINT" || type == "BIT") {
        def += "INTEGER";
      } else if (type == "DECIMAL" || type == "NUMERIC" || type == "MONEY") {
        def += "NUMERIC";
      } else if (type == "FLOAT" || type == "REAL") {
        def += "REAL";
      } else {
        Fail("Column, parameter, or variable #1: Cannot find data type " + std::string(v[b + 1].text) + ".");
      }
      if (notNull) def += " NOT NULL";
      if (!cols.empty()) cols += ", ";
      cols += def;
    }
    Translation tr{StmtKind::Ddl, "CREATE TABLE " + t.Sql() + " (" + cols + ")", {}, {}, {}, {}};
    tr.intoDisplay = t.table;
    tr.after = FitTriggers(t.schema, t.table, bounded);
    for (std::string& index : UnmarkedRowIndexes(t.schema, t.table, names)) tr.after.push_back(std::move(index));
    return tr;
  }

  // UPDATE target SET c = e, ... [FROM items] [WHERE cond]
  Translation Update(const std::vector<Token>& v) {
    const std::size_t n = v.size();
    TableName target = ParseTableName(v, 1, n);
    std::size_t i = target.end;
    if (i >= n || !Is(v[i], "SET")) SyntaxNear(v[std::min(i, n - 1)]);
    ++i;
    const std::size_t fromAt = FindTop(v, i, n, [](const Token& t) { return Is(t, "FROM"); });
    const std::size_t whereAt = FindTop(v, i, n, [](const Token& t) { return Is(t, "WHERE"); });
    const std::size_t setEnd = std::min(fromAt, whereAt);
    if (fromAt != n && whereAt < fromAt) SyntaxNear(v[fromAt]);

    struct Assign {
      std::string column;
      std::size_t b, e;
    };
    std::vector<Assign> assigns;
    for (auto [b, e] : SplitTopCommas(v, i, setEnd)) {
      std::size_t eq = b;
      std::string column;
      // column, alias.column or [column]
      if (!IsName(v[b])) SyntaxNear(v[b]);
      column = NameOf(v[b]);
      eq = b + 1;
      if (eq + 1 < e && IsP(v[eq], ".") && IsName(v[eq + 1])) {
        column = NameOf(v[eq + 1]);
        eq += 2;
      }
      if (eq >= e || !IsP(v[eq], "=") || eq + 1 >= e) SyntaxNear(v[std::min(eq, e - 1)]);
      assigns.push_back({column, eq + 1, e});
    }

    struct Item {
      std::size_t b, e;       // tokens of the table or derived table
      bool derived = false;
      TableName table;
      std::string alias;
    };
    std::vector<Item> items;
    if (fromAt != n) {
      for (auto [b, e] : SplitTopCommas(v, fromAt + 1, whereAt)) {
        Item it;
        it.b = b;
        std::size_t j;
        if (IsP(v[b], "(")) {
          it.derived = true;
          j = MatchParen(v, b, e) + 1;
        } else {
          it.table = ParseTableName(v, b, e);
          j = it.table.end;
        }
        it.e = j;
        if (j < e && Is(v[j], "AS")) ++j;
        if (j < e) {
          if (!IsName(v[j])) SyntaxNear(v[j]);
          it.alias = NameOf(v[j]);
          ++j;
        }
        if (j != e) Fail("Incorrect syntax near '" + std::string(v[j].text) +
                         "'. The embedded store takes UPDATE ... FROM with a list of tables only.");
        if (it.derived && it.alias.empty()) Fail("A derived table must have an alias.");
        items.push_back(std::move(it));
      }
    }

    // Which FROM item the target names.
    const bool targetIsSingleName = target.display == target.table;
    int match = -1;
    for (std::size_t k = 0; k < items.size(); ++k) {
      const std::string& name = items[k].alias.empty() ? items[k].table.table : items[k].alias;
      if (targetIsSingleName && Upper(name) == Upper(target.table)) {
        if (match >= 0) Fail("The table '" + target.table + "' is ambiguous.");
        match = static_cast<int>(k);
      }
    }

    std::string sql;
    std::string extraWhere;
    std::vector<std::pair<std::string, std::string>> sets;  // column, expression
    std::size_t others = 0;
    std::string fromSql;
    auto appendFrom = [&](std::size_t k) {
      const Item& it = items[k];
      fromSql += (others++ ? ", " : " FROM ") + em_.Range(v, it.b, it.e);
      if (!it.alias.empty()) fromSql += " AS " + QuoteIdent(it.alias);
    };
    for (std::size_t k = 0; k < items.size(); ++k)
      if (static_cast<int>(k) != match) appendFrom(k);

    std::vector<Token> whereTokens;
    if (whereAt != n) whereTokens.assign(v.begin() + static_cast<long>(whereAt) + 1, v.end());

    if (match < 0) {
      sql = "UPDATE " + target.Sql();
      for (const Assign& a : assigns) sets.emplace_back(a.column, em_.Range(v, a.b, a.e));
    } else if (!items[static_cast<std::size_t>(match)].derived) {
      const Item& it = items[static_cast<std::size_t>(match)];
      sql = "UPDATE " + it.table.Sql() + (it.alias.empty() ? "" : " AS " + QuoteIdent(it.alias));
      for (const Assign& a : assigns) sets.emplace_back(a.column, em_.Range(v, a.b, a.e));
    } else {
      // An update through a derived table over one base table: update the
      // base table, with the derived columns replaced by their expressions
      // and the derived table's filter as a condition on the row.
      const Item& it = items[static_cast<std::size_t>(match)];
      Derived d = ParseDerived(v, it.b + 1, it.e - 1, it.alias);
      Token aliasTok = v[it.e];  // placeholder, replaced below
      for (std::size_t k = it.e; k < v.size(); ++k)
        if (IsName(v[k]) && Upper(NameOf(v[k])) == Upper(it.alias)) {
          aliasTok = v[k];
          break;
        }
      sql = "UPDATE " + d.table.Sql() + " AS " + QuoteIdent(it.alias);
      for (const Assign& a : assigns) {
        const DerivedColumn* c = d.Find(a.column);
        if (!c) Fail("Invalid column name '" + a.column + "'.");
        if (!c->plain)
          Fail("Update or insert of view or function '" + it.alias +
               "' failed because it contains a derived or constant field.");
        std::vector<Token> rhs(v.begin() + static_cast<long>(a.b), v.begin() + static_cast<long>(a.e));
        rhs = Substitute(rhs, it.alias, d, aliasTok);
        sets.emplace_back(c->baseColumn, em_.Range(rhs, 0, rhs.size()));
      }
      whereTokens = Substitute(whereTokens, it.alias, d, aliasTok);
      if (d.whereB < d.whereE) {
        extraWhere = QuoteIdent(it.alias) + ".rowid IN (SELECT rowid FROM " + d.table.Sql() +
                     (d.innerAlias.empty() ? "" : " AS " + QuoteIdent(d.innerAlias)) + " WHERE " +
                     em_.Range(v, d.whereB, d.whereE) + ")";
      }
    }
    sql += " SET ";
    for (std::size_t k = 0; k < sets.size(); ++k) {
      if (k) sql += ", ";
      sql += QuoteIdent(sets[k].first) + " = " + sets[k].second;
    }
    sql += fromSql;
    std::string where;
    if (!whereTokens.empty()) where = em_.Range(whereTokens, 0, whereTokens.size());
    if (!where.empty() && !extraWhere.empty()) sql += " WHERE (" + where + ") AND " + extraWhere;
    else if (!where.empty()) sql += " WHERE " + where;
    else if (!extraWhere.empty()) sql += " WHERE " + extraWhere;
    return {StmtKind::Dml, sql, {}, {}, {}, {}};
  }

  struct Derived {
    TableName table;
    std::string innerAlias;
    std::vector<DerivedColumn> columns;
    std::size_t whereB = 0, whereE = 0;
    const DerivedColumn* Find(const std::string& name) const {
      for (const auto& c : columns)
        if (Upper(c.name) == Upper(name)) return &c;
      return nullptr;
    }
  };

  // (SELECT items FROM base [AS a] [WHERE cond]) — the only derived table an
  // update can go through.
  Derived ParseDerived(const std::vector<Token>& v, std::size_t b, std::size_t e, const std::string& alias) {
    auto notUpdatable = [&]() -> Derived {
      Fail("Update or insert of view or function '" + alias +
           "' failed because it contains a derived or constant field.");
    };
    if (b >= e || !Is(v[b], "SELECT")) notUpdatable();
    std::size_t from = FindTop(v, b + 1, e, [](const Token& t) { return Is(t, "FROM"); });
    if (from == e) notUpdatable();
    if (Is(v[b + 1], "DISTINCT") || Is(v[b + 1], "TOP")) notUpdatable();
    Derived d;
    d.table = ParseTableName(v, from + 1, e);
    std::size_t j = d.table.end;
    if (j < e && Is(v[j], "AS")) ++j;
    if (j < e && IsName(v[j]) && !Is(v[j], "WHERE")) d.innerAlias = NameOf(v[j++]);
    if (j < e) {
      if (!Is(v[j], "WHERE")) notUpdatable();
      if (FindTop(v, j + 1, e, [](const Token& t) { return Is(t, "GROUP") || Is(t, "HAVING") || Is(t, "UNION"); }) != e)
        notUpdatable();
      d.whereB = j + 1;
      d.whereE = e;
    }
    for (auto [ib, ie] : SplitTopCommas(v, b + 1, from)) {
      DerivedColumn c;
      std::size_t exprEnd = ie;
      if (ie - ib >= 3 && Is(v[ie - 2], "AS") && IsName(v[ie - 1])) {
        c.name = NameOf(v[ie - 1]);
        exprEnd = ie - 2;
      } else if (ie - ib >= 2 && IsName(v[ie - 1]) && !IsP(v[ie - 2], ".")) {
        c.name = NameOf(v[ie - 1]);
        exprEnd = ie - 1;
      }
      c.expr.assign(v.begin() + static_cast<long>(ib), v.begin() + static_cast<long>(exprEnd));
      // A plain column: name, or qualifier.name with the base table's name or alias.
      if (c.expr.size() == 1 && IsName(c.expr[0])) {
        c.plain = true;
        c.baseColumn = NameOf(c.expr[0]);
      } else if (c.expr.size() == 3 && IsName(c.expr[0]) && IsP(c.expr[1], ".") && IsName(c.expr[2])) {
        const std::string q = Upper(NameOf(c.expr[0]));
        if (q == Upper(d.table.table) || (!d.innerAlias.empty() && q == Upper(d.innerAlias))) {
          c.plain = true;
          c.baseColumn = NameOf(c.expr[2]);
        }
      } else if (c.expr.size() == 1 && IsP(c.expr[0], "*")) {
        Fail("The embedded store cannot update through a derived table that selects *.");
      }
      if (c.name.empty()) {
        if (!c.plain) Fail("No column name was specified for a column of '" + alias + "'.");
        c.name = c.baseColumn;
      }
      d.columns.push_back(std::move(c));
    }
    return d;
  }

  // Replaces alias.column by the derived column's expression, its bare
  // column names qualified with the alias (which now names the base table).
  std::vector<Token> Substitute(const std::vector<Token>& in, const std::string& alias, const Derived& d,
                                const Token& aliasTok) {
    std::vector<Token> out;
    const std::string ua = Upper(alias);
    for (std::size_t k = 0; k < in.size(); ++k) {
      const Token& t = in[k];
      const bool qualified = k > 0 && IsP(in[k - 1], ".");
      if (IsName(t) && !qualified && k + 2 < in.size() && IsP(in[k + 1], ".") && IsName(in[k + 2]) &&
          Upper(NameOf(t)) == ua) {
        const std::string col = NameOf(in[k + 2]);
        const DerivedColumn* c = d.Find(col);
        if (!c) Fail("Invalid column name '" + col + "'.");
        out.push_back(kOpen);
        const auto& ex = c->expr;
        for (std::size_t m = 0; m < ex.size(); ++m) {
          const Token& x = ex[m];
          const bool xQualified = m > 0 && IsP(ex[m - 1], ".");
          const bool call = m + 1 < ex.size() && IsP(ex[m + 1], "(");
          if (IsName(x) && !xQualified && !call) {
            if (m + 1 < ex.size() && IsP(ex[m + 1], ".")) {
              out.push_back(aliasTok);  // inner qualifier becomes the alias
              continue;
            }
            out.push_back(aliasTok);
            out.push_back(kDot);
          }
          out.push_back(x);
        }
        out.push_back(kClose);
        k += 2;
        continue;
      }
      out.push_back(t);
    }
    return out;
  }

  const Tokens& tokens_;
  Emitter em_;
};

}  // namespace

Translation Translate(const Tokens& tokens) { return Translator(tokens, false).Run(); }

bool ReturnsRows(std::string_view sql) {
  Tokens t;
  try {
    Tokenize(sql, t);
  } catch (const DbError&) {
    return false;
  }
  const auto& v = t.list;
  std::size_t i = 0;
  while (i < v.size() && IsP(v[i], "(")) ++i;
  if (i >= v.size() || !Is(v[i], "SELECT")) return false;
  return FindTop(v, 0, v.size(), [](const Token& x) { return Is(x, "INTO"); }) == v.size();
}

std::string LengthCheck(const TextColumn& column) {
  return "CHECK(length(rtrim(" + QuoteIdent(column.name) + ", ' ')) <= " + std::to_string(column.length) + ")";
}

std::vector<std::string> FitTriggers(const std::string& schema, const std::string& table,
                                     const std::vector<TextColumn>& columns) {
  if (columns.empty()) return {};
  // The check has already refused any excess other than trailing blanks, so
  // cutting at the length drops blanks only. Inside a trigger the table is
  // named without its schema: it is the trigger's own.
  std::string when, set, names;
  for (const TextColumn& c : columns) {
    const std::string name = QuoteIdent(c.name), len = std::to_string(c.length);
    when += (when.empty() ? "" : " OR ") + std::string("length(NEW.") + name + ") > " + len;
    set += (set.empty() ? "" : ", ") + name + " = substr(" + name + ", 1, " + len + ")";
    names += (names.empty() ? "" : ", ") + name;
  }
  const std::string body = " WHEN " + when + " BEGIN UPDATE " + QuoteIdent(table) + " SET " + set +
                           " WHERE rowid = NEW.rowid; END";
  // Triggers do not fire themselves again, so the UPDATE inside ends there.
  return {"CREATE TRIGGER " + QuoteIdent(schema) + "." + QuoteIdent(table + "__fit_insert") + " AFTER INSERT ON " +
              QuoteIdent(table) + body,
          "CREATE TRIGGER " + QuoteIdent(schema) + "." + QuoteIdent(table + "__fit_update") + " AFTER UPDATE OF " +
              names + " ON " + QuoteIdent(table) + body};
}

namespace {

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
         });
}

// The marker columns of the tool's work tables, and what an unmarked row
// holds in them: the rows the next page or pass reads.
struct MarkerColumn {
  std::string_view table;  // qualified, as the tool names it
  std::string_view column;
  std::string_view unmarked;  // the condition on the column
};
constexpr MarkerColumn kMarkerColumns[] = {
    {names::TEMP_MAPPING_BAK, names::col::ENCRYPT, "IS NULL"},   // the build's pages
    {names::TEMP_MAPPING_BAK, names::col::CHECKFLG, "IS NULL"},  // the verification's pages
    {names::JUMIN_CHECK, names::col::CHK, "<> '1' COLLATE TSQL"},  // the audits' passes
};

}  // namespace

std::vector<std::string> UnmarkedRowIndexes(const std::string& schema, const std::string& table,
                                            const std::vector<std::string>& columns) {
  std::vector<std::string> out;
  for (const MarkerColumn& m : kMarkerColumns) {
    const std::size_t dots = m.table.find("..");
    if (!SameName(schema, m.table.substr(0, dots)) || !SameName(table, m.table.substr(dots + 2))) continue;
    for (const std::string& column : columns) {
      if (!SameName(column, m.column)) continue;
      const std::string name = QuoteIdent(column);
      out.push_back("CREATE INDEX " + QuoteIdent(schema) + "." + QuoteIdent(table + "__unmarked_" + column) +
                    " ON " + QuoteIdent(table) + " (" + name + ") WHERE " + name + " " + std::string(m.unmarked));
    }
  }
  return out;
}

std::string TranslateInline(std::string_view sql) {
  Tokens t;
  Tokenize(sql, t);
  return Translator(t, true).Run().sql;
}

}  // namespace jc::db::tsql
