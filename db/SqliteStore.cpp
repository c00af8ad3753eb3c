#include "db/SqliteStore.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/file.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <new>
#include <system_error>

#include "db/Connection.h"
#include "db/EmbeddedStore.h"
#include "db/Names.h"

namespace jc::db {

namespace fs = std::filesystem;

const std::vector<std::string>& StoreDatabases() {
  static const std::vector<std::string> dbs = {"master", "TV_BASE", "TV_PRES", "TV_EDIRECE", "TV_EDISEND"};
  return dbs;
}

// ---------------------------------------------------------------- extensions

namespace {

unsigned char Lower(unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c; }

// Case-insensitive for ASCII letters and blind to trailing spaces, like SQL
// Server's default collation for comparisons and grouping.
int TsqlCollate(void*, int na, const void* pa, int nb, const void* pb) {
  const auto* a = static_cast<const unsigned char*>(pa);
  const auto* b = static_cast<const unsigned char*>(pb);
  while (na > 0 && a[na - 1] == ' ') --na;
  while (nb > 0 && b[nb - 1] == ' ') --nb;
  const int n = std::min(na, nb);
  for (int i = 0; i < n; ++i) {
    const unsigned char x = Lower(a[i]), y = Lower(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return na == nb ? 0 : (na < nb ? -1 : 1);
}

bool IsCont(unsigned char c) { return (c & 0xC0) == 0x80; }

// Byte offset of character index n (0-based) of s, or s.size().
std::size_t CharOffset(std::string_view s, long long n) {
  std::size_t i = 0;
  long long count = 0;
  while (i < s.size()) {
    if (!IsCont(static_cast<unsigned char>(s[i]))) {
      if (count == n) return i;
      ++count;
    }
    ++i;
  }
  return s.size();
}

long long CharCount(std::string_view s) {
  long long n = 0;
  for (unsigned char c : s)
    if (!IsCont(c)) ++n;
  return n;
}

constexpr const char* kBigintOverflow = "Arithmetic overflow error converting expression to data type bigint.";

// A text result, or SQLite's "string or blob too big" when it passes the
// connection's length limit (which also keeps it within an int).
void ResultText(sqlite3_context* ctx, std::string_view text) {
  const int limit = sqlite3_limit(sqlite3_context_db_handle(ctx), SQLITE_LIMIT_LENGTH, -1);
  if (text.size() > static_cast<std::size_t>(limit)) return sqlite3_result_error_toobig(ctx);
  sqlite3_result_text(ctx, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

std::string_view TextArg(sqlite3_value* v) {
  const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
  return p ? std::string_view(p, static_cast<std::size_t>(sqlite3_value_bytes(v))) : std::string_view();
}

bool AnyNull(int argc, sqlite3_value** argv) {
  for (int i = 0; i < argc; ++i)
    if (sqlite3_value_type(argv[i]) == SQLITE_NULL) return true;
  return false;
}

void LeftRight(sqlite3_context* ctx, int argc, sqlite3_value** argv, bool left) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
  const long long n = sqlite3_value_int64(argv[1]);
  if (n < 0) {
    std::string m = std::string("Invalid length parameter passed to the ") + (left ? "left" : "right") + " function.";
    return sqlite3_result_error(ctx, m.c_str(), -1);
  }
  std::string_view s = TextArg(argv[0]);
  if (left) return ResultText(ctx, s.substr(0, CharOffset(s, n)));
  const long long total = CharCount(s);
  ResultText(ctx, s.substr(total <= n ? 0 : CharOffset(s, total - n)));
}

void FnLeft(sqlite3_context* c, int n, sqlite3_value** v) { LeftRight(c, n, v, true); }
void FnRight(sqlite3_context* c, int n, sqlite3_value** v) { LeftRight(c, n, v, false); }

// REPLACE that finds the pattern without regard to letter case, as the
// default collation does.
void FnReplace(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
  std::string_view s = TextArg(argv[0]), pat = TextArg(argv[1]), rep = TextArg(argv[2]);
  if (pat.empty()) return ResultText(ctx, s);
  const auto limit = static_cast<std::size_t>(sqlite3_limit(sqlite3_context_db_handle(ctx), SQLITE_LIMIT_LENGTH, -1));
  std::string out;
  out.reserve(s.size());
  std::size_t i = 0;
  while (i < s.size()) {
    if (out.size() > limit) return sqlite3_result_error_toobig(ctx);  // before it grows without bound
    bool match = i + pat.size() <= s.size();
    for (std::size_t k = 0; match && k < pat.size(); ++k)
      match = Lower(static_cast<unsigned char>(s[i + k])) == Lower(static_cast<unsigned char>(pat[k]));
    if (match) {
      out.append(rep);
      i += pat.size();
    } else {
      out.push_back(s[i++]);
    }
  }
  ResultText(ctx, out);
}

// LEN: characters without the trailing spaces.
void FnLen(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
  std::string_view s = TextArg(argv[0]);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  sqlite3_result_int64(ctx, CharCount(s));
}

void FnSubstring(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
  std::string_view s = TextArg(argv[0]);
  const long long start = sqlite3_value_int64(argv[1]);
  const long long len = sqlite3_value_int64(argv[2]);
  if (len < 0) return sqlite3_result_error(ctx, "Invalid length parameter passed to the substring function.", -1);
  const long long first = std::max(start, 1LL);
  long long last = 0;  // exclusive, 1-based
  // A sum beyond the largest number still ends past the text: to its end.
  if (__builtin_add_overflow(start, len, &last)) last = std::numeric_limits<long long>::max();
  if (last <= first) return sqlite3_result_text(ctx, "", 0, SQLITE_STATIC);
  std::size_t b = CharOffset(s, first - 1), e = CharOffset(s, last - 1);
  ResultText(ctx, s.substr(b, e - b));
}

bool NumericText(std::string_view s, double& out) {
  std::string t(s);
  while (!t.empty() && (t.back() == ' ' || t.back() == '\t')) t.pop_back();
  std::size_t b = t.find_first_not_of(" \t");
  if (b == std::string::npos) return false;
  char* end = nullptr;
  out = std::strtod(t.c_str() + b, &end);
  return end && *end == '\0';
}

// '+': concatenation when both sides are texts, addition otherwise (a text
// side must then hold a number), NULL when either side is NULL.
void FnAdd(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
  const int ta = sqlite3_value_type(argv[0]), tb = sqlite3_value_type(argv[1]);
  if ((ta == SQLITE_TEXT || ta == SQLITE_BLOB) && (tb == SQLITE_TEXT || tb == SQLITE_BLOB)) {
    const std::string_view a = TextArg(argv[0]), b = TextArg(argv[1]);
    const int limit = sqlite3_limit(sqlite3_context_db_handle(ctx), SQLITE_LIMIT_LENGTH, -1);
    if (a.size() + b.size() > static_cast<std::size_t>(limit)) return sqlite3_result_error_toobig(ctx);
    std::string out(a);
    out.append(b);
    return ResultText(ctx, out);
  }
  if (ta == SQLITE_INTEGER && tb == SQLITE_INTEGER) {
    long long sum = 0;
    if (__builtin_add_overflow(sqlite3_value_int64(argv[0]), sqlite3_value_int64(argv[1]), &sum))
      return sqlite3_result_error(ctx, kBigintOverflow, -1);
    return sqlite3_result_int64(ctx, sum);
  }
  double a = 0, b = 0;
  for (int k = 0; k < 2; ++k) {
    double& x = k == 0 ? a : b;
    const int t = k == 0 ? ta : tb;
    if (t == SQLITE_TEXT) {
      if (!NumericText(TextArg(argv[k]), x)) {
        std::string m = "Conversion failed when converting the nvarchar value '" + std::string(TextArg(argv[k])) +
                        "' to data type int.";
        return sqlite3_result_error(ctx, m.c_str(), -1);
      }
    } else {
      x = sqlite3_value_double(argv[k]);
    }
  }
  const double r = a + b;
  if (std::floor(r) == r && std::fabs(r) < 9e15) sqlite3_result_int64(ctx, static_cast<long long>(r));
  else sqlite3_result_double(ctx, r);
}

// SQLite calls the functions from C: an exception (out of memory) must not
// pass through it, so it becomes the function's error.
template <void (*F)(sqlite3_context*, int, sqlite3_value**)>
void NoThrow(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  try {
    F(ctx, argc, argv);
  } catch (const std::bad_alloc&) {
    sqlite3_result_error_nomem(ctx);
  } catch (const std::exception& e) {
    sqlite3_result_error(ctx, e.what(), -1);
  }
}

}  // namespace

void RegisterTsqlExtensions(sqlite3* db) {
  sqlite3_create_collation(db, "TSQL", SQLITE_UTF8, nullptr, TsqlCollate);
  const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
  sqlite3_create_function(db, "tsql_left", 2, flags, nullptr, NoThrow<FnLeft>, nullptr, nullptr);
  sqlite3_create_function(db, "tsql_right", 2, flags, nullptr, NoThrow<FnRight>, nullptr, nullptr);
  sqlite3_create_function(db, "tsql_replace", 3, flags, nullptr, NoThrow<FnReplace>, nullptr, nullptr);
  sqlite3_create_function(db, "tsql_len", 1, flags, nullptr, NoThrow<FnLen>, nullptr, nullptr);
  sqlite3_create_function(db, "tsql_substring", 3, flags, nullptr, NoThrow<FnSubstring>, nullptr, nullptr);
  sqlite3_create_function(db, "tsql_add", 2, flags, nullptr, NoThrow<FnAdd>, nullptr, nullptr);
}

// ---------------------------------------------------------------- errors

namespace {

std::string AfterPrefix(const std::string& msg, const char* prefix) {
  return msg.compare(0, std::strlen(prefix), prefix) == 0 ? msg.substr(std::strlen(prefix)) : std::string();
}

// "TV_BASE.JUMIN_CHECK" as SQL Server writes it: "TV_BASE..JUMIN_CHECK".
std::string DisplayName(const std::string& sqliteName) {
  const auto dot = sqliteName.find('.');
  if (dot == std::string::npos) return sqliteName;
  const std::string schema = sqliteName.substr(0, dot);
  if (schema == "main") return sqliteName.substr(dot + 1);
  return schema + ".." + sqliteName.substr(dot + 1);
}

// The provider text a SQL Server user would recognise, where there is one.
std::string MapError(const std::string& msg, const tsql::Translation* tr) {
  std::string x;
  if (!(x = AfterPrefix(msg, "no such table: ")).empty()) {
    if (tr && tr->kind == tsql::StmtKind::Ddl && tr->sql.rfind("DROP TABLE", 0) == 0)
      return "Cannot drop the table '" + tr->intoDisplay +
             "', because it does not exist or you do not have permission.";
    return "Invalid object name '" + DisplayName(x) + "'.";
  }
  if (!(x = AfterPrefix(msg, "no such column: ")).empty()) {
    const auto dot = x.rfind('.');
    return "Invalid column name '" + (dot == std::string::npos ? x : x.substr(dot + 1)) + "'.";
  }
  if (!(x = AfterPrefix(msg, "table ")).empty() && x.size() > 15 &&
      x.compare(x.size() - 15, 15, " already exists") == 0) {
    std::string name = x.substr(0, x.size() - 15);
    if (name.size() >= 2 && name.front() == '"') name = name.substr(1, name.size() - 2);
    return "There is already an object named '" + name + "' in the database.";
  }
  if (!(x = AfterPrefix(msg, "index ")).empty() && tr && tr->intoDisplay.find('\x1f') != std::string::npos) {
    const auto sep = tr->intoDisplay.find('\x1f');
    return "The operation failed because an index or statistics with name '" + tr->intoDisplay.substr(0, sep) +
           "' already exists on table '" + tr->intoDisplay.substr(sep + 1) + "'.";
  }
  if (msg.rfind("CHECK constraint failed", 0) == 0)
    return "String or binary data would be truncated. The statement has been terminated.";
  if (!(x = AfterPrefix(msg, "unknown database ")).empty())
    return "Database '" + x + "' does not exist. Make sure that the name is entered correctly.";
  return msg;
}

// True when the last error says that a store file can no longer be read or
// written (I/O failure, damaged or vanished file, a file or folder that
// cannot be written, no space left): the embedded store's form of a lost
// connection.
bool StoreFileLost(sqlite3* db) {
  switch (sqlite3_errcode(db) & 0xff) {
    case SQLITE_IOERR:
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
    case SQLITE_CANTOPEN:
    case SQLITE_READONLY:
    case SQLITE_FULL:
      return true;
    default:
      return false;
  }
}

// The databases that the commit under way writes, noted by the commit hook:
// when the commit then fails (no space left for the journal), their file is
// the one to name. Cleared before every statement runs.
struct Committing {
  sqlite3* db = nullptr;
  std::vector<std::string> schemas;
};
thread_local Committing tCommitting;

int NoteCommit(void* handle) {
  auto* db = static_cast<sqlite3*>(handle);
  tCommitting.db = db;
  tCommitting.schemas.clear();
  for (const std::string& name : StoreDatabases()) {
    const std::string schema = name == "master" ? "main" : name;
    if (sqlite3_txn_state(db, schema.c_str()) == SQLITE_TXN_WRITE) tCommitting.schemas.push_back(schema);
  }
  return 0;  // the commit goes on
}

// Told after every commit to a WAL, with the frames the WAL then holds. The
// automatic checkpoint is off (this hook takes its place); past the ceiling
// the file is checkpointed here, as the automatic one would have done much
// earlier.
int CheckpointPastCeiling(void*, sqlite3* db, const char* schema, int frames) {
  if (frames >= SqliteBackend::kWalCeilingFrames)
    sqlite3_wal_checkpoint_v2(db, schema, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
  return SQLITE_OK;
}

// Before a statement runs: no commit noted, no system error left over.
void BeforeRunning() {
  tCommitting.db = nullptr;
  errno = 0;
}

// SQLite's texts for these failures name neither the file nor the reason
// ("attempt to write a readonly database", "disk I/O error"): this says
// which store file (or the folder, when no one file is to blame) and why.
// Empty for any other error.
std::string StoreFileProblem(sqlite3* db, int osError) {
  const int code = sqlite3_errcode(db) & 0xff;
  if (code != SQLITE_READONLY && code != SQLITE_FULL && code != SQLITE_IOERR && code != SQLITE_CANTOPEN) return {};
  // SQLite keeps the system's error only for some of its calls; the one the
  // failing call left behind stands in for it.
  const int error = sqlite3_system_errno(db) ? sqlite3_system_errno(db) : osError;
  std::vector<std::pair<std::string, std::string>> files;  // schema, file
  for (const std::string& name : StoreDatabases()) {
    const std::string schema = name == "master" ? "main" : name;
    const char* path = sqlite3_db_filename(db, schema.c_str());
    if (path && *path) files.emplace_back(schema, path);
  }
  const std::string folder = files.empty() ? std::string() : fs::path(files[0].second).parent_path().string();
  struct statvfs space {};
  const bool deviceFull = code == SQLITE_IOERR && !folder.empty() && ::statvfs(folder.c_str(), &space) == 0 &&
                          space.f_bavail == 0;
  const bool noSpace = code == SQLITE_FULL || error == ENOSPC || error == EDQUOT || deviceFull;
  const bool readOnly = !noSpace && (code == SQLITE_READONLY || error == EROFS || error == EACCES || error == EPERM);
  std::string cause = noSpace    ? "cannot be written: no space left on the device"
                      : readOnly ? "is read-only"
                      : error    ? "cannot be read or written: " + std::system_category().message(error)
                                 : "cannot be read or written";

  auto named = [&](const std::string& what, const std::string& path) {
    return "The store " + what + " '" + path + "' " + cause;
  };
  // The file opened read-only, or the one whose write was under way.
  for (const auto& [schema, path] : files)
    if (sqlite3_db_readonly(db, schema.c_str()) == 1) return named("file", path);
  for (const auto& [schema, path] : files) {
    const bool committing = tCommitting.db == db && std::find(tCommitting.schemas.begin(), tCommitting.schemas.end(),
                                                              schema) != tCommitting.schemas.end();
    if (committing || sqlite3_txn_state(db, schema.c_str()) == SQLITE_TXN_WRITE) return named("file", path);
  }
  // Otherwise what the file system says: a file, or the journal beside it,
  // that cannot be written, or a folder where the journal cannot be made.
  if (!noSpace) {
    for (const auto& [schema, path] : files)
      for (const char* suffix : {"", "-wal", "-shm"}) {
        const std::string p = path + std::string(suffix);
        if (::access(p.c_str(), F_OK) == 0 && ::access(p.c_str(), W_OK) != 0) {
          if (!readOnly) cause = "is read-only";
          return named("file", path);
        }
      }
  }
  if (!noSpace && !folder.empty() && ::access(folder.c_str(), W_OK) != 0) {
    cause = "is read-only";
    return named("folder", folder);
  }
  return named("folder", folder);
}

// The text of the last error of db: the provider's text, after the store
// file and the cause when a store file failed. osError: errno right after
// the failing call (cleared before it).
std::string ErrorText(sqlite3* db, const std::string& providerText, int osError) {
  const std::string problem = StoreFileProblem(db, osError);
  return problem.empty() ? providerText : problem + ": " + providerText;
}

// Throws the last error of db, as ConnectionLost when the store is lost.
[[noreturn]] void ThrowError(sqlite3* db, const std::string& message, int osError = 0) {
  const std::string text = ErrorText(db, message, osError);
  if (StoreFileLost(db)) throw ConnectionLost(text);
  throw DbError(text);
}

[[noreturn]] void Throw(sqlite3* db, const tsql::Translation* tr = nullptr) {
  ThrowError(db, MapError(sqlite3_errmsg(db), tr));
}

void Exec(sqlite3* db, const std::string& sql) {
  char* err = nullptr;
  BeforeRunning();
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
    const int osError = errno;
    std::string m = err ? err : "SQLite error";
    sqlite3_free(err);
    ThrowError(db, MapError(m, nullptr), osError);
  }
}

std::string QuoteText(const std::string& s) {
  std::string r = "'";
  for (char c : s) {
    if (c == '\'') r.push_back('\'');
    r.push_back(c);
  }
  return r + "'";
}

struct StmtGuard {
  sqlite3_stmt* s = nullptr;
  ~StmtGuard() { sqlite3_finalize(s); }
};

void BindLiterals(sqlite3_stmt* st, const std::vector<std::string>& literals) {
  const int n = sqlite3_bind_parameter_count(st);
  for (int p = 1; p <= n && static_cast<std::size_t>(p) <= literals.size(); ++p) {
    const std::string& lit = literals[static_cast<std::size_t>(p - 1)];
    sqlite3_bind_text(st, p, lit.data(), static_cast<int>(lit.size()), SQLITE_STATIC);
  }
}

}  // namespace

// ---------------------------------------------------------------- backend

struct SqliteBackend::Cached {
  sqlite3_stmt* stmt = nullptr;
  tsql::StmtKind kind;
  std::list<std::string>::iterator lru;
  ~Cached() { sqlite3_finalize(stmt); }
};

SqliteBackend::SqliteBackend(const std::string& folder) : folder_(folder) {
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) throw DbError("The store folder '" + folder + "' does not exist.");
  for (const std::string& name : StoreDatabases()) {
    if (!fs::is_regular_file(fs::path(folder) / (name + ".db"), ec))
      throw DbError("The store folder '" + folder + "' has no database file " + name + ".db.");
  }
  const std::string mainFile = (fs::path(folder) / "master.db").string();
  if (sqlite3_open_v2(mainFile.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
    std::string m = db_ ? sqlite3_errmsg(db_) : "cannot open";
    sqlite3_close(db_);
    db_ = nullptr;
    throw DbError("Cannot open the store file '" + mainFile + "': " + m);
  }
  try {
    // A double-quoted name that names no column is an error, never a text.
    sqlite3_db_config(db_, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_db_config(db_, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    sqlite3_busy_timeout(db_, 5000);
    sqlite3_commit_hook(db_, NoteCommit, db_);
    RegisterTsqlExtensions(db_);
    for (std::size_t i = 1; i < StoreDatabases().size(); ++i) {
      const std::string& name = StoreDatabases()[i];
      Exec(db_, "ATTACH DATABASE " + QuoteText((fs::path(folder) / (name + ".db")).string()) + " AS " +
                    tsql::QuoteIdent(name));
    }
    for (const std::string& name : StoreDatabases()) {
      const std::string schema = name == "master" ? "main" : name;
      Exec(db_, "PRAGMA " + tsql::QuoteIdent(schema) + ".journal_mode=WAL");
      Exec(db_, "PRAGMA " + tsql::QuoteIdent(schema) + ".synchronous=NORMAL");
    }
    // Replaces the automatic checkpoint after commits (see the class).
    sqlite3_wal_hook(db_, CheckpointPastCeiling, nullptr);
  } catch (const ConnectionLost& e) {
    // Nothing was connected yet: the store cannot be opened, which is what
    // the caller hears.
    sqlite3_close(db_);
    db_ = nullptr;
    throw DbError(e.ProviderText());
  } catch (...) {
    sqlite3_close(db_);
    db_ = nullptr;
    throw;
  }
}

SqliteBackend::~SqliteBackend() {
  if (lockFd_ >= 0) {
    lockDepth_ = 1;
    UnlockOperation();
  }
  cache_.clear();
  sqlite3_close(db_);
}

bool SqliteBackend::TryLockOperation() {
  if (lockFd_ >= 0) {  // held by this session already: taken once more
    ++lockDepth_;
    return true;
  }
  const int fd = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) throw ConnectionLost("The store folder '" + folder_ + "' can no longer be opened.");
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return false;
  }
  lockFd_ = fd;
  lockDepth_ = 1;
  return true;
}

void SqliteBackend::UnlockOperation() {
  if (lockFd_ < 0 || --lockDepth_ > 0) return;
  ::flock(lockFd_, LOCK_UN);
  ::close(lockFd_);
  lockFd_ = -1;
}

ResultSet SqliteBackend::Query(const std::string& sql) {
  CollectingSink sink;
  Run(sql, true, &sink);
  return std::move(sink.result);
}

void SqliteBackend::QueryInto(const std::string& sql, RowSink& sink) { Run(sql, true, &sink); }

void SqliteBackend::Idle() {
  // Copies what the WAL holds into the database files, all of them; the
  // next commit then writes the WAL from its start again. A checkpoint that
  // cannot finish now (another program reading) is simply left for later:
  // the WAL keeps every commit meanwhile.
  sqlite3_wal_checkpoint_v2(db_, nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
}

long long SqliteBackend::Execute(const std::string& sql) { return Run(sql, false, nullptr); }

sqlite3_stmt* SqliteBackend::Prepare(const std::string& sql) {
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v3(db_, sql.c_str(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT, &st,
                         nullptr) != SQLITE_OK) {
    sqlite3_finalize(st);
    Throw(db_);
  }
  return st;
}

namespace {

// Steps st to its end; with out, hands every row to it as it is read.
void StepAll(sqlite3* db, sqlite3_stmt* st, RowSink* out, const tsql::Translation* tr) {
  int ncol = 0;
  std::vector<Cell> row;
  for (bool first = true;; first = false) {
    BeforeRunning();
    const int rc = sqlite3_step(st);
    const int osError = errno;
    if (first && out && (rc == SQLITE_ROW || rc == SQLITE_DONE)) {
      // After the first step: a statement re-prepared for a changed schema
      // has its new columns only then.
      ncol = sqlite3_column_count(st);
      std::vector<std::string> names;
      for (int c = 0; c < ncol; ++c) names.emplace_back(sqlite3_column_name(st, c));
      out->Columns(names);
      row.resize(static_cast<std::size_t>(ncol));
    }
    if (rc == SQLITE_DONE) break;
    if (rc != SQLITE_ROW) {
      std::string m = ErrorText(db, MapError(sqlite3_errmsg(db), tr), osError);
      const bool lost = StoreFileLost(db);
      sqlite3_reset(st);
      if (lost) throw ConnectionLost(m);
      throw DbError(m);
    }
    if (!out) continue;
    try {
      for (int c = 0; c < ncol; ++c) {
        Cell& cell = row[static_cast<std::size_t>(c)];
        if (sqlite3_column_type(st, c) == SQLITE_NULL) {
          cell.reset();
          continue;
        }
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st, c));
        const auto n = static_cast<std::size_t>(sqlite3_column_bytes(st, c));
        if (cell) cell->assign(p, n);
        else cell.emplace(p, n);
      }
      out->Row(row);
    } catch (...) {
      sqlite3_reset(st);  // the statement is done with, whatever the sink did
      throw;
    }
  }
  sqlite3_reset(st);
}

// Length n of a declared type "NVARCHAR(n)" of a column, or -1. A length
// that no text type can have (a table made by other means) is refused.
int DeclaredLength(const std::string& decl, const std::string& column) {
  const auto open = decl.find('('), close = decl.find(')');
  if (open == std::string::npos || close == std::string::npos || close <= open + 1) return -1;
  const std::string inner = decl.substr(open + 1, close - open - 1);
  if (!std::all_of(inner.begin(), inner.end(), [](unsigned char c) { return std::isdigit(c); })) return -1;
  const std::size_t digits = std::min(inner.find_first_not_of('0'), inner.size());
  const int max = std::toupper(static_cast<unsigned char>(decl[0])) == 'N' ? 4000 : 8000;
  if (inner.size() - digits > 9 || std::stoi(inner) > max)
    throw DbError("The size (" + inner.substr(digits) + ") given to the column '" + column +
                  "' exceeds the maximum allowed for any data type (" + std::to_string(max) + ").");
  return std::stoi(inner);
}

// SELECT ... INTO: a table with the select's column names, the declared
// types of the source columns where known, every text column with the TSQL
// collation and its length; then the rows. Both steps or neither.
void RunSelectInto(sqlite3* db, const tsql::Translation& tr, const std::vector<std::string>& literals) {
  StmtGuard sel;
  if (sqlite3_prepare_v2(db, tr.sql.c_str(), -1, &sel.s, nullptr) != SQLITE_OK) Throw(db, &tr);
  const int ncol = sqlite3_column_count(sel.s);
  std::string defs;
  std::vector<std::string> seen, names;
  std::vector<tsql::TextColumn> bounded;
  for (int c = 0; c < ncol; ++c) {
    const std::string name = sqlite3_column_name(sel.s, c);
    names.push_back(name);
    std::string upper = name;
    for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    if (std::find(seen.begin(), seen.end(), upper) != seen.end())
      throw DbError("Column names in each table must be unique. Column name '" + name + "' in table '" +
                    tr.intoTable + "' is specified more than once.");
    seen.push_back(upper);
    const char* declp = sqlite3_column_decltype(sel.s, c);
    std::string decl = declp ? declp : "";
    std::string udecl = decl;
    for (char& ch : udecl) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    std::string def = tsql::QuoteIdent(name);
    if (decl.empty()) {
      def += " COLLATE TSQL";
    } else if (udecl.find("CHAR") != std::string::npos || udecl.find("TEXT") != std::string::npos ||
               udecl.find("CLOB") != std::string::npos) {
      def += " " + decl + " COLLATE TSQL";
      const int len = DeclaredLength(decl, name);
      if (len >= 0) {
        bounded.push_back({name, len});
        def += " " + tsql::LengthCheck(bounded.back());
      }
    } else {
      def += " " + decl;
    }
    if (!defs.empty()) defs += ", ";
    defs += def;
  }
  const std::string target = tsql::QuoteIdent(tr.intoSchema) + "." + tsql::QuoteIdent(tr.intoTable);
  Exec(db, "SAVEPOINT select_into");
  try {
    if (sqlite3_exec(db, ("CREATE TABLE " + target + " (" + defs + ")").c_str(), nullptr, nullptr, nullptr) !=
        SQLITE_OK)
      Throw(db, &tr);
    for (const std::string& trigger : tsql::FitTriggers(tr.intoSchema, tr.intoTable, bounded))
      if (sqlite3_exec(db, trigger.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) Throw(db, &tr);
    StmtGuard ins;
    const std::string insert = "INSERT INTO " + target + " " + tr.sql;
    if (sqlite3_prepare_v2(db, insert.c_str(), -1, &ins.s, nullptr) != SQLITE_OK) Throw(db, &tr);
    BindLiterals(ins.s, literals);
    StepAll(db, ins.s, nullptr, &tr);
    // Made once the rows are in: one sorted build instead of an insert each.
    for (const std::string& index : tsql::UnmarkedRowIndexes(tr.intoSchema, tr.intoTable, names))
      if (sqlite3_exec(db, index.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) Throw(db, &tr);
    Exec(db, "RELEASE select_into");
  } catch (...) {
    sqlite3_exec(db, "ROLLBACK TO select_into; RELEASE select_into", nullptr, nullptr, nullptr);
    throw;
  }
}

// A definition statement and those that complete it: all of them or none.
void RunDdl(sqlite3* db, const tsql::Translation& tr) {
  auto run = [&] {
    StmtGuard g;
    if (sqlite3_prepare_v2(db, tr.sql.c_str(), -1, &g.s, nullptr) != SQLITE_OK) Throw(db, &tr);
    StepAll(db, g.s, nullptr, &tr);
  };
  if (tr.after.empty()) return run();
  Exec(db, "SAVEPOINT ddl");
  try {
    run();
    for (const std::string& sql : tr.after)
      if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) Throw(db, &tr);
    Exec(db, "RELEASE ddl");
  } catch (...) {
    sqlite3_exec(db, "ROLLBACK TO ddl; RELEASE ddl", nullptr, nullptr, nullptr);
    throw;
  }
}

}  // namespace

long long SqliteBackend::Run(const std::string& sql, bool wantRows, RowSink* out) {
  tsql::Tokenize(sql, tokens_);
  Cached* c = nullptr;
  auto it = cache_.find(tokens_.key);
  if (it != cache_.end()) {
    c = it->second.get();
    lru_.splice(lru_.begin(), lru_, c->lru);
  } else {
    const tsql::Translation tr = tsql::Translate(tokens_);
    if (tr.kind == tsql::StmtKind::Ddl || tr.kind == tsql::StmtKind::SelectInto) {
      if (wantRows) throw DbError("CommandText does not return a result set.");
      if (tr.kind == tsql::StmtKind::SelectInto) {
        RunSelectInto(db_, tr, tokens_.literals);
        return -1;
      }
      RunDdl(db_, tr);
      return -1;
    }
    if (wantRows && tr.kind != tsql::StmtKind::Rows) throw DbError("CommandText does not return a result set.");
    auto entry = std::make_unique<Cached>();
    entry->stmt = Prepare(tr.sql);
    entry->kind = tr.kind;
    lru_.push_front(tokens_.key);
    entry->lru = lru_.begin();
    c = entry.get();
    cache_.emplace(tokens_.key, std::move(entry));
    if (cache_.size() > kCacheSize) {
      cache_.erase(lru_.back());
      lru_.pop_back();
    }
  }
  if (wantRows && c->kind != tsql::StmtKind::Rows) throw DbError("CommandText does not return a result set.");
  BindLiterals(c->stmt, tokens_.literals);
  StepAll(db_, c->stmt, out, nullptr);
  // The count of the statement just run; it is not reset by other kinds.
  return c->kind == tsql::StmtKind::Dml ? sqlite3_changes64(db_) : -1;
}

// ---------------------------------------------------------------- schema

const std::vector<TableSpec>& PharmacyTables() {
  using namespace names;
  namespace c = names::col;
  static constexpr int kNum = 20;    // resident numbers, with room for separators
  static constexpr int kEnc = 100;   // stored encrypted values
  static const std::vector<TableSpec> tables = [] {
    std::vector<TableSpec> t;
    t.push_back({CD_PERSON,
                 {{c::CUSCODE, 20}, {c::SEQ, 10}, {c::PANAME, 50}, {c::INDATE, 8}, {c::PANUM, kNum},
                  {c::TEMPNUM, kEnc}, {c::INSNUM, kNum}, {c::TEMPNUM_1, kEnc}, {c::CUSACT, 1}}});
    t.push_back({HIRAEncryption, {{c::Encrypt, 100}}});
    for (std::string_view table : {PS_MAIN, INS_COMPOS})
      t.push_back({table,
                   {{c::PRESERIAL, 20}, {c::CUSCODE, 20}, {c::PANAME, 50}, {c::INDATE, 8}, {c::PANUM, kNum},
                    {c::TEMPNUM, kEnc}}});
    for (std::string_view table :
         {TV_PRES_LOG, SALE_MAIN, TEMP_ADD_COMPOS, PS_JOJE_MAIN, BACK_PS_MAIN, CD_MONITOR, TEMP_ADD_MAIN,
          EDI_INS_COMPOS, EDI_PS_MAIN, EDIRECE_GI21INS, EDIRECE_H0251, EDIRECE_F0403, EDIRECE_H0241,
          EDIRECE_GI01INS, EDISEND_H0241})
      t.push_back({table, {{c::PANUM, kNum}, {c::TEMPNUM, kEnc}}});
    t.push_back({PS_NHIC, {{c::PANUM, kNum}, {c::TEMPNUM, kEnc}, {c::OPJUMINNO, kNum}, {c::TEMPNUM_1, kEnc}}});
    t.push_back({QORA_PRESLP,
                 {{c::PANAMEJUMIN, kNum}, {c::TEMPNUM, kEnc}, {c::INSUREJUMIN, kNum}, {c::TEMPNUM_1, kEnc}}});
    t.push_back({QORA_DATAINFO, {{c::PREGNO, kNum}, {c::TEMPNUM, kEnc}}});
    for (std::string_view table : {EDIRECE_H010, EDISEND_H010})
      t.push_back({table, {{c::AUTHIDNUM, kNum}, {c::TEMPNUM, kEnc}}});
    return t;
  }();
  return tables;
}

void CreatePharmacySchema(TADOConnection& connection) {
  Backend& b = connection.backend();
  for (const TableSpec& t : PharmacyTables()) {
    std::string sql = "CREATE TABLE " + std::string(t.table) + "(";
    for (std::size_t i = 0; i < t.columns.size(); ++i) {
      if (i) sql += ", ";
      sql += std::string(t.columns[i].first) + " NVARCHAR(" + std::to_string(t.columns[i].second) + ") NULL";
    }
    b.Execute(sql + ")");
  }
  // The lookups the audits make by customer code and record number.
  const std::pair<std::string_view, std::string_view> indexes[] = {
      {names::CD_PERSON, names::col::CUSCODE}, {names::PS_MAIN, names::col::CUSCODE},
      {names::PS_MAIN, names::col::PRESERIAL}, {names::INS_COMPOS, names::col::CUSCODE},
      {names::INS_COMPOS, names::col::PRESERIAL}};
  for (auto [table, column] : indexes)
    b.Execute("CREATE NONCLUSTERED INDEX [IX_" + std::string(column) + "] ON " + std::string(table) + " ([" +
              std::string(column) + "] ASC)");
}

void CreateStore(const std::string& folder) {
  std::error_code ec;
  if (fs::exists(folder, ec)) {
    if (!fs::is_directory(folder, ec)) throw DbError("'" + folder + "' exists and is not a folder.");
    if (!fs::is_empty(folder, ec)) throw DbError("The folder '" + folder + "' is not empty.");
  }
  fs::create_directories(folder, ec);
  if (ec) throw DbError("Cannot create the folder '" + folder + "': " + ec.message());
  for (const std::string& name : StoreDatabases()) {
    const std::string file = (fs::path(folder) / (name + ".db")).string();
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc == SQLITE_OK) {
      // Writes the header so the file is a database, and turns WAL on for good.
      sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
    }
    std::string m = db ? sqlite3_errmsg(db) : "cannot open";
    sqlite3_close(db);
    if (rc != SQLITE_OK) throw DbError("Cannot create the store file '" + file + "': " + m);
  }
  auto backend = std::make_unique<SqliteBackend>(folder);
  sqlite3* db = backend->Handle();
  TADOConnection conn;
  conn.Adopt(std::move(backend));
  // One transaction for the whole schema: a store is made whole or not at all,
  // and far faster than one commit per table.
  Exec(db, "BEGIN");
  try {
    CreatePharmacySchema(conn);
    Exec(db, "COMMIT");
  } catch (...) {
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
}

std::string StoreConnectionString(const std::string& folder) { return BuildConnectionString("sqlite:" + folder); }

bool EmbeddedStoreBuiltIn() { return true; }

std::unique_ptr<Backend> OpenEmbeddedStore(const std::string& folder) {
  return std::make_unique<SqliteBackend>(folder);
}

}  // namespace jc::db
