#include "migration/MappingBuild.h"

#include <string>
#include <string_view>

#include "db/Names.h"
#include "db/Query.h"

namespace jc::migration {

namespace {

namespace names = db::names;
namespace col = db::names::col;

std::string Str(std::string_view s) { return std::string(s); }

const std::string kMapping = Str(names::TEMP_MAPPING_BAK);

// Phase 1: re-create the mapping and collect the numbers (S1 to S11).
const std::string kCollectPersonPanum =  // S5
    "INSERT INTO " + kMapping + "(PANUM, ENCRYPT) SELECT PANUM, TEMPNUM   FROM " +
    Str(names::CD_PERSON) +
    "  WHERE RIGHT(PANUM,6) <> '******' AND TEMPNUM IS NULL  GROUP BY PANUM, TEMPNUM ";
const std::string kCollectPersonInsnum =  // S6
    "INSERT INTO " + kMapping +
    "(PANUM, ENCRYPT) SELECT INSNUM, TEMPNUM_1   FROM (SELECT INSNUM, TEMPNUM_1           FROM " +
    Str(names::CD_PERSON) +
    "          WHERE RIGHT(INSNUM,6) <> '******' AND TEMPNUM_1 IS NULL          GROUP BY INSNUM, "
    "TEMPNUM_1) AS T1   WHERE NOT EXISTS(SELECT * FROM " +
    kMapping + " AS T2                     WHERE T1.INSNUM = T2.PANUM) ";
// S7 to S9: PANUM of a dispensing or sales table, numbers not yet collected.
std::string CollectPanum(std::string_view table) {
  return "INSERT INTO " + kMapping +
         "(PANUM, ENCRYPT) SELECT PANUM, TEMPNUM    FROM (SELECT PANUM, TEMPNUM            FROM " +
         Str(table) +
         "           WHERE RIGHT(PANUM,6) <> '******' AND TEMPNUM IS NULL           GROUP BY "
         "PANUM, TEMPNUM) AS T1  WHERE NOT EXISTS(SELECT * FROM " +
         kMapping + " AS T2                    WHERE T1.PANUM = T2.PANUM) ";
}
const std::string kDeleteEmpty = "DELETE FROM " + kMapping + " WHERE PANUM = '' ";  // S10
// After S10: numbers already partly masked ("8801011*****", or six '*' that
// came in with a trailing blank) are no plain numbers. An entry for one
// would pass the verification and have the run store the encryption of a
// masked number, so none is kept; the run leaves those rows as they are.
const std::string kDeleteMasked = "DELETE FROM " + kMapping + " WHERE PANUM LIKE '%*%' ";
const std::string kInsertEmptyHead = "INSERT INTO " + kMapping + "(PANUM, ENCRYPT) VALUES(";  // S11
const char* const kInsertEmptyComma = ",";
const char* const kInsertEmptyTail = ")";

// Phase 2: encrypt the entries page by page.
const std::string kCount = " SELECT COUNT(*) AS CNT FROM " + kMapping + " ";
const std::string kPage = " SELECT TOP 10000 * FROM " + kMapping + " WHERE ENCRYPT IS NULL";
const std::string kUpdateHead = " UPDATE " + kMapping + " SET ENCRYPT = ";
const char* const kUpdateWhere = " WHERE PANUM = ";

const char* const kCollecting = "매핑테이블 생성에 필요한 자료를 수집중입니다....";
const char* const kEncrypting = "매핑테이블 내 주민번호 암호화 작업 진행중입니다....";
const char* const kDone = "매핑테이블 생성이 완료되었습니다....";

constexpr int kPreparationSteps = 11;

}  // namespace

const std::vector<CollectedColumn>& CollectedColumns() {
  static const std::vector<CollectedColumn> columns = {
      {names::CD_PERSON, col::PANUM, col::TEMPNUM},  {names::CD_PERSON, col::INSNUM, col::TEMPNUM_1},
      {names::PS_MAIN, col::PANUM, col::TEMPNUM},    {names::INS_COMPOS, col::PANUM, col::TEMPNUM},
      {names::SALE_MAIN, col::PANUM, col::TEMPNUM}};
  return columns;
}

void Btn_MappingClick(ui::FormModel& form, db::Session& db, crypto::Codec& codec, Shell& shell) {
  crypto::RequireUsableCodec(codec);
  // The mapping is about to be replaced: whatever an earlier verification
  // enabled no longer applies.
  form.Btn_Encrypt.enabled = false;

  // Phase 1.
  form.Gauge1.SetMinValue(0);
  form.Gauge1.SetProgress(0);
  form.Gauge1.SetMaxValue(kPreparationSteps);
  form.LB_Msg.SetText(kCollecting);
  shell.ProcessMessages();

  // A statement that may fail without harm (S1 once the table exists, S2 on
  // the very first build, S10), and one whose failure ends the build with
  // its own error: a mapping that was not created, or a source table whose
  // numbers were not collected (one value longer than 13 characters makes
  // the server refuse that table's whole INSERT), must not end in the
  // success text and a verification that passes with those numbers plain.
  auto step = [&](const std::string& sql) {
    db.SqlText = sql;
    db::ExecQuery(db.Ado_Exec, db.SqlText);
    form.Gauge1.AddProgress(1);
    shell.ProcessMessages();
  };
  auto required = [&](const std::string& sql) {
    db.SqlText = sql;
    db::ExecQueryOrFail(db.Ado_Exec, db.SqlText);
    form.Gauge1.AddProgress(1);
    shell.ProcessMessages();
  };
  step(Str(names::sql::CreateTempMapping));           // S1
  step(Str(names::sql::DropTempMappingBak));          // S2
  required(Str(names::sql::CreateTempMappingBak));    // S3
  required(Str(names::sql::CreateTempMappingIndex));  // S4
  required(kCollectPersonPanum);                      // S5
  required(kCollectPersonInsnum);                     // S6
  required(CollectPanum(names::PS_MAIN));             // S7
  required(CollectPanum(names::INS_COMPOS));          // S8
  required(CollectPanum(names::SALE_MAIN));           // S9
  step(kDeleteEmpty);                                 // S10
  // Not a counted step: the gauge keeps its eleven.
  db.SqlText = kDeleteMasked;
  db::ExecQueryOrFail(db.Ado_Exec, db.SqlText);
  // S11: the one empty-number entry, its value filled in here so that no
  // page reads it.
  required(kInsertEmptyHead + db::QuotedStr("") + kInsertEmptyComma +
           db::QuotedStr(codec.EncryptJumin("")) + kInsertEmptyTail);

  // Phase 2.
  form.Gauge1.SetMinValue(0);
  form.Gauge1.SetProgress(0);
  form.LB_Msg.SetText(kEncrypting);
  shell.ProcessMessages();

  db.SqlText = kCount;
  db::OpenQuery(db.Ado_Qry, db.SqlText);
  if (!db.Ado_Qry.Eof()) {
    const int count = db.Ado_Qry.FieldAsInteger(col::CNT);
    form.Gauge1.SetMaxValue(count);
    // Two pages more than the whole part: at least the last one finds
    // nothing left when every update succeeds.
    const int pages = count / kBuildPageSize + 2;
    for (int page = 0; page < pages; ++page) {
      db.SqlText = kPage;
      db::OpenQuery(db.Ado_Qry, db.SqlText);
      while (!db.Ado_Qry.Eof()) {
        const std::string encrypted = codec.EncryptJumin(db.Ado_Qry.FieldAsString(col::PANUM));
        db.SqlText = kUpdateHead + db::QuotedStr(encrypted) + kUpdateWhere +
                     db::QuotedStr(db.Ado_Qry.FieldAsString(col::PANUM));
        db::ExecQuery(db.Ado_Exec, db.SqlText);
        db.Ado_Qry.Next();
        form.Gauge1.AddProgress(1);
        shell.ProcessMessages();
      }
      shell.Sleep(kBuildPagePauseMs);
    }
  }
  form.LB_Msg.SetText(kDone);
}

}  // namespace jc::migration
