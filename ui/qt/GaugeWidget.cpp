#include "ui/qt/GaugeWidget.h"

#include <QPainter>

namespace jc::ui::qt {

GaugeWidget::GaugeWidget(Gauge& gauge, QWidget* parent)
    : QWidget(parent), gauge_(gauge), shown_(gauge.PercentDone()) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  gauge_.OnPercentChanged = [this](int) { Refresh(); };
}

GaugeWidget::~GaugeWidget() { gauge_.OnPercentChanged = nullptr; }

void GaugeWidget::Refresh() {
  const int percent = gauge_.PercentDone();
  if (percent == shown_) return;
  shown_ = percent;
  update();
}

void GaugeWidget::paintEvent(QPaintEvent*) {
  shown_ = gauge_.PercentDone();
  QPainter p(this);
  const QRect outer = rect();
  p.setPen(Qt::black);
  p.setBrush(Qt::NoBrush);
  p.drawRect(outer.adjusted(0, 0, -1, -1));
  const QRect inner = outer.adjusted(1, 1, -1, -1);
  p.fillRect(inner, Qt::white);
  const int filled = inner.width() * shown_ / 100;
  const QRect bar(inner.left(), inner.top(), filled, inner.height());
  const QRect rest(inner.left() + filled, inner.top(), inner.width() - filled, inner.height());
  p.fillRect(bar, Qt::black);

  const QString text = QString::fromStdString(gauge_.Text());
  p.setFont(font());
  p.setClipRect(rest);
  p.setPen(Qt::black);
  p.drawText(inner, Qt::AlignCenter, text);
  p.setClipRect(bar);
  p.setPen(Qt::white);
  p.drawText(inner, Qt::AlignCenter, text);
}

}  // namespace jc::ui::qt
