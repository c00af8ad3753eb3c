#pragma once
// The demo's pharmacy data: customers with several records each, dispensing
// records across the last years up to today, and rows in every table the
// tool's operations look at, in every state they distinguish. Values are
// encrypted with the real codec, so the tool reads them as it reads a
// pharmacy's.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "crypto/Codec.h"
#include "demo/Synthetic.h"

namespace jc::demo {

// Where generated rows go (the store's bulk writer, or a test's recorder).
class RowSink {
 public:
  virtual ~RowSink() = default;
  // table: qualified ("TV_BASE..CD_PERSON"); a nullopt value is NULL.
  virtual void Insert(std::string_view table, const std::vector<std::string_view>& columns,
                      const std::vector<std::optional<std::string>>& values) = 0;
};

struct DemoOptions {
  int customers = 1000;
  std::uint64_t seed = 1;
  Date today{2026, 1, 1};
};

// How a customer's numbers are stored.
enum class CustomerState {
  Plain,          // not migrated: plain numbers, no stored values
  Sound,          // masked, values encrypted from the full number
  BadValue,       // masked; the first record sound, later ones encrypted from the masked number
  Unrecoverable,  // masked; every customer record encrypted from the masked number
  NullValue,      // masked, no stored value (NULL)
  EmptyValue,     // masked, empty stored value
  TrailingBlank,  // masked, a sound value followed by a blank
};
const char* StateName(CustomerState state);

// A customer record whose stored value decrypts to a masked number: what the
// customer audit lists for a tax year in which the customer has a
// dispensing record.
struct Finding {
  std::string cuscode;
  std::string seq;
  std::vector<int> dispensingYears;  // distinct, ascending
};

struct DemoSummary {
  int customers = 0;
  std::map<CustomerState, int> customersByState;
  std::map<std::string, long> rowsByTable;
  std::vector<Finding> findings;
  long encryptions = 0;
};

// Generates the data into the sink. Deterministic for options.seed (given
// the same data key, the stored values too).
DemoSummary GenerateDemoData(const DemoOptions& options, crypto::Codec& codec, RowSink& sink);

}  // namespace jc::demo
