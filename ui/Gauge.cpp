#include "ui/Gauge.h"

#include <climits>
#include <cstdio>
#include <stdexcept>

namespace jc::ui {

namespace {

std::string RangeError(long long low, long long high) {
  char text[80];
  std::snprintf(text, sizeof text, "Value must be between %lld and %lld", low, high);
  return text;
}

}  // namespace

void Gauge::SetMinValue(int value) {
  if (value > max_) throw std::out_of_range(RangeError(-INT_MAX, static_cast<long long>(max_) - 1));
  min_ = value;
  if (progress_ < min_) progress_ = min_;
  Changed();
}

void Gauge::SetMaxValue(int value) {
  if (value < min_) throw std::out_of_range(RangeError(static_cast<long long>(min_) + 1, INT_MAX));
  max_ = value;
  if (progress_ > max_) progress_ = max_;
  Changed();
}

void Gauge::SetProgress(int value) {
  if (value < min_) value = min_;
  if (value > max_) value = max_;
  progress_ = value;
  Changed();
}

void Gauge::AddProgress(int delta) {
  // Widened so that a step past either end of the int range clamps too.
  long long v = static_cast<long long>(progress_) + delta;
  if (v < min_) v = min_;
  if (v > max_) v = max_;
  SetProgress(static_cast<int>(v));
}

int Gauge::PercentDone() const {
  const long long span = static_cast<long long>(max_) - min_;
  if (span == 0) return 0;
  return static_cast<int>((static_cast<long long>(progress_) - min_) * 100 / span);
}

std::string Gauge::Text() const { return std::to_string(PercentDone()) + "%"; }

void Gauge::Changed() {
  const int percent = PercentDone();
  if (percent == lastPercent_) return;
  lastPercent_ = percent;
  if (OnPercentChanged) OnPercentChanged(percent);
}

}  // namespace jc::ui
