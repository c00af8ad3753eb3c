#include "demo/DemoData.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <set>
#include <stdexcept>

#include "db/Names.h"

namespace jc::demo {

namespace n = db::names;

const char* StateName(CustomerState state) {
  switch (state) {
    case CustomerState::Plain: return "plain";
    case CustomerState::Sound: return "sound";
    case CustomerState::BadValue: return "bad value";
    case CustomerState::Unrecoverable: return "unrecoverable";
    case CustomerState::NullValue: return "null value";
    case CustomerState::EmptyValue: return "empty value";
    case CustomerState::TrailingBlank: return "trailing blank";
  }
  return "?";
}

namespace {

using Value = std::optional<std::string>;

CustomerState PickState(Rng& rng) {
  struct Weighted {
    CustomerState state;
    int weight;
  };
  static constexpr std::array<Weighted, 7> kStates{{
      {CustomerState::Plain, 20},
      {CustomerState::Sound, 45},
      {CustomerState::BadValue, 12},
      {CustomerState::Unrecoverable, 3},
      {CustomerState::NullValue, 8},
      {CustomerState::EmptyValue, 6},
      {CustomerState::TrailingBlank, 6},
  }};
  int pick = rng.Below(100);
  for (const auto& w : kStates) {
    if (pick < w.weight) return w.state;
    pick -= w.weight;
  }
  return CustomerState::Sound;
}

std::string Code(long value, int width) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%0*ld", width, value);
  return buf;
}

// One person's number with its two stored forms, encrypted once.
struct Person {
  std::string number;
  std::string masked;
  std::string sound;  // encryption of the full number
  std::string bad;    // encryption of the masked number (made lazily)
};

class Generator {
 public:
  Generator(const DemoOptions& o, crypto::Codec& codec, RowSink& sink)
      : o_(o), codec_(codec), sink_(sink), rng_(o.seed) {
    todayDays_ = DaysFromCivil(o.today);
    firstDispensingDays_ = DaysFromCivil(Date{o.today.year - 4, 1, 1});
  }

  DemoSummary Run() {
    for (int i = 0; i < o_.customers; ++i) Customer(i);
    summary_.customers = o_.customers;
    return std::move(summary_);
  }

 private:
  Person MakePerson(int minYear, int maxYear) {
    const long from = DaysFromCivil(Date{minYear, 1, 1});
    const long to = DaysFromCivil(Date{maxYear, 12, 31});
    const Date birth = CivilFromDays(from + rng_.Below(static_cast<int>(to - from + 1)));
    Person p;
    p.number = MakeResidentNumber(rng_, birth, rng_.Percent(50));
    p.masked = Masked(p.number);
    p.sound = Encrypt(p.number);
    return p;
  }

  std::string Encrypt(const std::string& text) {
    ++summary_.encryptions;
    std::string value = codec_.EncryptJumin(text);
    if (value.empty() || value == "01")
      throw std::runtime_error("the codec gave no value for a demo number");
    return value;
  }

  const std::string& Bad(Person& p) {
    if (p.bad.empty()) p.bad = Encrypt(p.masked);
    return p.bad;
  }

  void Put(std::string_view table, const std::vector<std::string_view>& columns,
           const std::vector<Value>& values) {
    sink_.Insert(table, columns, values);
    ++summary_.rowsByTable[std::string(table)];
  }

  // The stored pair (number column, value column) of a row of a customer in
  // the given state; `badHere` asks for a value made from the masked number.
  std::pair<Value, Value> Stored(CustomerState s, Person& p, bool badHere) {
    switch (s) {
      case CustomerState::Plain: return {p.number, std::nullopt};
      case CustomerState::NullValue: return {p.masked, std::nullopt};
      case CustomerState::EmptyValue: return {p.masked, std::string()};
      case CustomerState::TrailingBlank: return {p.masked, p.sound + " "};
      default: return {p.masked, badHere ? Bad(p) : p.sound};
    }
  }

  // The state for the dispensing side: only the plain customers keep plain
  // numbers there; the others were migrated with sound values.
  static CustomerState DispensingState(CustomerState s) {
    return s == CustomerState::Plain ? CustomerState::Plain : CustomerState::Sound;
  }

  void Customer(int index) {
    CustomerState state = PickState(rng_);
    ++summary_.customersByState[state];
    const std::string cuscode = Code(index + 1, 7);
    const std::string name = MakeKoreanName(rng_);
    Person self = MakePerson(1940, 2015);
    std::optional<Person> family;
    if (rng_.Percent(25)) family = MakePerson(1940, 2015);

    // Dispensing dates: one to five visits over the last four years up to
    // today; customers whose values went wrong always visited last year, so
    // the default tax year finds them.
    const int visits = 1 + rng_.Below(5);
    std::vector<long> days;
    for (int v = 0; v < visits; ++v)
      days.push_back(firstDispensingDays_ + rng_.Below(static_cast<int>(todayDays_ - firstDispensingDays_ + 1)));
    const bool wrong = state == CustomerState::BadValue || state == CustomerState::Unrecoverable;
    if (wrong || rng_.Percent(50)) {
      const long lastYear = DaysFromCivil(Date{o_.today.year - 1, 1, 1});
      days.push_back(lastYear + rng_.Below(365));
    }
    std::sort(days.begin(), days.end());

    // Customer records: registered before the first visit.
    int records = 1 + rng_.Below(3);
    if (state == CustomerState::BadValue && records < 2) records = 2;
    long reg = days.front() - 30 - rng_.Below(2000);
    std::set<int> years;
    for (long d : days) years.insert(CivilFromDays(d).year);
    for (int r = 0; r < records; ++r) {
      const std::string seq = std::to_string(r + 1);
      const bool badHere = state == CustomerState::Unrecoverable ||
                           (state == CustomerState::BadValue && r > 0);
      auto [panum, tempnum] = Stored(state, self, badHere);
      Value insnum, tempnum1;
      if (family) std::tie(insnum, tempnum1) = Stored(DispensingState(state), *family, false);
      Put(n::CD_PERSON,
          {n::col::CUSCODE, n::col::SEQ, n::col::PANAME, n::col::INDATE, n::col::PANUM,
           n::col::TEMPNUM, n::col::INSNUM, n::col::TEMPNUM_1, n::col::CUSACT},
          {cuscode, seq, name, CivilFromDays(reg).Yyyymmdd(), panum, tempnum, insnum, tempnum1,
           std::string(r + 1 == records ? "1" : "0")});
      if (badHere)
        summary_.findings.push_back({cuscode, seq, std::vector<int>(years.begin(), years.end())});
      reg += 1 + rng_.Below(200);
    }

    const CustomerState disp = DispensingState(state);
    for (long d : days) {
      // A share of the wrong customers' dispensing records went wrong too.
      const bool badHere = wrong && rng_.Percent(30);
      auto [panum, tempnum] = Stored(disp, self, badHere);
      Put(n::PS_MAIN,
          {n::col::PRESERIAL, n::col::CUSCODE, n::col::PANAME, n::col::INDATE, n::col::PANUM,
           n::col::TEMPNUM},
          {Code(++preserial_, 10), cuscode, name, CivilFromDays(d).Yyyymmdd(), panum, tempnum});
    }
    if (rng_.Percent(20)) {
      const long d = days.back();
      auto [panum, tempnum] = Stored(disp, self, wrong && rng_.Percent(50));
      Put(n::INS_COMPOS,
          {n::col::PRESERIAL, n::col::CUSCODE, n::col::PANAME, n::col::INDATE, n::col::PANUM,
           n::col::TEMPNUM},
          {Code(++preserial_, 10), cuscode, name, CivilFromDays(d).Yyyymmdd(), panum, tempnum});
    }
    OtherTables(disp, self, family);
  }

  // The remaining tables of the migration's run list, each for a share of
  // the customers.
  void OtherTables(CustomerState disp, Person& self, std::optional<Person>& family) {
    if (rng_.Percent(20)) {
      auto [panum, tempnum] = Stored(disp, self, false);
      // Now and then a sale without a number: the mapping's empty entry.
      if (disp == CustomerState::Plain && rng_.Percent(5)) panum = std::string();
      Put(n::SALE_MAIN, {n::col::PANUM, n::col::TEMPNUM}, {panum, tempnum});
    }
    if (rng_.Percent(10)) {
      auto [panum, tempnum] = Stored(disp, self, false);
      Person& other = family ? *family : self;
      auto [op, tempnum1] = Stored(disp, other, false);
      Put(n::PS_NHIC, {n::col::PANUM, n::col::TEMPNUM, n::col::OPJUMINNO, n::col::TEMPNUM_1},
          {panum, tempnum, op, tempnum1});
    }
    if (rng_.Percent(10)) {
      auto [panum, tempnum] = Stored(disp, self, false);
      Person& other = family ? *family : self;
      auto [ins, tempnum1] = Stored(disp, other, false);
      Put(n::QORA_PRESLP,
          {n::col::PANAMEJUMIN, n::col::TEMPNUM, n::col::INSUREJUMIN, n::col::TEMPNUM_1},
          {Dashed(*panum), tempnum, Dashed(*ins), tempnum1});
    }
    if (rng_.Percent(10)) {
      auto [panum, tempnum] = Stored(disp, self, false);
      Put(n::QORA_DATAINFO, {n::col::PREGNO, n::col::TEMPNUM}, {Dashed(*panum), tempnum});
    }
    for (std::string_view table : {n::EDIRECE_H010, n::EDISEND_H010}) {
      if (!rng_.Percent(5)) continue;
      auto [panum, tempnum] = Stored(disp, self, false);
      Put(table, {n::col::AUTHIDNUM, n::col::TEMPNUM}, {panum, tempnum});
    }
    static constexpr std::array<std::string_view, 14> kGeneric{
        n::TV_PRES_LOG,      n::EDIRECE_GI21INS, n::EDIRECE_H0251, n::EDIRECE_F0403,
        n::EDIRECE_H0241,    n::EDIRECE_GI01INS, n::EDISEND_H0241, n::TEMP_ADD_COMPOS,
        n::PS_JOJE_MAIN,     n::BACK_PS_MAIN,    n::CD_MONITOR,    n::TEMP_ADD_MAIN,
        n::EDI_INS_COMPOS,   n::EDI_PS_MAIN};
    for (std::string_view table : kGeneric) {
      if (!rng_.Percent(3)) continue;
      auto [panum, tempnum] = Stored(disp, self, false);
      Put(table, {n::col::PANUM, n::col::TEMPNUM}, {panum, tempnum});
    }
  }

  const DemoOptions& o_;
  crypto::Codec& codec_;
  RowSink& sink_;
  Rng rng_;
  long todayDays_ = 0;
  long firstDispensingDays_ = 0;
  long preserial_ = 0;
  DemoSummary summary_;
};

}  // namespace

DemoSummary GenerateDemoData(const DemoOptions& options, crypto::Codec& codec, RowSink& sink) {
  return Generator(options, codec, sink).Run();
}

}  // namespace jc::demo
