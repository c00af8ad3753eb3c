// The gauge widget: black bar on white, the percentage centred in the colour
// that contrasts with what lies beneath, repainted on whole-percent changes.
#include <gtest/gtest.h>

#include <QImage>

#include "gui/GuiSupport.h"
#include "ui/qt/Fonts.h"
#include "ui/qt/GaugeWidget.h"

namespace jc::test {
namespace {

struct Counts {
  int black = 0, white = 0;
};

// Dark and light pixels inside a rectangle of the image (text is
// antialiased, so its ink is counted by brightness).
Counts Count(const QImage& img, QRect r) {
  Counts c;
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) {
      const int v = qGray(img.pixel(x, y));
      if (v < 128) ++c.black;
      else ++c.white;
    }
  return c;
}

TEST(GaugeWidget, BarAndContrastingCentredText) {
  ui::Gauge gauge;
  ui::qt::GaugeWidget w(gauge);
  w.setFont(ui::qt::MakeFont(ui::FontSpec{}));
  w.resize(446, 22);
  gauge.SetMaxValue(2);
  gauge.SetProgress(1);  // 50%
  const QImage img = w.grab().toImage();
  ASSERT_EQ(img.width(), 446);
  // Far from the text: the left half is bar, the right half is background.
  EXPECT_EQ(Count(img, QRect(5, 5, 40, 12)).white, 0);
  EXPECT_EQ(Count(img, QRect(400, 5, 40, 12)).black, 0);
  // Over the text, which straddles the bar's end: white ink on the bar,
  // black ink on the background.
  const QRect leftOfMiddle(190, 3, 32, 16), rightOfMiddle(224, 3, 32, 16);
  EXPECT_GT(Count(img, leftOfMiddle).white, 0);
  EXPECT_GT(Count(img, rightOfMiddle).black, 0);
  // At 0% there is no bar and the text is black in the middle.
  gauge.SetProgress(0);
  const QImage empty = w.grab().toImage();
  EXPECT_EQ(Count(empty, QRect(5, 5, 40, 12)).black, 0);
  EXPECT_GT(Count(empty, QRect(200, 3, 46, 16)).black, 0);
}

TEST(GaugeWidget, SchedulesPaintOnlyForANewWholePercentage) {
  ui::Gauge gauge;
  ui::qt::GaugeWidget w(gauge);
  gauge.SetMaxValue(1000);
  gauge.SetProgress(4);  // 0.4%
  EXPECT_EQ(w.shownPercent(), 0);
  gauge.SetProgress(10);
  EXPECT_EQ(w.shownPercent(), 1);
  gauge.SetProgress(1000);
  EXPECT_EQ(w.shownPercent(), 100);
}

}  // namespace
}  // namespace jc::test
