#pragma once
// Synthetic but realistic values for the demo store: resident numbers in the
// real 13-digit format, Korean names, yyyymmdd dates. Everything is drawn
// from one seeded generator, so a seed always gives the same values.
#include <cstdint>
#include <string>

namespace jc::demo {

// A small, fast generator with a fixed algorithm (splitmix64), so the demo is
// the same for a seed on every machine and library version.
class Rng {
 public:
  explicit Rng(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next();
  // A whole number in [0, n).
  int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint64_t>(n)); }
  // True with the given percent chance.
  bool Percent(int p) { return Below(100) < p; }

 private:
  std::uint64_t state_;
};

struct Date {
  int year, month, day;
  std::string Yyyymmdd() const;
};

// Days since 1970-01-01 and back.
long DaysFromCivil(const Date& d);
Date CivilFromDays(long days);

// A resident number for a birth date and sex: yymmdd, the sex-and-century
// digit (1/2 before 2000, 3/4 from 2000), four region digits, a serial digit
// and the check digit.
std::string MakeResidentNumber(Rng& rng, const Date& birth, bool male);
// True for 13 digits with a real birth date, a sex digit of 1 to 4 and a
// correct check digit.
bool IsValidResidentNumber(const std::string& number);
// Check digit of the first 12 digits.
int ResidentCheckDigit(const std::string& first12);

// The first seven characters followed by "******".
std::string Masked(const std::string& number);
// "yymmdd-sxxxxxx": the form two tables keep.
std::string Dashed(const std::string& number);

// A Korean name of two or three syllables.
std::string MakeKoreanName(Rng& rng);

}  // namespace jc::demo
