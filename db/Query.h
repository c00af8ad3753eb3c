#pragma once
// A query object (ADO style) with a client-side snapshot: the whole result is
// fetched when the query opens, so the record count is exact and the rows read
// do not change while other statements change the table underneath. The
// snapshot is read front to back; past a few megabytes its rows wait in an
// encrypted temporary file (db/RowStore.h), so memory stays flat however
// many rows the result has.
#include <string>
#include <string_view>
#include <vector>

#include "db/Backend.h"
#include "db/RowStore.h"

namespace jc::db {

class TADOConnection;

class TADOQuery {
 public:
  explicit TADOQuery(std::string name);

  const std::string& Name() const { return name_; }
  TADOConnection* Connection = nullptr;  // not owned
  int CommandTimeout = 0;                // 0: no time limit

  // SQL text of the query, one line.
  std::string SQL;

  // Opens SQL as a result set (throws DbError; the query stays closed).
  void Open();
  // Executes SQL without a result set (throws DbError).
  void ExecSQL();
  // Rows the last ExecSQL changed; -1 when the engine did not tell, after a
  // failure and after Close.
  long long RowsAffected() const { return rowsAffected_; }
  void Close();

  bool Active() const { return active_; }
  // End flag: set when the current position is past the last row, and on a
  // closed query.
  bool Eof() const;
  void Next();

  // Number of rows of the open result. Throws
  // "<name>: Cannot perform this operation on a closed dataset" when closed.
  int RecordCount() const;

  // Column value of the current row, by name without regard to letter case.
  // NULL reads as "" (text) or 0 (integer). Throws "<name>: Field 'X' not
  // found" when the query is closed or has no such column.
  std::string FieldAsString(std::string_view column) const;
  int FieldAsInteger(std::string_view column) const;
  bool FieldIsNull(std::string_view column) const;

  // Column names of the open result (empty when closed), and the cells of
  // the current row (the last row past the end; empty for an empty result).
  const std::vector<std::string>& Columns() const { return columns_; }
  const std::vector<Cell>& CurrentRow() const { return current_; }

  // The provider's text of the last failed OpenQuery/ExecQuery on this
  // query; empty after a success.
  const std::string& LastError() const { return lastError_; }
  void SetLastError(std::string text) { lastError_ = std::move(text); }

 private:
  std::size_t ColumnIndex(std::string_view column) const;
  const Cell* CurrentCell(std::string_view column) const;

  std::string name_;
  bool active_ = false;
  std::vector<std::string> columns_;
  RowStore rows_;
  std::vector<Cell> current_;
  std::size_t count_ = 0;
  std::size_t row_ = 0;
  long long rowsAffected_ = -1;
  std::string lastError_;
};

// Closes the query, sets its text to sql and opens it. True on success; on any
// failure false, silently, with the query closed and its end flag set. A lost
// connection is no statement failure: ConnectionLost passes on.
bool OpenQuery(TADOQuery& query, const std::string& sql);

// Closes the query, sets its text to sql and executes it. True on success;
// false on any failure, silently. ConnectionLost passes on.
bool ExecQuery(TADOQuery& query, const std::string& sql);

// ExecQuery for a statement whose failure must end the operation (a copy
// into a scratch table that is read back next): throws DbError carrying the
// statement's own error text.
void ExecQueryOrFail(TADOQuery& query, const std::string& sql);

// OpenQuery for a read whose failure would otherwise look like an empty
// result (and so be reported as "nothing found"): throws DbError carrying the
// statement's own error text.
void OpenQueryOrFail(TADOQuery& query, const std::string& sql);

// A value written into SQL text: enclosed in single quotes, each embedded
// single quote doubled, no N prefix.
std::string QuotedStr(std::string_view value);

// True for a SELECT other than SELECT ... INTO: a statement that returns rows
// and so goes through OpenQuery rather than ExecQuery.
bool ReturnsRows(const std::string& sql);

}  // namespace jc::db
