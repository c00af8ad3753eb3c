#include "db/Query.h"

#include <cerrno>
#include <cstdlib>

#include "common/Text.h"
#include "db/Connection.h"
#include "db/Tsql.h"

namespace jc::db {

TADOQuery::TADOQuery(std::string name) : name_(std::move(name)) {}

namespace {
[[noreturn]] void NotAttached(const std::string& name) {
  throw DbError(name + ": Missing Connection or ConnectionString");
}
}  // namespace

namespace {
// Writes the rows the backend reads into the query's snapshot.
struct SnapshotSink : RowSink {
  std::vector<std::string>& columns;
  RowStore& rows;
  SnapshotSink(std::vector<std::string>& c, RowStore& r) : columns(c), rows(r) {}
  void Columns(const std::vector<std::string>& names) override { columns = names; }
  void Row(const std::vector<Cell>& cells) override { rows.Append(cells); }
};
}  // namespace

void TADOQuery::Open() {
  Close();
  if (!Connection || !Connection->Connected()) NotAttached(name_);
  try {
    SnapshotSink sink(columns_, rows_);
    Connection->backend().QueryInto(SQL, sink);
    rows_.Finish();
  } catch (...) {
    Connection->Trace(SQL, false);
    Close();
    throw;
  }
  Connection->Trace(SQL, true);
  active_ = true;
  count_ = rows_.Count();
  row_ = 0;
  if (count_ > 0) rows_.Read(current_);
}

void TADOQuery::ExecSQL() {
  Close();
  if (!Connection || !Connection->Connected()) NotAttached(name_);
  try {
    rowsAffected_ = Connection->backend().Execute(SQL);
  } catch (...) {
    Connection->Trace(SQL, false);
    throw;
  }
  Connection->Trace(SQL, true);
}

void TADOQuery::Close() {
  active_ = false;
  columns_.clear();
  rows_.Clear();
  current_.clear();
  count_ = 0;
  row_ = 0;
  rowsAffected_ = -1;
}

bool TADOQuery::Eof() const { return !active_ || row_ >= count_; }

void TADOQuery::Next() {
  if (!active_ || row_ >= count_) return;
  ++row_;
  // Past the last row the last row stays current.
  if (row_ < count_) rows_.Read(current_);
}

int TADOQuery::RecordCount() const {
  if (!active_) throw DbError(name_ + ": Cannot perform this operation on a closed dataset");
  return static_cast<int>(count_);
}

std::size_t TADOQuery::ColumnIndex(std::string_view column) const {
  if (active_) {
    for (std::size_t i = 0; i < columns_.size(); ++i)
      if (EqualsNoCase(columns_[i], column)) return i;
  }
  throw DbError(name_ + ": Field '" + std::string(column) + "' not found");
}

// The cell of the current row. Past the last row the last row stays current
// (the end flag is set but the fields still read it); an empty result reads
// as NULL.
const Cell* TADOQuery::CurrentCell(std::string_view column) const {
  const std::size_t c = ColumnIndex(column);
  if (count_ == 0 || c >= current_.size()) return nullptr;
  return &current_[c];
}

std::string TADOQuery::FieldAsString(std::string_view column) const {
  const Cell* cell = CurrentCell(column);
  return cell && *cell ? **cell : std::string();
}

int TADOQuery::FieldAsInteger(std::string_view column) const {
  const Cell* cell = CurrentCell(column);
  if (!cell || !*cell) return 0;
  const std::string text = Trim(**cell);
  if (text.empty()) return 0;
  errno = 0;
  char* end = nullptr;
  const long long v = std::strtoll(text.c_str(), &end, 10);
  if (*end != '\0' || errno == ERANGE || v < INT32_MIN || v > INT32_MAX)
    throw DbError("'" + **cell + "' is not a valid integer value");
  return static_cast<int>(v);
}

bool TADOQuery::FieldIsNull(std::string_view column) const {
  const Cell* cell = CurrentCell(column);
  return !cell || !*cell;
}

namespace {
template <class Step>
bool Run(TADOQuery& query, const std::string& sql, Step step) {
  query.Close();
  query.SQL.clear();
  query.SQL = sql;
  try {
    step();
    query.SetLastError({});
    return true;
  } catch (const ConnectionLost& e) {
    // Not a failing statement: the operation cannot go on, so it must not
    // read this as a harmless false.
    query.Close();
    query.SetLastError(e.ProviderText());
    throw;
  } catch (const std::exception& e) {
    query.Close();
    query.SetLastError(e.what());
    return false;
  } catch (...) {
    query.Close();
    query.SetLastError("Unknown error");
    return false;
  }
}
}  // namespace

bool OpenQuery(TADOQuery& query, const std::string& sql) {
  return Run(query, sql, [&] { query.Open(); });
}

bool ExecQuery(TADOQuery& query, const std::string& sql) {
  return Run(query, sql, [&] { query.ExecSQL(); });
}

void ExecQueryOrFail(TADOQuery& query, const std::string& sql) {
  if (!ExecQuery(query, sql)) throw DbError(query.LastError());
}

void OpenQueryOrFail(TADOQuery& query, const std::string& sql) {
  if (!OpenQuery(query, sql)) throw DbError(query.LastError());
}

std::string QuotedStr(std::string_view value) {
  std::string r;
  r.reserve(value.size() + 2);
  r.push_back('\'');
  for (char c : value) {
    if (c == '\'') r.push_back('\'');
    r.push_back(c);
  }
  r.push_back('\'');
  return r;
}

bool ReturnsRows(const std::string& sql) { return tsql::ReturnsRows(sql); }

}  // namespace jc::db
