#pragma once
// A backend for the benchmarks: hands statements on to the store and adds up
// the time each kind of statement takes.
#include <chrono>
#include <map>
#include <string>

#include "db/Backend.h"

namespace jc::bench {

class TimingBackend : public jc::db::Backend {
 public:
  explicit TimingBackend(jc::db::Backend& target) : target_(target) {}
  jc::db::ResultSet Query(const std::string& sql) override {
    const auto start = std::chrono::steady_clock::now();
    jc::db::ResultSet rs = target_.Query(sql);
    Add(sql, start);
    return rs;
  }
  void Execute(const std::string& sql) override {
    const auto start = std::chrono::steady_clock::now();
    target_.Execute(sql);
    Add(sql, start);
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
