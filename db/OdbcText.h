#pragma once
// The ODBC calls that carry text, with the tool's UTF-8 on this side. On
// Linux the narrow functions carry UTF-8 as it is (the FreeTDS driver is told
// ClientCharset=UTF-8). On Windows the narrow functions would go through the
// ANSI code page and garble whatever it lacks, so the wide (UTF-16) ones are
// used there.
#include <optional>
#include <string>
#include <vector>

#include "db/OdbcApi.h"

namespace jc::db::odbc {

SQLRETURN DriverConnect(SQLHDBC dbc, const std::string& connectionString);
SQLRETURN ExecDirect(SQLHSTMT stmt, const std::string& sql);

// Diagnostic record i (from 1) of a handle: its SQLSTATE and message.
// Returns what SQLGetDiagRec returned; a long message is read whole.
SQLRETURN DiagRecord(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT i, std::string& state, std::string& message);

// The name of result column col (from 1).
SQLRETURN ColumnName(SQLHSTMT stmt, SQLUSMALLINT col, std::string& name);

// Column col of the current row as text, read whole in pieces; nullopt for
// NULL. Returns the first failing SQLGetData result, else SQL_SUCCESS.
SQLRETURN ColumnText(SQLHSTMT stmt, SQLUSMALLINT col, std::optional<std::string>& value);

// The driver used when JUMINCHECK_ODBC_DRIVER does not name one: on Linux
// FreeTDS; on Windows the best SQL Server driver installed
// (PreferredOdbcDriver of the driver manager's list).
std::string SystemOdbcDriver();

}  // namespace jc::db::odbc
