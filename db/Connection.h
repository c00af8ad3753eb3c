#pragma once
// The one database connection of a run (ADO-style: a connection string,
// opened once, never closed before the process ends).
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "db/Backend.h"

namespace jc::db {

class TADOConnection {
 public:
  TADOConnection();
  ~TADOConnection();
  TADOConnection(const TADOConnection&) = delete;
  TADOConnection& operator=(const TADOConnection&) = delete;

  std::string ConnectionString;

  // Opens the connection described by ConnectionString: a Data Source that
  // begins with "sqlite:" names an embedded store folder (the instance part
  // "\QUINSET" is ignored there); any other names a SQL Server host and goes
  // through ODBC. Throws DbError with the provider's text on failure.
  void Open();
  bool Connected() const { return backend_ != nullptr; }

  // The open session. Precondition: Connected().
  Backend& backend();

  // Tells the backend that no statement runs for a while (a pause of an
  // operation, or its end): see Backend::Idle. Nothing when not connected.
  void Idle();

  // Statement trace: every statement handed to the backend is appended, as
  // sent, followed by a tab and OK or FAILED. Enabled from the environment
  // variable JUMINCHECK_SQL_TRACE at Open().
  void Trace(const std::string& sql, bool ok);

  // For tests and tools: adopt an already open backend.
  void Adopt(std::unique_ptr<Backend> backend);

 private:
  std::unique_ptr<Backend> backend_;
  struct TraceFile;
  std::unique_ptr<TraceFile> trace_;
};

// The fixed ADO connection string for a host: the login, the initial
// catalog master, packet size 4096 and the data source host + "\QUINSET".
// Throws DbError for a host holding ';', '{', '}' or '=', which would add
// keys to the string.
std::string BuildConnectionString(const std::string& serverHost);

// The key=value pairs of an ADO connection string, in order, keys and values
// trimmed; a value may be enclosed in double or single quotes.
std::vector<std::pair<std::string, std::string>> ParseConnectionString(const std::string& text);

}  // namespace jc::db
