#include "audit/Journal.h"

#include <cstdio>
#include <ctime>
#include <random>

#include "common/Identity.h"
#include "common/Text.h"
#include "db/Query.h"

namespace jc::audit {

namespace {

const std::string kJournal(kJournalTable);

const std::string kProbe = "SELECT COUNT(*) AS CNT FROM " + kJournal + " WHERE OPID = ''";
const std::string kCreate =
    "CREATE TABLE " + kJournal +
    "(OPID NVARCHAR(40) NULL, OPNAME NVARCHAR(10) NULL, OPTIME NVARCHAR(19) NULL, MACHINE NVARCHAR(64) NULL, "
    "OSUSER NVARCHAR(64) NULL, TABLENAME NVARCHAR(30) NULL, KEY1 NVARCHAR(20) NULL, KEY2 NVARCHAR(20) NULL, "
    "COLNAME NVARCHAR(20) NULL, BEFOREVAL NVARCHAR(200) NULL, AFTERVAL NVARCHAR(200) NULL)";
const std::string kInsertHead =
    "INSERT INTO " + kJournal +
    "(OPID, OPNAME, OPTIME, MACHINE, OSUSER, TABLENAME, KEY1, KEY2, COLNAME, BEFOREVAL, AFTERVAL) SELECT ";
const char* const kBegin = "BEGIN TRANSACTION";
const char* const kCommit = "COMMIT TRANSACTION";
const char* const kRollback = "ROLLBACK TRANSACTION";

constexpr std::size_t kNameLength = 64;  // MACHINE, OSUSER

std::string Stamp(const ui::DateTime& t, const char* format) {
  char buf[32];
  std::snprintf(buf, sizeof buf, format, t.year, t.month, t.day, t.hour, t.minute, t.second);
  return buf;
}

std::string Quoted(const std::optional<std::string>& v) { return v ? db::QuotedStr(*v) : "NULL"; }

void RollBack(db::Session& db) {
  db.SqlText = kRollback;
  db::ExecQuery(db.Ado_Exec, db.SqlText);
}

}  // namespace

JournalError::JournalError(const std::string& providerText)
    : std::runtime_error("변경 기록(" + kJournal + ")을 남길 수 없어 아무것도 바꾸지 않았습니다.\n" + providerText) {}

JournalContext SystemJournalContext() {
  return JournalContext{MachineName(), UserName(), [] {
                          const std::time_t t = std::time(nullptr);
                          std::tm local{};
#ifdef _WIN32
                          localtime_s(&local, &t);
#else
                          localtime_r(&t, &local);
#endif
                          return ui::DateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                                              local.tm_hour, local.tm_min, local.tm_sec};
                        }};
}

JournalOperation BeginJournalOperation(db::Session& db, const JournalContext& context, const std::string& name) {
  db.SqlText = kProbe;
  if (!db::OpenQuery(db.Ado_Qry, db.SqlText)) {
    db.SqlText = kCreate;
    if (!db::ExecQuery(db.Ado_Exec, db.SqlText)) throw JournalError(db.Ado_Exec.LastError());
  }
  db.Ado_Qry.Close();
  const ui::DateTime now = context.now();
  std::random_device random;
  char part[8];
  std::snprintf(part, sizeof part, "%06x", static_cast<unsigned>(random() & 0xFFFFFF));
  return JournalOperation{Stamp(now, "%04d%02d%02d%02d%02d%02d") + "-" + part, name,
                          Stamp(now, "%04d-%02d-%02d %02d:%02d:%02d"), Utf8Left(context.machine, kNameLength),
                          Utf8Left(context.user, kNameLength)};
}

std::optional<long long> RunJournaled(db::Session& db, const JournalOperation& op, const JournaledUpdate& change) {
  db.SqlText = kBegin;
  if (!db::ExecQuery(db.Ado_Exec, db.SqlText)) throw JournalError(db.Ado_Exec.LastError());
  db.SqlText = kInsertHead + db::QuotedStr(op.id) + ", " + db::QuotedStr(op.name) + ", " + db::QuotedStr(op.time) +
               ", " + db::QuotedStr(op.machine) + ", " + db::QuotedStr(op.user) + ", " +
               db::QuotedStr(change.table) + ", " + change.key1 + ", " +
               (change.key2.empty() ? std::string("''") : change.key2) + ", " + db::QuotedStr(change.column) +
               ", " + change.column + ", " + Quoted(change.value) + " FROM " + change.table + change.where;
  if (!db::ExecQuery(db.Ado_Exec, db.SqlText)) {
    const std::string why = db.Ado_Exec.LastError();
    RollBack(db);
    throw JournalError(why);
  }
  db.SqlText = change.update + change.where;
  if (!db::ExecQuery(db.Ado_Exec, db.SqlText)) {
    const std::string why = db.Ado_Exec.LastError();
    RollBack(db);
    db.Ado_Exec.SetLastError(why);
    return std::nullopt;
  }
  const long long changed = db.Ado_Exec.RowsAffected();
  db.SqlText = kCommit;
  if (!db::ExecQuery(db.Ado_Exec, db.SqlText)) {
    // Not committed: neither the change nor its journal rows took place.
    const std::string why = db.Ado_Exec.LastError();
    RollBack(db);
    db.Ado_Exec.SetLastError(why);
    return std::nullopt;
  }
  return changed;
}

}  // namespace jc::audit
