#pragma once
// The work tables that hold plain resident numbers after the migration and
// the report: the mapping tables (every plain number beside its value) and
// the report's TV_BASE..AAA (decrypted full numbers). Counting them, and
// dropping them once the run no longer needs the mapping.
#include <string>
#include <vector>

#include "common/Shell.h"
#include "db/Session.h"

namespace jc::migration {

struct WorkTable {
  std::string table;           // qualified
  bool present = false;        // the table could be read
  long long plainNumbers = 0;  // rows holding a plain (non-empty) number
};

// TV_BASE..TEMP_MAPPING_BAK, TV_BASE..TEMP_MAPPING, TV_BASE..AAA, in that
// order; a table that cannot be read is reported absent.
std::vector<WorkTable> ReadWorkTables(db::Session& db);

struct CleanupResult {
  std::vector<std::string> dropped;  // tables dropped, in order
};

// The question before a cleanup: the tables it drops for good and the plain
// numbers each holds.
std::string CleanupQuestionText(const std::vector<WorkTable>& work);

// The texts of a cleanup refused (nothing dropped) and of a cleanup done.
std::string MappingStillNeededText(long long plainToMask);
std::string CleanupDoneText(const CleanupResult& result);

// Drops the mapping tables and TV_BASE..AAA, holding the operation lock.
// Refuses (throws, dropping nothing) while the migration status still finds
// plain numbers the run would mask, or a table it cannot count: the mapping
// is what the run needs. A drop that fails ends it with that statement's error.
CleanupResult DropWorkTables(db::Session& db, Shell& shell);

}  // namespace jc::migration
