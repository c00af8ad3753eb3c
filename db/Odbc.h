#pragma once
// The SQL Server backend through ODBC, with a small RAII layer: on Linux
// unixODBC with the FreeTDS driver, on Windows the system's driver manager
// with a SQL Server driver (db/OdbcText.h carries the text both ways). Every
// row is fetched when a query runs, one at a time from the statement's
// cursor; the query time-out is set to 0 (none) on every statement; the
// login time-out is 15 s.
#include <memory>
#include <string>
#include <vector>

#include "db/Backend.h"

namespace jc::db {

class OdbcBackend : public Backend {
 public:
  // Connects with a complete ODBC connection string, never prompting.
  // Throws DbError with the driver's diagnostics on failure.
  explicit OdbcBackend(const std::string& odbcConnectionString);
  ~OdbcBackend() override;
  OdbcBackend(const OdbcBackend&) = delete;
  OdbcBackend& operator=(const OdbcBackend&) = delete;

  ResultSet Query(const std::string& sql) override;
  void QueryInto(const std::string& sql, RowSink& sink) override;
  long long Execute(const std::string& sql) override;
  // An exclusive application lock owned by the session (sp_getapplock,
  // without waiting); the server releases it when the session ends.
  bool TryLockOperation() override;
  void UnlockOperation() override;

 private:
  struct Handles;
  std::unique_ptr<Handles> h_;
};

// Seconds the login (pre-login included) may take before the connection
// fails; the data-access layer's usual default.
inline constexpr unsigned long kLoginTimeoutSeconds = 15;

// The statements of the operation lock: the batch that asks for it and
// returns sp_getapplock's result as column R (0 or 1 granted, -1 held by
// another session), and its release.
extern const char* const kGetOperationLockSql;
extern const char* const kReleaseOperationLockSql;

// The ODBC driver name used for SQL Server: the environment variable
// JUMINCHECK_ODBC_DRIVER when set; else on Linux "FreeTDS", and on Windows
// the best installed of kSqlServerOdbcDrivers (PreferredOdbcDriver).
std::string DefaultOdbcDriver();

// Microsoft's SQL Server drivers, best first. The last one comes with every
// Windows.
inline constexpr const char* kSqlServerOdbcDrivers[] = {"ODBC Driver 18 for SQL Server",
                                                        "ODBC Driver 17 for SQL Server", "SQL Server"};
// The first of kSqlServerOdbcDrivers that installed names (letter case
// ignored), else the last of them.
std::string PreferredOdbcDriver(const std::vector<std::string>& installed);
// Whether driver is one of kSqlServerOdbcDrivers (any other is taken for
// FreeTDS).
bool IsMicrosoftSqlServerDriver(const std::string& driver);

// Turns the ADO connection string into an ODBC one for driver:
// Data Source -> Server, Initial Catalog -> Database, User ID -> UID,
// Password -> PWD={...} (braced, refused when it holds '}'). For FreeTDS,
// then Packet Size -> PacketSize, TDS_Version=7.4 and ClientCharset=UTF-8;
// for Microsoft's "ODBC Driver N for SQL Server", Encrypt=no. Provider and
// Persist Security Info have no ODBC counterpart and are dropped; any other
// key is refused. Throws DbError.
std::string AdoToOdbcConnectionString(const std::string& ado, const std::string& driver);

}  // namespace jc::db
