#include "NeedleGauge.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tonemill::wave {

TNeedleGauge::TNeedleGauge(QWidget* parent) : QWidget(parent) { setMinimumSize(80, 48); }

void TNeedleGauge::SetProgress(int percent) {
  progress_ = std::clamp(percent, 0, 100);
  update();
}

void TNeedleGauge::SetColor(const QColor& color) {
  color_ = color;
  update();
}

void TNeedleGauge::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const int margin = 4;
  const int radius = std::max(4, std::min(width() / 2, height()) - margin);
  const QPointF centre(width() / 2.0, height() - margin);
  const QRectF dial(centre.x() - radius, centre.y() - radius, 2.0 * radius, 2.0 * radius);
  p.setPen(QPen(palette().color(QPalette::Mid), 1));
  p.setBrush(palette().color(QPalette::Base));
  p.drawPie(dial, 0, 180 * 16);
  // Ticks every 10 %.
  for (int t = 0; t <= 10; ++t) {
    const double a = std::numbers::pi * (1 - t / 10.0);
    const QPointF outer(centre.x() + radius * std::cos(a), centre.y() - radius * std::sin(a));
    const QPointF inner(centre.x() + radius * 0.85 * std::cos(a), centre.y() - radius * 0.85 * std::sin(a));
    p.drawLine(inner, outer);
  }
  const double a = std::numbers::pi * (1 - progress_ / 100.0);
  p.setPen(QPen(color_, 2));
  p.drawLine(centre, QPointF(centre.x() + radius * 0.9 * std::cos(a), centre.y() - radius * 0.9 * std::sin(a)));
}

}  // namespace tonemill::wave
