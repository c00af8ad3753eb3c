#pragma once
// The migration's state across the run list, read only: for every number
// column, how many rows the run would mask, how many stay plain, how many
// are masked and how many of those lack a stored value; optionally whether
// every masked row's stored value gives its number back.
#include <string>
#include <string_view>
#include <vector>

#include "crypto/Codec.h"
#include "db/Session.h"

namespace jc::migration {

struct ColumnStatus {
  std::string table;        // qualified
  std::string numberColumn;
  std::string valueColumn;
  long long rows = 0;
  long long plainToMask = 0;   // not masked, no value, with a mapping entry: the run masks them
  long long plainStaying = 0;  // not masked, left plain by the run (no entry, or a value present)
  long long partlyMasked = 0;  // holds '*' without ending in six: neither plain nor masked; the run leaves it
  long long tooLongToCollect = -1;  // the build collects from this column: plain values without a
                                    // value longer than a mapping number, which make it fail; -1: not collected
  long long masked = 0;
  long long maskedWithoutValue = 0;  // masked, value NULL or empty
  long long maskedBadValue = -1;     // masked, value present that does not give the number back; -1: not checked
  std::string unreadable;  // non-empty: the column could not be counted (the provider's text); the counts are 0
};

struct MigrationStatusReport {
  std::vector<ColumnStatus> columns;  // run-list order
  bool mappingReadable = false;
  std::string mappingError;      // why the mapping table could not be read
  long long mappingNumbers = 0;  // plain (non-empty) numbers the mapping table holds
};

// Whether the stored value of a masked number gives the number back: its
// decryption, trimmed, is 13 digits whose first seven are the masked
// number's (dashes removed). A number masked from the empty number
// ("******") must decrypt to the empty text.
bool MaskedValueGivesNumberBack(std::string_view maskedNumber, std::string_view decryption);

// Reads the report with set-based counts. With a codec, also decrypts the
// stored value of every masked row (each distinct value once) and counts
// the rows whose value does not give their number back; the codec must be
// usable (CodecUnusable otherwise). A column whose count fails (a table
// lacking the column, or missing) is reported unreadable with the
// provider's text and the report goes on; a lost connection throws.
MigrationStatusReport ReadMigrationStatus(db::Session& db, crypto::Codec* codec);

}  // namespace jc::migration
