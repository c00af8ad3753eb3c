// The wide (UTF-16) ODBC functions: the narrow ones would pass every text
// through the ANSI code page, which lacks most of what a server can hold.
#include "db/OdbcText.h"

#include "common/WideText.h"
#include "db/Odbc.h"

namespace jc::db::odbc {

namespace {

SQLWCHAR* Text(std::wstring& buffer, const std::string& utf8) {
  buffer = Widen(utf8);
  return reinterpret_cast<SQLWCHAR*>(buffer.data());
}

std::string FromWide(const SQLWCHAR* text, std::size_t units) {
  return Narrow(std::wstring_view(reinterpret_cast<const wchar_t*>(text), units));
}

std::size_t Units(const SQLWCHAR* text, std::size_t room) {
  std::size_t n = 0;
  while (n < room && text[n] != 0) ++n;
  return n;
}

}  // namespace

SQLRETURN DriverConnect(SQLHDBC dbc, const std::string& connectionString) {
  std::wstring in;
  SQLWCHAR out[1024];
  SQLSMALLINT outLen = 0;
  return SQLDriverConnectW(dbc, nullptr, Text(in, connectionString), SQL_NTS, out, 1024, &outLen,
                           SQL_DRIVER_NOPROMPT);
}

SQLRETURN ExecDirect(SQLHSTMT stmt, const std::string& sql) {
  std::wstring text;
  return SQLExecDirectW(stmt, Text(text, sql), SQL_NTS);
}

SQLRETURN DiagRecord(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT i, std::string& state, std::string& message) {
  std::vector<SQLWCHAR> msg(1024);
  SQLWCHAR sqlState[6] = {0};
  SQLINTEGER native = 0;
  SQLSMALLINT len = 0;  // in characters
  SQLRETURN rc = SQLGetDiagRecW(type, handle, i, sqlState, &native, msg.data(), static_cast<SQLSMALLINT>(msg.size()), &len);
  if (rc == SQL_SUCCESS_WITH_INFO && len >= static_cast<SQLSMALLINT>(msg.size())) {
    // Longer than the buffer: read the record again, whole.
    msg.resize(static_cast<std::size_t>(len) + 1);
    rc = SQLGetDiagRecW(type, handle, i, sqlState, &native, msg.data(), static_cast<SQLSMALLINT>(msg.size()), &len);
  }
  if (SQL_SUCCEEDED(rc)) {
    state = FromWide(sqlState, Units(sqlState, 5));
    message = FromWide(msg.data(), Units(msg.data(), msg.size()));
  }
  return rc;
}

SQLRETURN ColumnName(SQLHSTMT stmt, SQLUSMALLINT col, std::string& name) {
  SQLWCHAR text[512];
  SQLSMALLINT nameLen = 0, type = 0, digits = 0, nullable = 0;
  SQLULEN size = 0;
  const SQLRETURN rc = SQLDescribeColW(stmt, col, text, 512, &nameLen, &type, &size, &digits, &nullable);
  if (SQL_SUCCEEDED(rc)) name = FromWide(text, Units(text, 512));
  return rc;
}

SQLRETURN ColumnText(SQLHSTMT stmt, SQLUSMALLINT col, std::optional<std::string>& value) {
  // On the stack: a column is read for every cell of every row.
  SQLWCHAR buf[2048];
  const std::size_t units = sizeof buf / sizeof buf[0];
  std::wstring text;
  for (;;) {
    SQLLEN ind = 0;  // in bytes
    const SQLRETURN g = SQLGetData(stmt, col, SQL_C_WCHAR, buf, static_cast<SQLLEN>(sizeof buf), &ind);
    if (g == SQL_NO_DATA) break;
    if (!SQL_SUCCEEDED(g)) return g;
    if (ind == SQL_NULL_DATA) {
      value.reset();
      return SQL_SUCCESS;
    }
    // A truncated piece fills the buffer less its terminator.
    const std::size_t room = units - 1;
    const std::size_t got = (ind == SQL_NO_TOTAL || static_cast<std::size_t>(ind) / sizeof(SQLWCHAR) > room)
                                ? room
                                : static_cast<std::size_t>(ind) / sizeof(SQLWCHAR);
    text.append(reinterpret_cast<const wchar_t*>(buf), got);
    if (g == SQL_SUCCESS) break;
  }
  // Converted whole: a piece may end between the two halves of a pair.
  value = Narrow(text);
  return SQL_SUCCESS;
}

std::string SystemOdbcDriver() {
  std::vector<std::string> installed;
  SQLHENV env = SQL_NULL_HENV;
  if (SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env))) {
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLWCHAR name[256], attributes[1024];
    SQLSMALLINT nameLen = 0, attributesLen = 0;
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    while (SQL_SUCCEEDED(SQLDriversW(env, direction, name, 256, &nameLen, attributes, 1024, &attributesLen))) {
      installed.push_back(FromWide(name, Units(name, 256)));
      direction = SQL_FETCH_NEXT;
    }
    SQLFreeHandle(SQL_HANDLE_ENV, env);
  }
  return PreferredOdbcDriver(installed);
}

}  // namespace jc::db::odbc
