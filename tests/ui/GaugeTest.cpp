#include "ui/Gauge.h"

#include <gtest/gtest.h>

#include <ostream>

#include <climits>
#include <stdexcept>
#include <string>
#include <vector>

namespace jc::ui {
namespace {

TEST(Gauge, StartsAtZeroPercent) {
  Gauge g;
  EXPECT_EQ(g.MinValue(), 0);
  EXPECT_EQ(g.MaxValue(), 100);
  EXPECT_EQ(g.Progress(), 0);
  EXPECT_EQ(g.Text(), "0%");
}

TEST(Gauge, EmptyRangeShowsZeroAndProgressStaysAtZero) {
  Gauge g;
  g.SetMinValue(0);
  g.SetProgress(0);
  g.SetMaxValue(0);
  g.SetProgress(5);
  EXPECT_EQ(g.Progress(), 0);
  EXPECT_EQ(g.PercentDone(), 0);
  EXPECT_EQ(g.Text(), "0%");
}

TEST(Gauge, ThreeStepsShowTruncatedPercentages) {
  Gauge g;
  std::vector<int> told;
  g.OnPercentChanged = [&](int p) { told.push_back(p); };
  g.SetMinValue(0);
  g.SetProgress(0);
  g.SetMaxValue(3);
  std::vector<std::string> texts;
  for (int i = 0; i < 3; ++i) {
    g.AddProgress(1);
    texts.push_back(g.Text());
  }
  EXPECT_EQ(texts, (std::vector<std::string>{"33%", "66%", "100%"}));
  EXPECT_EQ(told, (std::vector<int>{33, 66, 100}));
}

TEST(Gauge, NotifiesOnlyWhenTheWholePercentageChanges) {
  Gauge g;
  int told = 0;
  g.OnPercentChanged = [&](int) { ++told; };
  g.SetMaxValue(10000);
  for (int i = 0; i < 10000; ++i) g.AddProgress(1);
  EXPECT_EQ(told, 100);
  g.SetProgress(10000);  // same percentage
  EXPECT_EQ(told, 100);
  g.SetProgress(0);
  EXPECT_EQ(told, 101);
}

struct ClampCase {
  const char* name;
  int min, max, progress;                // set in this order
  int expectMin, expectMax, expectProgress;
};
void PrintTo(const ClampCase& c, std::ostream* os) { *os << c.name; }


class GaugeClampTest : public testing::TestWithParam<ClampCase> {};

TEST_P(GaugeClampTest, KeepsProgressInRange) {
  const auto& c = GetParam();
  Gauge g;
  g.SetProgress(50);
  g.SetMinValue(c.min);
  g.SetMaxValue(c.max);
  if (c.progress != INT_MIN) g.SetProgress(c.progress);
  EXPECT_EQ(g.MinValue(), c.expectMin);
  EXPECT_EQ(g.MaxValue(), c.expectMax);
  EXPECT_EQ(g.Progress(), c.expectProgress);
}

INSTANTIATE_TEST_SUITE_P(
    Gauge, GaugeClampTest,
    testing::Values(
        ClampCase{"BelowMinimumStoresMinimum", 10, 100, 3, 10, 100, 10},
        ClampCase{"AboveMaximumStoresMaximum", 0, 100, 101, 0, 100, 100},
        ClampCase{"MaximumBelowProgressPullsItDown", 0, 20, INT_MIN, 0, 20, 20},
        ClampCase{"MinimumAboveProgressPushesItUp", 70, 100, INT_MIN, 70, 100, 70},
        ClampCase{"MinimumEqualToMaximum", 100, 100, INT_MIN, 100, 100, 100}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Gauge, RefusesMinimumAboveMaximum) {
  Gauge g;
  g.SetProgress(40);
  try {
    g.SetMinValue(101);
    FAIL() << "no error";
  } catch (const std::out_of_range& e) {
    EXPECT_STREQ(e.what(), "Value must be between -2147483647 and 99");
  }
  EXPECT_EQ(g.MinValue(), 0);
  EXPECT_EQ(g.Progress(), 40);
}

TEST(Gauge, RefusesMaximumBelowMinimum) {
  Gauge g;
  g.SetMinValue(5);
  try {
    g.SetMaxValue(4);
    FAIL() << "no error";
  } catch (const std::out_of_range& e) {
    EXPECT_STREQ(e.what(), "Value must be between 6 and 2147483647");
  }
  EXPECT_EQ(g.MaxValue(), 100);
}

TEST(Gauge, ExtremeBoundsNeitherOverflowNorMisreport) {
  Gauge g;
  g.SetMinValue(INT_MIN);
  g.SetMaxValue(INT_MIN);
  try {
    g.SetMinValue(0);
    FAIL() << "no error";
  } catch (const std::out_of_range& e) {
    EXPECT_STREQ(e.what(), "Value must be between -2147483647 and -2147483649");
  }
  g.SetMaxValue(INT_MAX);
  g.SetProgress(INT_MAX);
  EXPECT_EQ(g.Text(), "100%");
  g.SetProgress(0);
  EXPECT_EQ(g.PercentDone(), 50);
  g.AddProgress(INT_MAX);
  g.AddProgress(INT_MAX);
  EXPECT_EQ(g.Progress(), INT_MAX);
}

}  // namespace
}  // namespace jc::ui
