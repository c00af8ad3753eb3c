#include "audit/Undo.h"

#include <string_view>

#include "common/Text.h"
#include "db/Names.h"
#include "db/Query.h"

namespace jc::audit {

namespace {

const std::string kJournal(kJournalTable);

// The records a journal row may name: the tables the repair and the restore
// write, their key columns, and the one column they write. Anything else in
// the table (changed by hand) is refused, never pasted into a statement.
struct JournaledTable {
  std::string_view table, key1, key2;
};
constexpr JournaledTable kTables[] = {
    {db::names::CD_PERSON, db::names::col::CUSCODE, db::names::col::SEQ},
    {db::names::PS_MAIN, db::names::col::PRESERIAL, ""},
    {db::names::INS_COMPOS, db::names::col::PRESERIAL, ""},
};
constexpr std::string_view kColumn = db::names::col::TEMPNUM;

const JournaledTable* Find(const std::string& table) {
  for (const JournaledTable& t : kTables)
    if (t.table == table) return &t;
  return nullptr;
}

std::string Quoted(const std::optional<std::string>& v) { return v ? db::QuotedStr(*v) : "NULL"; }

std::optional<std::string> Field(const db::TADOQuery& q, const char* name) {
  if (q.FieldIsNull(name)) return std::nullopt;
  return q.FieldAsString(name);
}

// The WHERE that finds a journaled record while it holds `value`.
std::string RecordWhere(const JournaledTable& t, const JournaledRecord& r, const std::optional<std::string>& value) {
  std::string where = " WHERE " + std::string(t.key1) + " = " + db::QuotedStr(r.key1);
  if (!t.key2.empty()) where += " AND " + std::string(t.key2) + " = " + db::QuotedStr(r.key2);
  return where + " AND " + std::string(kColumn) + (value ? " = " + db::QuotedStr(*value) : " IS NULL");
}

const JournaledTable& Checked(const JournaledRecord& r) {
  const JournaledTable* t = Find(r.table);
  if (!t || r.column != kColumn)
    throw db::DbError("변경 기록의 " + r.table + "." + r.column +
                      "은 이 도구가 바꾸는 열이 아닙니다. 되돌리지 않았습니다.");
  // An empty key would address every record without one.
  if (Trim(r.key1).empty() || (!t->key2.empty() && Trim(r.key2).empty()))
    throw db::DbError("변경 기록의 " + r.table + " 기록에 키가 없습니다. 되돌리지 않았습니다.");
  return *t;
}

}  // namespace

std::vector<JournaledOperationSummary> ListJournal(db::Session& db, int last) {
  db.SqlText = "SELECT TOP " + std::to_string(last) +
               " OPID, MIN(OPTIME) AS OPTIME, MIN(MACHINE) AS MACHINE, MIN(OSUSER) AS OSUSER, MIN(OPNAME) AS "
               "OPNAME, COUNT(*) AS CNT FROM " + kJournal + " GROUP BY OPID ORDER BY OPTIME DESC, OPID DESC";
  std::vector<JournaledOperationSummary> out;
  if (!db::OpenQuery(db.Ado_Qry, db.SqlText)) return out;  // no journal yet
  for (db::TADOQuery& q = db.Ado_Qry; !q.Eof(); q.Next())
    out.push_back({q.FieldAsString("OPID"), q.FieldAsString("OPTIME"), q.FieldAsString("MACHINE"),
                   q.FieldAsString("OSUSER"), q.FieldAsString("OPNAME"), q.FieldAsInteger("CNT")});
  db.Ado_Qry.Close();
  return out;
}

std::vector<JournaledRecord> ReadJournaledOperation(db::Session& db, const std::string& id) {
  db.SqlText = "SELECT TABLENAME, KEY1, KEY2, COLNAME, BEFOREVAL, AFTERVAL FROM " + kJournal +
               " WHERE OPID = " + db::QuotedStr(id) + " ORDER BY TABLENAME, KEY1, KEY2";
  db::OpenQueryOrFail(db.Ado_Qry, db.SqlText);
  std::vector<JournaledRecord> records;
  for (db::TADOQuery& q = db.Ado_Qry; !q.Eof(); q.Next())
    records.push_back({q.FieldAsString("TABLENAME"), q.FieldAsString("KEY1"), q.FieldAsString("KEY2"),
                       q.FieldAsString("COLNAME"), Field(q, "BEFOREVAL"), Field(q, "AFTERVAL"), false});
  db.Ado_Qry.Close();
  if (records.empty()) throw db::DbError("변경 기록에 작업 " + id + "이(가) 없습니다.");
  for (JournaledRecord& r : records) {
    const JournaledTable& t = Checked(r);
    db.SqlText = "SELECT COUNT(*) AS CNT FROM " + r.table + RecordWhere(t, r, r.after);
    db::OpenQueryOrFail(db.Ado_Qry, db.SqlText);
    r.stillWritten = db.Ado_Qry.FieldAsInteger(db::names::col::CNT) > 0;
    db.Ado_Qry.Close();
  }
  return records;
}

std::string UndoQuestion(const std::string& id, int records) {
  return "되돌리기: 작업 " + id + "이(가) 바꾼 기록 " + std::to_string(records) +
         "건에 바꾸기 전의 암호화 값을 되돌려 씁니다(그 뒤에 바뀐 기록은 건너뜁니다). 계속하시겠습니까?";
}

std::string UndoSummaryText(const UndoResult& r) {
  std::string text = "되돌리기: " + std::to_string(r.undone) + "건 되돌림, 그 뒤에 바뀌어 건너뛴 기록 " +
                     std::to_string(r.changedSince) + "건";
  if (r.failed > 0) text += ", " + std::to_string(r.failed) + "건 실패";
  return text;
}

std::optional<UndoResult> UndoJournaledOperation(db::Session& db, Shell& shell, const std::string& id,
                                                 const JournalContext& context) {
  // Reading checks every row before the first change.
  const std::vector<JournaledRecord> records = ReadJournaledOperation(db, id);
  if (!shell.Confirm(UndoQuestion(id, static_cast<int>(records.size())))) return std::nullopt;

  UndoResult result;
  const JournalOperation op = BeginJournalOperation(db, context, "undo");
  for (const JournaledRecord& r : records) {
    const JournaledTable& t = Checked(r);
    const std::optional<long long> changed = RunJournaled(
        db, op,
        JournaledUpdate{r.table, std::string(t.key1), std::string(t.key2), r.column, RecordWhere(t, r, r.after),
                        "UPDATE " + r.table + " SET " + r.column + " = " + Quoted(r.before), r.before});
    if (!changed) ++result.failed;
    else if (*changed == 0) ++result.changedSince;
    else ++result.undone;
  }
  shell.ShowMessage(UndoSummaryText(result));
  return result;
}

}  // namespace jc::audit
