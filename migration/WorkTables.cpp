#include "migration/WorkTables.h"

#include <stdexcept>

#include "db/Names.h"
#include "db/OperationLock.h"
#include "db/Query.h"
#include "migration/MigrationStatus.h"

namespace jc::migration {

namespace {

namespace names = db::names;

const std::string kMappingBak(names::TEMP_MAPPING_BAK);
const std::string kMapping(names::TEMP_MAPPING);
const std::string kReport(names::AAA);

// Plain numbers per work table: the mapping tables' PANUM, the report's
// decrypted number PANUM_1.
const std::string kCountMappingBak = "SELECT COUNT(*) AS CNT FROM " + kMappingBak + " WHERE PANUM <> ''";
const std::string kCountMapping = "SELECT COUNT(*) AS CNT FROM " + kMapping + " WHERE PANUM <> ''";
const std::string kCountReport = "SELECT COUNT(*) AS CNT FROM " + kReport + " WHERE ISNULL(PANUM_1,'') <> ''";

const std::string kDropMappingBak = "DROP TABLE " + kMappingBak;
const std::string kDropMapping = "DROP TABLE " + kMapping;
const std::string kDropReport = "DROP TABLE " + kReport;

struct Counted {
  const std::string& table;
  const std::string& count;
  const std::string& drop;
};

const Counted kTables[] = {{kMappingBak, kCountMappingBak, kDropMappingBak},
                           {kMapping, kCountMapping, kDropMapping},
                           {kReport, kCountReport, kDropReport}};

}  // namespace

std::vector<WorkTable> ReadWorkTables(db::Session& db) {
  std::vector<WorkTable> tables;
  for (const Counted& t : kTables) {
    WorkTable w;
    w.table = t.table;
    db.SqlText = t.count;
    if (db::OpenQuery(db.Ado_Qry, db.SqlText)) {
      w.present = true;
      w.plainNumbers = db.Ado_Qry.FieldAsInteger(db::names::col::CNT);
      db.Ado_Qry.Close();
    }
    tables.push_back(w);
  }
  return tables;
}

std::string MappingStillNeededText(long long plainToMask) {
  if (plainToMask < 0)
    return "매핑테이블을 지우지 않았습니다: 암호화할 평문 번호가 남았는지 확인할 수 없는 테이블이 있습니다 "
           "(migration-status 참고)";
  return "매핑테이블을 지우지 않았습니다: 암호화할 평문 번호가 " + std::to_string(plainToMask) +
         "건 남아 있습니다. 암호화를 먼저 끝내주세요 (migration-status 참고)";
}

std::string CleanupDoneText(const CleanupResult& result) {
  if (result.dropped.empty()) return "지울 작업 테이블이 없습니다";
  std::string text = "작업 테이블을 지웠습니다:";
  for (const std::string& t : result.dropped) text += " " + t;
  return text;
}

CleanupResult DropWorkTables(db::Session& db, Shell& shell) {
  db::OperationLock lock(db.Ado_Exec.Connection);
  // The run needs the mapping as long as plain numbers are left to mask.
  const MigrationStatusReport status = ReadMigrationStatus(db, nullptr);
  long long plainToMask = 0;
  for (const ColumnStatus& c : status.columns) {
    if (!c.unreadable.empty()) throw std::runtime_error(MappingStillNeededText(-1));
    plainToMask += c.plainToMask;
  }
  if (plainToMask > 0) throw std::runtime_error(MappingStillNeededText(plainToMask));
  shell.ProcessMessages();

  CleanupResult result;
  for (const WorkTable& w : ReadWorkTables(db)) {
    if (!w.present) continue;
    for (const Counted& t : kTables) {
      if (t.table != w.table) continue;
      db.SqlText = t.drop;
      db::ExecQueryOrFail(db.Ado_Exec, db.SqlText);
      result.dropped.push_back(w.table);
    }
    shell.ProcessMessages();
  }
  return result;
}

std::string CleanupQuestionText(const std::vector<WorkTable>& work) {
  std::string tables;
  for (const WorkTable& w : work)
    if (w.present)
      tables += (tables.empty() ? "" : ", ") + w.table + "(평문 주민번호 " + std::to_string(w.plainNumbers) + "건)";
  return "작업 테이블을 영구히 지웁니다: " + (tables.empty() ? std::string("없음") : tables) +
         ". 마스킹할 번호가 남아 있으면 지우지 않습니다. 계속하시겠습니까?";
}

}  // namespace jc::migration
