#pragma once
// Timing for the benchmarks: a clock stamp of wall and CPU time, and a
// backend that hands statements on to the store and adds up the time each
// kind of statement takes.
#include <time.h>

#include <chrono>
#include <map>
#include <string>

#include "db/Backend.h"

namespace jc::bench {

// Wall-clock and process CPU time, in nanoseconds.
struct Stamp {
  double wall, cpu;
  static Stamp Now() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return {std::chrono::duration<double, std::nano>(
                std::chrono::steady_clock::now().time_since_epoch())
                .count(),
            t.tv_sec * 1e9 + static_cast<double>(t.tv_nsec)};
  }
};

class TimingBackend : public jc::db::Backend {
 public:
  explicit TimingBackend(jc::db::Backend& target) : target_(target) {}
  jc::db::ResultSet Query(const std::string& sql) override {
    const auto start = std::chrono::steady_clock::now();
    jc::db::ResultSet rs = target_.Query(sql);
    Add(sql, start);
    return rs;
  }
  void QueryInto(const std::string& sql, jc::db::RowSink& sink) override {
    const auto start = std::chrono::steady_clock::now();
    target_.QueryInto(sql, sink);
    Add(sql, start);
  }
  long long Execute(const std::string& sql) override {
    const auto start = std::chrono::steady_clock::now();
    const long long changed = target_.Execute(sql);
    Add(sql, start);
    return changed;
  }
  void Idle() override {
    const auto start = std::chrono::steady_clock::now();
    target_.Idle();
    Add("(idle)", start);
  }
  std::map<std::string, double> ms;  // first two words of the statement -> milliseconds

 private:
  void Add(const std::string& sql, std::chrono::steady_clock::time_point start) {
    const auto end = std::chrono::steady_clock::now();
    std::size_t cut = sql.find(' ');
    cut = cut == std::string::npos ? sql.size() : sql.find(' ', cut + 1);
    ms[sql.substr(0, cut)] += std::chrono::duration<double, std::milli>(end - start).count();
  }
  jc::db::Backend& target_;
};

}  // namespace jc::bench
