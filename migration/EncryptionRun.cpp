#include "migration/EncryptionRun.h"

#include <stdexcept>

#include "common/Text.h"
#include "db/Names.h"
#include "db/Query.h"

namespace jc::migration {

namespace {

namespace names = db::names;
namespace col = db::names::col;

std::string Str(std::string_view s) { return std::string(s); }

const std::string kMapping = Str(names::TEMP_MAPPING_BAK);

// The plain numbers of the mapping (the empty-number entry aside).
const std::string kMappingNumbers = "SELECT COUNT(*) AS CNT FROM " + kMapping + " WHERE PANUM <> ''";

// The generic statement: PANUM -> TEMPNUM of the named table, through a
// derived table of the rows not yet masked and without a value.
const char* const kGenericHead =
    "UPDATE T1    SET TEMPNUM = T2.ENCRYPT, PANUM = LEFT(T2.PANUM,7) + '******'   FROM (SELECT "
    "PANUM, TEMPNUM           FROM ";
const char* const kGenericFilter =
    "         WHERE RIGHT(PANUM,6) <> '******' AND TEMPNUM IS NULL) AS T1, ";
const std::string kGenericMapping = "       " + kMapping + " AS T2 ";
const char* const kGenericJoin = " WHERE T1.PANUM = T2.PANUM ";

// The statement of one number column of a table with statements of its own
// (CD_PERSON, PS_NHIC, the two H010).
std::string OwnStatement(std::string_view table, std::string_view plain, std::string_view value) {
  const std::string p(plain), e(value);
  return "UPDATE T1    SET " + e + " = T2.ENCRYPT, " + p + " = LEFT(T2.PANUM,7) + '******'   FROM (SELECT " +
         p + ", " + e + "           FROM " + Str(table) + "          WHERE RIGHT(" + p +
         ",6) <> '******' AND " + e + " IS NULL) AS T1,        " + kMapping + " AS T2  WHERE T1." + p +
         " = T2.PANUM ";
}

// The statement of a number column stored with '-' separators (the two QORA
// tables): an UPDATE of the base table joined to the mapping on the number
// with every '-' removed, with the same NULL and masked filters. A derived
// table that computes the number with REPLACE cannot be updated, so the join
// and the filters work on the base column.
//
// The masked form keeps the column's layout: a number stored as
// "YYMMDD-NNNNNNN" becomes "YYMMDD-N******", as the rows masked earlier in
// these tables are; any other layout (no dash, or dashes elsewhere) becomes
// the first seven characters of the number without dashes and "******", as in
// every other table. Either way the digits before the asterisks are the first
// seven digits of the number, and the text never grows longer than it was.
std::string DashedStatement(std::string_view table, std::string_view plain, std::string_view value) {
  const std::string p = "T1." + Str(plain), e(value);
  return "UPDATE T1    SET " + e + " = T2.ENCRYPT, " + Str(plain) + " = (CASE WHEN LEN(" + p +
         ") = 14 AND SUBSTRING(" + p + ",7,1) = '-' AND LEFT(" + p + ",6) NOT LIKE '%-%' THEN LEFT(" + p +
         ",8) ELSE LEFT(T2.PANUM,7) END) + '******'   FROM " + Str(table) + " AS T1,        " + kMapping +
         " AS T2  WHERE REPLACE(" + p + ",'-','') = T2.PANUM    AND RIGHT(REPLACE(" + p +
         ",'-',''),6) <> '******' AND T1." + e + " IS NULL ";
}

// Refused run: an entry whose value cannot give its number back.
const std::string kUnusableEntries =
    "SELECT COUNT(*) AS CNT FROM " + kMapping + " WHERE LEN(ISNULL(ENCRYPT,'')) <= 2";

const char* const kFailedTail = " 암호화 실패..";
const char* const kDoneTail = " 암호화 성공..";

}  // namespace

const std::vector<RunEntry>& RunList() {
  static const std::vector<RunEntry> list = {
      {names::CD_PERSON, "CD_PERSON 암호화중입니다.."},
      {names::TV_PRES_LOG, "TV_PRES_LOG 암호화중입니다.."},
      {names::EDIRECE_GI21INS, "GI21INS 암호화중입니다.."},
      {names::EDIRECE_H0251, "H0251 암호화중입니다.."},
      {names::EDIRECE_F0403, "F0403 암호화중입니다.."},
      {names::EDIRECE_H0241, "H0241 암호화중입니다.."},
      {names::EDIRECE_GI01INS, "GI01INS 암호화중입니다.."},
      {names::EDIRECE_H010, "H010 암호화중입니다.."},
      {names::EDISEND_H0241, "H0241 암호화중입니다.."},
      {names::EDISEND_H010, "H010 암호화중입니다.."},
      {names::TEMP_ADD_COMPOS, "TEMP_ADD_COMPOS 암호화중입니다.."},
      {names::PS_JOJE_MAIN, "PS_JOJE_MAIN 암호화중입니다.."},
      {names::SALE_MAIN, "SALE_MAIN 암호화중입니다.."},
      {names::BACK_PS_MAIN, "BACK_PS_MAIN 암호화중입니다.."},
      {names::CD_MONITOR, "CD_MONITOR 암호화중입니다.."},
      {names::PS_MAIN, "PS_MAIN 암호화중입니다.."},
      {names::TEMP_ADD_MAIN, "TEMP_ADD_MAIN 암호화중입니다..  "},
      {names::INS_COMPOS, "INS_COMPOS 암호화중입니다..   "},
      {names::EDI_INS_COMPOS, "EDI_INS_COMPOS 암호화중입니다.."},
      {names::PS_NHIC, "PS_NHIC 암호화중입니다.."},
      {names::EDI_PS_MAIN, "EDI_PS_MAIN 암호화중입니다.."},
      {names::QORA_PRESLP, "QORA_PRESLP 암호화중입니다.."},
      {names::QORA_DATAINFO, "QORA_DATAINFO 암호화중입니다.."},
  };
  return list;
}

std::string ShortName(std::string_view message) {
  const std::size_t at = message.find("암호");
  if (at == std::string_view::npos || at == 0) return std::string(message);
  return std::string(message.substr(0, at - 1));
}

std::vector<NumberColumn> NumberColumns(std::string_view table) {
  const std::string t = Trim(table);
  if (t == names::CD_PERSON) return {{col::PANUM, col::TEMPNUM}, {col::INSNUM, col::TEMPNUM_1}};
  if (t == names::PS_NHIC) return {{col::PANUM, col::TEMPNUM}, {col::OPJUMINNO, col::TEMPNUM_1}};
  if (t == names::EDISEND_H010 || t == names::EDIRECE_H010) return {{col::AUTHIDNUM, col::TEMPNUM}};
  if (t == names::QORA_PRESLP)
    return {{col::PANAMEJUMIN, col::TEMPNUM, true}, {col::INSUREJUMIN, col::TEMPNUM_1, true}};
  if (t == names::QORA_DATAINFO) return {{col::PREGNO, col::TEMPNUM, true}};
  return {{col::PANUM, col::TEMPNUM}};
}

std::vector<std::string> TableStatements(const std::string& table) {
  const std::string t = Trim(table);
  const bool own = t == names::CD_PERSON || t == names::PS_NHIC || t == names::EDISEND_H010 ||
                   t == names::EDIRECE_H010 || t == names::QORA_PRESLP || t == names::QORA_DATAINFO;
  if (!own)
    return {kGenericHead + table + kGenericFilter + kGenericMapping + kGenericJoin};
  std::vector<std::string> statements;
  for (const NumberColumn& c : NumberColumns(t))
    statements.push_back(c.dashed ? DashedStatement(t, c.plain, c.value)
                                  : OwnStatement(t, c.plain, c.value));
  return statements;
}

bool EncryptTable(db::Session& db, const std::string& table, std::string* error, long long* rowsMasked) {
  bool ok = true;
  if (rowsMasked) *rowsMasked = 0;
  for (const std::string& sql : TableStatements(table)) {
    db.SqlText = sql;
    const bool ran = db::ExecQuery(db.Ado_Exec, db.SqlText);
    if (ran && rowsMasked && db.Ado_Exec.RowsAffected() > 0) *rowsMasked += db.Ado_Exec.RowsAffected();
    if (!ran && ok) {
      ok = false;
      if (error) *error = db.Ado_Exec.LastError();
    }
  }
  return ok;
}

std::string UnusableMappingText(int entries) {
  return "매핑테이블에 암호화 값이 없거나 잘못된 항목이 " + std::to_string(entries) +
         "건 있어 암호화를 진행하지 않았습니다. 매핑테이블을 다시 만들고 검증해주세요";
}

void Btn_EncryptClick(ui::FormModel& form, db::Session& db, Shell& shell, std::vector<TableMasked>* masked) {
  if (masked) masked->clear();
  if (!form.Btn_Encrypt.enabled) throw std::runtime_error(kRunNotVerifiedText);
  // The mapping may have changed since it was verified (a build started
  // elsewhere): an entry without a usable value would mask numbers for good.
  db.SqlText = kUnusableEntries;
  if (!db::OpenQuery(db.Ado_Qry, db.SqlText))
    throw db::DbError(db.Ado_Qry.LastError().empty() ? "The mapping table could not be read."
                                                     : db.Ado_Qry.LastError());
  const int unusable = db.Ado_Qry.FieldAsInteger(col::CNT);
  if (unusable != 0) {
    form.Btn_Encrypt.enabled = false;
    throw std::runtime_error(UnusableMappingText(unusable));
  }

  const std::vector<RunEntry>& list = RunList();
  form.Gauge1.SetMinValue(0);
  form.Gauge1.SetMaxValue(static_cast<int>(list.size()));
  form.Gauge1.SetProgress(0);
  for (std::size_t i = 0; i < list.size(); ++i) {
    const RunEntry& entry = list[i];
    form.LB_Msg.SetText(std::string(entry.message));
    shell.ProcessMessages();
    std::string error;
    long long rows = 0;
    if (!EncryptTable(db, std::string(entry.table), &error, &rows)) {
      // The gauge stays at the number of tables completed; the status line
      // names the table, the error box says why it failed.
      form.LB_Msg.SetText(ShortName(entry.message) + kFailedTail);
      throw db::DbError(ShortName(entry.message) + kFailedTail + "\n" + error);
    }
    if (masked) masked->push_back({std::string(entry.table), rows});
    form.LB_Msg.SetText(ShortName(entry.message) + kDoneTail);
    shell.Sleep(kTablePauseMs);
    form.Gauge1.SetProgress(static_cast<int>(i) + 1);
    shell.ProcessMessages();
  }
}

std::string EncryptionRunQuestion(db::Session& db) {
  db.SqlText = kMappingNumbers;
  db::OpenQueryOrFail(db.Ado_Qry, db.SqlText);
  const int entries = db.Ado_Qry.FieldAsInteger(col::CNT);
  db.Ado_Qry.Close();
  std::string tables;
  for (const RunEntry& e : RunList()) tables += (tables.empty() ? "" : ", ") + Str(e.table);
  return "암호화진행: 매핑테이블의 주민번호 " + std::to_string(entries) + "건을 " +
         std::to_string(RunList().size()) + "개 테이블(" + tables +
         ")에서 마스킹하고 암호화 값을 저장합니다. 되돌릴 수 없습니다. 계속하시겠습니까?";
}

}  // namespace jc::migration
