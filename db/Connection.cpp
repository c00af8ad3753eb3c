#include "db/Connection.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/Text.h"
#include "db/Odbc.h"
#include "db/EmbeddedStore.h"

namespace jc::db {

struct TADOConnection::TraceFile {
  std::FILE* file = nullptr;
  ~TraceFile() {
    if (file) std::fclose(file);
  }
};

TADOConnection::TADOConnection() = default;
TADOConnection::~TADOConnection() = default;

namespace {

constexpr std::string_view kInstance = "\\QUINSET";

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && EqualsNoCase(s.substr(0, prefix.size()), prefix);
}

}  // namespace

void TADOConnection::Open() {
  std::string dataSource;
  for (const auto& [key, value] : ParseConnectionString(ConnectionString))
    if (EqualsNoCase(key, "Data Source")) dataSource = value;
  std::unique_ptr<Backend> backend;
  if (StartsWithNoCase(dataSource, "sqlite:")) {
    std::string folder = dataSource.substr(7);
    if (folder.size() >= kInstance.size() &&
        EqualsNoCase(std::string_view(folder).substr(folder.size() - kInstance.size()), kInstance))
      folder.resize(folder.size() - kInstance.size());
    backend = OpenEmbeddedStore(folder);
  } else {
    backend = std::make_unique<OdbcBackend>(AdoToOdbcConnectionString(ConnectionString, DefaultOdbcDriver()));
  }
  Adopt(std::move(backend));
}

Backend& TADOConnection::backend() {
  if (!backend_) throw DbError("Connection is not open");
  return *backend_;
}

void TADOConnection::Idle() {
  if (backend_) backend_->Idle();
}

void TADOConnection::Adopt(std::unique_ptr<Backend> backend) {
  backend_ = std::move(backend);
  backend_->SetStatementObserver([this](const std::string& sql, bool ok) { Trace(sql, ok); });
  trace_.reset();
  const char* path = std::getenv("JUMINCHECK_SQL_TRACE");
  if (path && *path) {
    trace_ = std::make_unique<TraceFile>();
    trace_->file = std::fopen(path, "a");
    if (!trace_->file) {
      // A trace that cannot be written is no reason to fail, but whoever
      // asked for it must know that it stays empty.
      const int error = errno;
      std::fprintf(stderr, "warning: JUMINCHECK_SQL_TRACE: cannot write the trace file %s (%s); no statements are traced\n",
                   path, std::strerror(error));
      trace_.reset();
    }
  }
}

void TADOConnection::Trace(const std::string& sql, bool ok) {
  if (!trace_) return;
  // One line per statement: the tool's statements are single lines; a line
  // break typed into a statement is written as a space.
  std::string line = sql;
  for (char& c : line)
    if (c == '\n' || c == '\r') c = ' ';
  line += ok ? "\tOK\n" : "\tFAILED\n";
  std::fwrite(line.data(), 1, line.size(), trace_->file);
  std::fflush(trace_->file);
}

std::string BuildConnectionString(const std::string& serverHost) {
  // The host is pasted into the string as it stands: one of these would end
  // its value and add keys (another Data Source, a login of its own). No host
  // name holds them.
  if (serverHost.find_first_of(";{}=") != std::string::npos)
    throw DbError("The database host '" + serverHost +
                  "' in the settings is not a host name: it holds ';', '{', '}' or '='.");
  return "Provider=SQLOLEDB.1;User ID=sa;Password=RQX#^!!$(!;Persist Security Info=True;Initial Catalog=master;"
         "Packet Size=4096;Data Source=" +
         serverHost + std::string(kInstance);
}

std::vector<std::pair<std::string, std::string>> ParseConnectionString(const std::string& text) {
  std::vector<std::pair<std::string, std::string>> out;
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n) {
    const std::size_t eq = text.find('=', i);
    const std::size_t semi = text.find(';', i);
    if (eq == std::string::npos || (semi != std::string::npos && semi < eq)) {
      // A part without '=': only blanks are allowed there.
      const std::size_t end = semi == std::string::npos ? n : semi;
      if (!Trim(text.substr(i, end - i)).empty())
        throw DbError("Invalid connection string attribute '" + Trim(text.substr(i, end - i)) + "'");
      i = end + 1;
      continue;
    }
    std::string key = Trim(text.substr(i, eq - i));
    std::size_t j = eq + 1;
    while (j < n && (text[j] == ' ' || text[j] == '\t')) ++j;
    std::string value;
    if (j < n && (text[j] == '"' || text[j] == '\'')) {
      const char q = text[j];
      const std::size_t close = text.find(q, j + 1);
      if (close == std::string::npos) throw DbError("Invalid connection string: unclosed quote after '" + key + "'");
      value = text.substr(j + 1, close - j - 1);
      j = close + 1;
      const std::size_t end = text.find(';', j);
      j = end == std::string::npos ? n : end + 1;
    } else {
      const std::size_t end = text.find(';', j);
      value = Trim(text.substr(j, (end == std::string::npos ? n : end) - j));
      j = end == std::string::npos ? n : end + 1;
    }
    out.emplace_back(std::move(key), std::move(value));
    i = j;
  }
  return out;
}

}  // namespace jc::db
