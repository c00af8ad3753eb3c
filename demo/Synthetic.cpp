#include "demo/Synthetic.h"

#include <array>
#include <cstdio>

namespace jc::demo {

std::uint64_t Rng::Next() {
  std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

std::string Date::Yyyymmdd() const {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04d%02d%02d", year, month, day);
  return buf;
}

// Howard Hinnant's civil-date arithmetic.
long DaysFromCivil(const Date& d) {
  const int y = d.year - (d.month <= 2 ? 1 : 0);
  const long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned mp = static_cast<unsigned>(d.month + (d.month > 2 ? -3 : 9));
  const unsigned doy = (153 * mp + 2) / 5 + static_cast<unsigned>(d.day) - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long>(doe) - 719468;
}

Date CivilFromDays(long z) {
  z += 719468;
  const long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long y = static_cast<long>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  return Date{static_cast<int>(y + (m <= 2 ? 1 : 0)), static_cast<int>(m), static_cast<int>(d)};
}

int ResidentCheckDigit(const std::string& first12) {
  static constexpr std::array<int, 12> kWeights{2, 3, 4, 5, 6, 7, 8, 9, 2, 3, 4, 5};
  int sum = 0;
  for (std::size_t i = 0; i < 12; ++i) sum += (first12[i] - '0') * kWeights[i];
  return (11 - sum % 11) % 10;
}

std::string MakeResidentNumber(Rng& rng, const Date& birth, bool male) {
  const int century = birth.year >= 2000 ? 3 : 1;
  const int sexDigit = century + (male ? 0 : 1);
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d%02d%02d%d%04d%d", birth.year % 100, birth.month, birth.day,
                sexDigit, rng.Below(10000), rng.Below(10));
  std::string n = buf;
  n += static_cast<char>('0' + ResidentCheckDigit(n));
  return n;
}

bool IsValidResidentNumber(const std::string& n) {
  if (n.size() != 13) return false;
  for (char c : n)
    if (c < '0' || c > '9') return false;
  const int sex = n[6] - '0';
  if (sex < 1 || sex > 4) return false;
  const int year = (sex <= 2 ? 1900 : 2000) + std::stoi(n.substr(0, 2));
  const Date d{year, std::stoi(n.substr(2, 2)), std::stoi(n.substr(4, 2))};
  if (d.month < 1 || d.month > 12 || d.day < 1) return false;
  const Date back = CivilFromDays(DaysFromCivil(d));
  if (back.year != d.year || back.month != d.month || back.day != d.day) return false;
  return ResidentCheckDigit(n) == n[12] - '0';
}

std::string Masked(const std::string& number) { return number.substr(0, 7) + "******"; }

std::string Dashed(const std::string& number) {
  return number.substr(0, 6) + "-" + number.substr(6);
}

std::string MakeKoreanName(Rng& rng) {
  static constexpr std::array<const char*, 20> kFamily{"김", "이", "박", "최", "정", "강", "조",
                                                       "윤", "장", "임", "한", "오", "서", "신",
                                                       "권", "황", "안", "송", "류", "홍"};
  static constexpr std::array<const char*, 24> kGiven{"민", "서", "준", "지", "현", "우", "하", "은",
                                                      "도", "윤", "예", "수", "영", "진", "호", "연",
                                                      "재", "성", "혜", "경", "소", "주", "태", "아"};
  std::string name = kFamily[static_cast<std::size_t>(rng.Below(static_cast<int>(kFamily.size())))];
  const int syllables = rng.Percent(90) ? 2 : 1;
  for (int i = 0; i < syllables; ++i)
    name += kGiven[static_cast<std::size_t>(rng.Below(static_cast<int>(kGiven.size())))];
  return name;
}

}  // namespace jc::demo
