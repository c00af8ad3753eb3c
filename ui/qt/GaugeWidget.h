#pragma once
// The progress gauge widget: a horizontal bar filled from the left in black
// on white inside a single-line border, with the percentage text centred
// over it, white where it lies on the bar and black elsewhere. Repaints when
// the gauge's whole percentage changes.
#include <QWidget>

#include "ui/Gauge.h"

namespace jc::ui::qt {

class GaugeWidget : public QWidget {
  Q_OBJECT
 public:
  explicit GaugeWidget(Gauge& gauge, QWidget* parent = nullptr);
  ~GaugeWidget() override;

  // The percentage last painted or scheduled.
  int shownPercent() const { return shown_; }
  // Schedules a repaint when the percentage differs from the one shown.
  void Refresh();

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  Gauge& gauge_;
  int shown_ = 0;
};

}  // namespace jc::ui::qt
