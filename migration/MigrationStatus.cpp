#include "migration/MigrationStatus.h"

#include <unordered_map>

#include "common/Text.h"
#include "db/Names.h"
#include "db/Query.h"
#include "migration/EncryptionRun.h"
#include "migration/MappingBuild.h"

namespace jc::migration {

namespace {

namespace names = db::names;
namespace col = db::names::col;

std::string Str(std::string_view s) { return std::string(s); }

const std::string kMapping = Str(names::TEMP_MAPPING_BAK);

// Plain numbers the mapping table holds (the empty-number entry aside).
const std::string kMappingNumbers = "SELECT COUNT(*) AS CNT FROM " + kMapping + " WHERE PANUM <> ''";

// The number as the run compares it: the column, or with '-' removed.
std::string Number(const NumberColumn& c) {
  const std::string column = "T1." + Str(c.plain);
  return c.dashed ? "REPLACE(" + column + ",'-','')" : column;
}

bool Collected(std::string_view table, std::string_view plain) {
  for (const CollectedColumn& c : CollectedColumns())
    if (c.table == table && c.plain == plain) return true;
  return false;
}

// Rows, plain, partly masked, masked and masked without a value, in one
// scan; for a column the build collects from, also the values it cannot.
std::string CountsStatement(std::string_view table, const NumberColumn& c) {
  const std::string n = Number(c), e = "T1." + Str(c.value);
  std::string sql = "SELECT COUNT(*) AS CNT, SUM(CASE WHEN RIGHT(" + n + ",6) <> '******' AND " + n +
                    " NOT LIKE '%*%' THEN 1 ELSE 0 END) AS PLAIN, SUM(CASE WHEN RIGHT(" + n +
                    ",6) <> '******' AND " + n + " LIKE '%*%' THEN 1 ELSE 0 END) AS PARTLY, SUM(CASE WHEN RIGHT(" +
                    n + ",6) = '******' THEN 1 ELSE 0 END) AS MASKED, SUM(CASE WHEN RIGHT(" + n +
                    ",6) = '******' AND ISNULL(" + e + ",'') = '' THEN 1 ELSE 0 END) AS NOVALUE";
  if (Collected(table, c.plain))
    sql += ", SUM(CASE WHEN RIGHT(" + n + ",6) <> '******' AND " + e + " IS NULL AND LEN(" + n + ") > " +
           std::to_string(kMappingNumberLength) + " THEN 1 ELSE 0 END) AS TOOLONG";
  return sql + " FROM " + Str(table) + " AS T1";
}

// The plain rows the run's statement for this column takes (a mapping
// verified as it now is holds no number with '*').
std::string ToMaskStatement(std::string_view table, const NumberColumn& c) {
  const std::string n = Number(c);
  return "SELECT COUNT(*) AS CNT FROM " + Str(table) + " AS T1 WHERE RIGHT(" + n + ",6) <> '******' AND " + n +
         " NOT LIKE '%*%' AND T1." + Str(c.value) + " IS NULL AND EXISTS(SELECT * FROM " + kMapping +
         " AS T2 WHERE T2.PANUM = " + n + ")";
}

// Every masked row with a stored value (read whole: a value is compared
// exactly, trailing blanks and letter case included, which a GROUP BY on
// the server would not do).
std::string MaskedValuesStatement(std::string_view table, const NumberColumn& c) {
  const std::string n = Number(c), e = "T1." + Str(c.value);
  return "SELECT T1." + Str(c.plain) + " AS NUM, " + e + " AS VAL FROM " + Str(table) +
         " AS T1 WHERE RIGHT(" + n + ",6) = '******' AND ISNULL(" + e + ",'') <> ''";
}

const char* const kMaskedEmpty = "******";

void OpenOrThrow(db::Session& db, const std::string& sql) {
  db.SqlText = sql;
  if (!db::OpenQuery(db.Ado_Qry, db.SqlText))
    throw db::DbError(db.Ado_Qry.LastError().empty() ? "The statement failed: " + sql
                                                     : db.Ado_Qry.LastError());
}

}  // namespace

bool MaskedValueGivesNumberBack(std::string_view maskedNumber, std::string_view decryption) {
  const std::string plain = Trim(decryption);
  if (maskedNumber == kMaskedEmpty) return plain.empty();
  if (plain.size() != 13) return false;
  for (char ch : plain)
    if (ch < '0' || ch > '9') return false;
  return maskedNumber.size() >= 7 && maskedNumber.substr(0, 7) == std::string_view(plain).substr(0, 7);
}

MigrationStatusReport ReadMigrationStatus(db::Session& db, crypto::Codec* codec) {
  if (codec) crypto::RequireUsableCodec(*codec);
  MigrationStatusReport report;

  db.SqlText = kMappingNumbers;
  if (db::OpenQuery(db.Ado_Qry, db.SqlText)) {
    report.mappingReadable = true;
    report.mappingNumbers = db.Ado_Qry.FieldAsInteger(col::CNT);
  } else {
    report.mappingError = db.Ado_Qry.LastError();
  }

  std::unordered_map<std::string, std::string> decrypted;  // stored value -> decryption
  for (const RunEntry& entry : RunList()) {
    for (const NumberColumn& c : NumberColumns(entry.table)) {
      ColumnStatus s;
      s.table = Str(entry.table);
      s.numberColumn = Str(c.plain);
      s.valueColumn = Str(c.value);
      try {
        OpenOrThrow(db, CountsStatement(entry.table, c));
        s.rows = db.Ado_Qry.FieldAsInteger(col::CNT);
        const long long plain = db.Ado_Qry.FieldAsInteger("PLAIN");
        s.partlyMasked = db.Ado_Qry.FieldAsInteger("PARTLY");
        if (Collected(entry.table, c.plain)) s.tooLongToCollect = db.Ado_Qry.FieldAsInteger("TOOLONG");
        s.masked = db.Ado_Qry.FieldAsInteger("MASKED");
        s.maskedWithoutValue = db.Ado_Qry.FieldAsInteger("NOVALUE");
        if (report.mappingReadable) {
          OpenOrThrow(db, ToMaskStatement(entry.table, c));
          s.plainToMask = db.Ado_Qry.FieldAsInteger(col::CNT);
        }
        s.plainStaying = plain - s.plainToMask;
        if (codec) {
          s.maskedBadValue = 0;
          OpenOrThrow(db, MaskedValuesStatement(entry.table, c));
          for (; !db.Ado_Qry.Eof(); db.Ado_Qry.Next()) {
            const std::string value = db.Ado_Qry.FieldAsString("VAL");
            auto it = decrypted.find(value);
            if (it == decrypted.end()) it = decrypted.emplace(value, codec->DecryptJumin(value)).first;
            std::string number = db.Ado_Qry.FieldAsString("NUM");
            if (c.dashed) number = WithoutDashes(number);
            if (!MaskedValueGivesNumberBack(number, it->second)) ++s.maskedBadValue;
          }
        }
      } catch (const db::ConnectionLost&) {
        throw;
      } catch (const db::DbError& e) {
        // One table that cannot be counted must not hide the others.
        const std::string table = s.table, number = s.numberColumn, value = s.valueColumn;
        s = ColumnStatus{};
        s.table = table;
        s.numberColumn = number;
        s.valueColumn = value;
        s.unreadable = e.what();
      }
      db.Ado_Qry.Close();
      report.columns.push_back(std::move(s));
    }
  }
  return report;
}

}  // namespace jc::migration
