#pragma once
// The progress gauge: minimum <= progress <= maximum at all times.
#include <functional>
#include <string>

namespace jc::ui {

class Gauge {
 public:
  int MinValue() const { return min_; }
  int MaxValue() const { return max_; }
  int Progress() const { return progress_; }

  // Throws std::out_of_range("Value must be between -2147483647 and <max-1>")
  // when value > maximum.
  void SetMinValue(int value);
  // Throws std::out_of_range("Value must be between <min+1> and 2147483647")
  // when value < minimum.
  void SetMaxValue(int value);
  // Clamped to [minimum, maximum].
  void SetProgress(int value);
  // Progress + delta, clamped like SetProgress.
  void AddProgress(int delta);

  // Integer part of (progress - min) * 100 / (max - min); 0 when max == min.
  int PercentDone() const;
  // "%d%%" of PercentDone().
  std::string Text() const;

  // Called only when the whole percentage changes.
  std::function<void(int percent)> OnPercentChanged;

 private:
  void Changed();
  int min_ = 0, max_ = 100, progress_ = 0;
  int lastPercent_ = 0;
};

}  // namespace jc::ui
