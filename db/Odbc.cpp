#include "db/Odbc.h"

#include <cstdlib>
#include <iterator>
#include <optional>
#include <vector>

#include "common/Text.h"
#include "db/Connection.h"
#include "db/OdbcText.h"

namespace jc::db {

namespace {

// One ODBC handle, freed with its kind.
class Handle {
 public:
  Handle() = default;
  Handle(SQLSMALLINT type, SQLHANDLE parent) : type_(type) {
    if (!SQL_SUCCEEDED(SQLAllocHandle(type, parent, &h_))) {
      h_ = SQL_NULL_HANDLE;
      throw DbError("Cannot allocate an ODBC handle");
    }
  }
  ~Handle() {
    if (h_ != SQL_NULL_HANDLE) SQLFreeHandle(type_, h_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  SQLHANDLE get() const { return h_; }
  SQLSMALLINT type() const { return type_; }

 private:
  SQLSMALLINT type_ = 0;
  SQLHANDLE h_ = SQL_NULL_HANDLE;
};

// The diagnostic records of a handle: the driver's texts, one per line, and
// whether any of them is a communication-link state (class 08).
struct Diagnosis {
  std::string text;
  bool linkLost = false;
};

Diagnosis Diagnose(const Handle& h, const char* fallback) {
  Diagnosis d;
  for (SQLSMALLINT i = 1;; ++i) {
    std::string state, message;
    if (!SQL_SUCCEEDED(odbc::DiagRecord(h.type(), h.get(), i, state, message))) break;
    if (state.rfind("08", 0) == 0) d.linkLost = true;
    if (!d.text.empty()) d.text += "\n";
    d.text += message;
  }
  if (d.text.empty()) d.text = fallback;
  return d;
}

}  // namespace

struct OdbcBackend::Handles {
  Handle env{SQL_HANDLE_ENV, SQL_NULL_HANDLE};
  std::unique_ptr<Handle> dbcHandle;
  bool connected = false;
  // The provider's text of the loss, once the connection is known to be gone.
  std::optional<std::string> lost;
  const Handle& dbc() const { return *dbcHandle; }

  bool ConnectionDead() const {
    SQLUINTEGER dead = SQL_CD_FALSE;
    return SQL_SUCCEEDED(SQLGetConnectAttr(dbc().get(), SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr)) &&
           dead == SQL_CD_TRUE;
  }

  // Throws the failure of a statement handle: ConnectionLost when the
  // diagnostics name a communication-link state or the driver reports the
  // connection dead; the statement's own error otherwise.
  [[noreturn]] void Fail(const Handle& stmt, const char* what) {
    const Diagnosis d = Diagnose(stmt, what);
    if (d.linkLost || ConnectionDead()) {
      lost = d.text;
      throw ConnectionLost(d.text);
    }
    throw DbError(d.text);
  }

  // A connection lost earlier fails every later statement the same way.
  void ThrowIfLost() const {
    if (lost) throw ConnectionLost(*lost);
  }
};

OdbcBackend::OdbcBackend(const std::string& odbcConnectionString) : h_(std::make_unique<Handles>()) {
  SQLSetEnvAttr(h_->env.get(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  h_->dbcHandle = std::make_unique<Handle>(SQL_HANDLE_DBC, h_->env.get());
  // A server that accepts the connection but never answers the login would
  // otherwise keep start-up waiting forever. Statements keep no time-out.
  SQLSetConnectAttr(h_->dbc().get(), SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(kLoginTimeoutSeconds)),
                    SQL_IS_UINTEGER);
  const SQLRETURN rc = odbc::DriverConnect(h_->dbc().get(), odbcConnectionString);
  if (!SQL_SUCCEEDED(rc)) throw DbError(Diagnose(h_->dbc(), "Cannot connect").text);
  h_->connected = true;
}

OdbcBackend::~OdbcBackend() {
  if (h_ && h_->connected) SQLDisconnect(h_->dbc().get());
}

namespace {

// Runs sql on a new statement handle with no query time-out. Returns false
// when the statement produced no result (SQL_NO_DATA), which is a success.
template <class Handles>
bool ExecDirect(Handles& h, const Handle& stmt, const std::string& sql) {
  SQLSetStmtAttr(stmt.get(), SQL_ATTR_QUERY_TIMEOUT, reinterpret_cast<SQLPOINTER>(0), SQL_IS_UINTEGER);
  const SQLRETURN rc = odbc::ExecDirect(stmt.get(), sql);
  if (rc == SQL_NO_DATA) return false;
  if (!SQL_SUCCEEDED(rc)) h.Fail(stmt, "The statement failed");
  return true;
}

// Moves past the remaining results, surfacing an error any of them carries.
template <class Handles>
void DrainResults(Handles& h, const Handle& stmt) {
  for (;;) {
    const SQLRETURN rc = SQLMoreResults(stmt.get());
    if (rc == SQL_NO_DATA) return;
    if (!SQL_SUCCEEDED(rc)) h.Fail(stmt, "The statement failed");
  }
}

}  // namespace

ResultSet OdbcBackend::Query(const std::string& sql) {
  CollectingSink sink;
  QueryInto(sql, sink);
  return std::move(sink.result);
}

void OdbcBackend::QueryInto(const std::string& sql, RowSink& sink) {
  h_->ThrowIfLost();
  Handles& h = *h_;
  Handle stmt(SQL_HANDLE_STMT, h.dbc().get());
  bool more = ExecDirect(h, stmt, sql);
  SQLSMALLINT ncol = 0;
  // The first result that has columns (row counts of earlier parts are skipped).
  while (more) {
    if (!SQL_SUCCEEDED(SQLNumResultCols(stmt.get(), &ncol))) h.Fail(stmt, "The statement failed");
    if (ncol > 0) break;
    const SQLRETURN rc = SQLMoreResults(stmt.get());
    if (rc == SQL_NO_DATA) more = false;
    else if (!SQL_SUCCEEDED(rc)) h.Fail(stmt, "The statement failed");
  }
  if (!more || ncol <= 0) throw DbError("CommandText does not return a result set.");
  std::vector<std::string> columns;
  for (SQLSMALLINT c = 1; c <= ncol; ++c) {
    std::string name;
    if (!SQL_SUCCEEDED(odbc::ColumnName(stmt.get(), static_cast<SQLUSMALLINT>(c), name)))
      h.Fail(stmt, "Cannot describe the result");
    columns.push_back(std::move(name));
  }
  sink.Columns(columns);
  // Row by row from the statement's cursor: the driver reads the rows off
  // the connection as they are fetched, so nothing here grows with the
  // result; the sink keeps what it keeps.
  std::vector<Cell> row(static_cast<std::size_t>(ncol));
  for (;;) {
    const SQLRETURN rc = SQLFetch(stmt.get());
    if (rc == SQL_NO_DATA) break;
    if (!SQL_SUCCEEDED(rc)) h.Fail(stmt, "Cannot fetch a row");
    for (SQLSMALLINT c = 1; c <= ncol; ++c) {
      if (!SQL_SUCCEEDED(odbc::ColumnText(stmt.get(), static_cast<SQLUSMALLINT>(c), row[static_cast<std::size_t>(c - 1)])))
        h.Fail(stmt, "Cannot read a column");
    }
    sink.Row(row);
  }
  DrainResults(h, stmt);
}

long long OdbcBackend::Execute(const std::string& sql) {
  h_->ThrowIfLost();
  Handles& h = *h_;
  Handle stmt(SQL_HANDLE_STMT, h.dbc().get());
  // SQL_NO_DATA: a searched UPDATE or DELETE that changed no row.
  if (!ExecDirect(h, stmt, sql)) return 0;
  SQLLEN rows = -1;
  if (!SQL_SUCCEEDED(SQLRowCount(stmt.get(), &rows))) rows = -1;
  DrainResults(h, stmt);
  return rows;
}

const char* const kGetOperationLockSql =
    "DECLARE @R INT; EXEC @R = sp_getapplock @Resource = 'jumincheck operation', @LockMode = 'Exclusive', "
    "@LockOwner = 'Session', @LockTimeout = 0; SELECT @R AS R";
const char* const kReleaseOperationLockSql =
    "EXEC sp_releaseapplock @Resource = 'jumincheck operation', @LockOwner = 'Session'";

bool OdbcBackend::TryLockOperation() {
  const ResultSet rs = Observed(kGetOperationLockSql, [&] { return Query(kGetOperationLockSql); });
  if (rs.rows.empty() || rs.rows[0].empty() || !rs.rows[0][0])
    throw DbError("The server gave no answer to the operation lock request.");
  const int result = std::atoi(rs.rows[0][0]->c_str());
  if (result >= 0) return true;
  if (result == -1) return false;
  throw DbError("The server refused the operation lock (sp_getapplock returned " + std::to_string(result) + ").");
}

void OdbcBackend::UnlockOperation() {
  Observed(kReleaseOperationLockSql, [&] { return Execute(kReleaseOperationLockSql); });
}

std::string DefaultOdbcDriver() {
  const char* env = std::getenv("JUMINCHECK_ODBC_DRIVER");
  return env && *env ? env : odbc::SystemOdbcDriver();
}

std::string PreferredOdbcDriver(const std::vector<std::string>& installed) {
  for (const char* wanted : kSqlServerOdbcDrivers)
    for (const std::string& name : installed)
      if (EqualsNoCase(name, wanted)) return wanted;
  return kSqlServerOdbcDrivers[std::size(kSqlServerOdbcDrivers) - 1];
}

bool IsMicrosoftSqlServerDriver(const std::string& driver) {
  for (const char* name : kSqlServerOdbcDrivers)
    if (EqualsNoCase(driver, name)) return true;
  return false;
}

std::string AdoToOdbcConnectionString(const std::string& ado, const std::string& driver) {
  std::string server, database, uid, pwd, packet;
  bool hasPwd = false;
  for (const auto& [key, value] : ParseConnectionString(ado)) {
    if (EqualsNoCase(key, "Data Source")) server = value;
    else if (EqualsNoCase(key, "Initial Catalog")) database = value;
    else if (EqualsNoCase(key, "User ID")) uid = value;
    else if (EqualsNoCase(key, "Password")) {
      pwd = value;
      hasPwd = true;
    } else if (EqualsNoCase(key, "Packet Size")) packet = value;
    else if (EqualsNoCase(key, "Provider") || EqualsNoCase(key, "Persist Security Info")) continue;
    else throw DbError("The connection string key '" + key + "' is not supported.");
  }
  auto plain = [](const std::string& what, const std::string& v) {
    if (v.find_first_of(";{}") != std::string::npos)
      throw DbError("The " + what + " of the connection string holds a character ODBC cannot pass (; { or }).");
    return v;
  };
  if (driver.find_first_of(";{}") != std::string::npos) throw DbError("Invalid ODBC driver name '" + driver + "'.");
  std::string out = "Driver={" + driver + "};";
  if (!server.empty()) out += "Server=" + plain("Data Source", server) + ";";
  if (!database.empty()) out += "Database=" + plain("Initial Catalog", database) + ";";
  if (!uid.empty()) out += "UID=" + plain("User ID", uid) + ";";
  if (hasPwd) {
    // FreeTDS ends a braced value at the first '}' and does not unescape "}}".
    if (pwd.find('}') != std::string::npos)
      throw DbError("The password holds '}', which the ODBC driver cannot take.");
    out += "PWD={" + pwd + "};";
  }
  if (IsMicrosoftSqlServerDriver(driver)) {
    // These drivers take the packet size only as a connection attribute and
    // ask for the server's own (4096 unless changed there). Version 18
    // demands an encrypted connection by default, which a server without a
    // trusted certificate refuses; the tool asks for none, as the ADO
    // provider of the pharmacy system does (the server may still demand it).
    if (driver.rfind("ODBC Driver ", 0) == 0) out += "Encrypt=no;";
    return out;
  }
  if (!packet.empty()) out += "PacketSize=" + plain("Packet Size", packet) + ";";
  out += "TDS_Version=7.4;ClientCharset=UTF-8;";
  return out;
}

}  // namespace jc::db
