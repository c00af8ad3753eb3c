// unixODBC's narrow functions, which carry the tool's UTF-8 unchanged: the
// FreeTDS driver converts between UTF-8 and the server (ClientCharset=UTF-8).
#include "db/OdbcText.h"

namespace jc::db::odbc {

namespace {
SQLCHAR* Text(std::vector<SQLCHAR>& buffer, const std::string& text) {
  buffer.assign(text.begin(), text.end());
  buffer.push_back(0);
  return buffer.data();
}
}  // namespace

SQLRETURN DriverConnect(SQLHDBC dbc, const std::string& connectionString) {
  std::vector<SQLCHAR> in;
  SQLCHAR out[1024];
  SQLSMALLINT outLen = 0;
  return SQLDriverConnect(dbc, nullptr, Text(in, connectionString), SQL_NTS, out, sizeof out, &outLen,
                          SQL_DRIVER_NOPROMPT);
}

SQLRETURN ExecDirect(SQLHSTMT stmt, const std::string& sql) {
  std::vector<SQLCHAR> text;
  return SQLExecDirect(stmt, Text(text, sql), SQL_NTS);
}

SQLRETURN DiagRecord(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT i, std::string& state, std::string& message) {
  std::vector<SQLCHAR> msg(1024);
  SQLCHAR sqlState[6] = {0};
  SQLINTEGER native = 0;
  SQLSMALLINT len = 0;
  SQLRETURN rc = SQLGetDiagRec(type, handle, i, sqlState, &native, msg.data(), static_cast<SQLSMALLINT>(msg.size()), &len);
  if (rc == SQL_SUCCESS_WITH_INFO && len >= static_cast<SQLSMALLINT>(msg.size())) {
    // Longer than the buffer: read the record again, whole, so that a long
    // message is never cut (inside a UTF-8 character, say).
    msg.resize(static_cast<std::size_t>(len) + 1);
    rc = SQLGetDiagRec(type, handle, i, sqlState, &native, msg.data(), static_cast<SQLSMALLINT>(msg.size()), &len);
  }
  if (SQL_SUCCEEDED(rc)) {
    state = reinterpret_cast<char*>(sqlState);
    message = reinterpret_cast<char*>(msg.data());
  }
  return rc;
}

SQLRETURN ColumnName(SQLHSTMT stmt, SQLUSMALLINT col, std::string& name) {
  SQLCHAR text[512];
  SQLSMALLINT nameLen = 0, type = 0, digits = 0, nullable = 0;
  SQLULEN size = 0;
  const SQLRETURN rc = SQLDescribeCol(stmt, col, text, sizeof text, &nameLen, &type, &size, &digits, &nullable);
  if (SQL_SUCCEEDED(rc)) name = reinterpret_cast<char*>(text);
  return rc;
}

SQLRETURN ColumnText(SQLHSTMT stmt, SQLUSMALLINT col, std::optional<std::string>& value) {
  // On the stack: a column is read for every cell of every row.
  char buf[4096];
  std::string text;
  for (;;) {
    SQLLEN ind = 0;
    const SQLRETURN g = SQLGetData(stmt, col, SQL_C_CHAR, buf, static_cast<SQLLEN>(sizeof buf), &ind);
    if (g == SQL_NO_DATA) break;
    if (!SQL_SUCCEEDED(g)) return g;
    if (ind == SQL_NULL_DATA) {
      value.reset();
      return SQL_SUCCESS;
    }
    // A truncated piece fills the buffer less its terminator.
    const std::size_t got = (ind == SQL_NO_TOTAL || ind >= static_cast<SQLLEN>(sizeof buf))
                                ? sizeof buf - 1
                                : static_cast<std::size_t>(ind);
    text.append(buf, got);
    if (g == SQL_SUCCESS) break;
  }
  value = std::move(text);
  return SQL_SUCCESS;
}

std::string SystemOdbcDriver() { return "FreeTDS"; }

}  // namespace jc::db::odbc
