#pragma once
// Translation of the T-SQL the tool sends into SQLite SQL for the embedded
// store. A statement is tokenized once; its string literals become numbered
// parameters (?1, ?2, ...) so that the translated statement depends only on
// the literal-free template and can be prepared once and reused. Number
// literals stay in the text (they are constants of the statement forms:
// TOP 10000, LEFT(x,7), ORDER BY 1) and are part of the template.
//
// A form the translator does not know is an error (DbError), never passed
// through unchanged.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "db/Backend.h"

namespace jc::db::tsql {

enum class TokKind { Word, QuotedIdent, String, Number, Punct };

struct Token {
  TokKind kind;
  std::string_view text;  // Word/Punct/Number: as written; QuotedIdent: the name
  int literal = -1;       // String: index into Tokens::literals
};

struct Tokens {
  std::vector<Token> list;
  std::vector<std::string> literals;  // decoded string literals, in order
  std::string key;                    // the statement with string literals blanked
};

// Deepest nesting of parentheses a statement may have (subqueries, function
// calls and bracketed expressions alike), as many levels as SQL Server allows
// nested subqueries. The tool's own statements use a few.
inline constexpr int kMaxNesting = 32;

// Splits T-SQL into tokens. Throws DbError on an unterminated literal, a
// character the dialect does not use, or nesting deeper than kMaxNesting.
void Tokenize(std::string_view sql, Tokens& out);

enum class StmtKind {
  Rows,        // a SELECT: returns rows
  Dml,         // INSERT, UPDATE, DELETE: no rows, can be prepared once
  Ddl,         // CREATE, DROP: run as given (string literals inlined)
  SelectInto,  // SELECT ... INTO table: create the table, then fill it
};

struct Translation {
  StmtKind kind = StmtKind::Dml;
  std::string sql;  // SQLite text; for SelectInto the SELECT without INTO
  // SelectInto only: the target table, SQLite schema and table name.
  std::string intoSchema;
  std::string intoTable;
  std::string intoDisplay;  // as written, for messages
  // Ddl only: statements that complete the main one, run after it in the
  // same savepoint (the triggers that fit text values to their columns, the
  // indexes of a work table's unmarked rows).
  std::vector<std::string> after;
};

// A text column of bounded length, as a table is created with it.
struct TextColumn {
  std::string name;
  int length = 0;
};

// The column constraint that bounds a text column as SQL Server does: a
// value longer than its column only by trailing blanks is taken (and cut by
// FitTriggers); any other excess is refused.
std::string LengthCheck(const TextColumn& column);

// The triggers that cut a value longer than its column by trailing blanks
// alone down to the column's length, after every INSERT and UPDATE, as SQL
// Server stores such a value. schema and table name the table in SQLite.
// Empty when there is no bounded text column.
std::vector<std::string> FitTriggers(const std::string& schema, const std::string& table,
                                     const std::vector<TextColumn>& columns);

// The partial indexes the store adds to one of the tool's work tables when
// it makes it (CREATE TABLE or SELECT ... INTO), one per marker column among
// columns: an index of the rows not marked yet, which the next page or pass
// reads. With it, a page or pass that finds nothing is a lookup, not a scan
// of every row already done. Empty for any other table.
std::vector<std::string> UnmarkedRowIndexes(const std::string& schema, const std::string& table,
                                            const std::vector<std::string>& columns);

// Translates one statement. Throws DbError with a SQL Server-like message
// when the statement uses a form the store does not support.
Translation Translate(const Tokens& tokens);

// True for a SELECT other than SELECT ... INTO (a statement that returns
// rows). False for anything else, including text that does not tokenize.
bool ReturnsRows(std::string_view sql);

// The translation with its parameters replaced by the literals themselves:
// the text one would hand to sqlite3_exec. For diagnostics and measurement.
std::string TranslateInline(std::string_view sql);

// Quotes a name as a SQLite identifier.
std::string QuoteIdent(std::string_view name);

}  // namespace jc::db::tsql
