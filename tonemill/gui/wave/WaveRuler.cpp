#include "WaveRuler.h"

#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace tonemill::wave {

TWaveRuler::TWaveRuler(QWidget* parent) : QWidget(parent) {
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  setCursor(Qt::PointingHandCursor);
  setToolTip(tr("Click to play from here"));
}

QSize TWaveRuler::sizeHint() const { return {200, fontMetrics().height() + 8}; }

int TWaveRuler::Width() const { return curves_ ? curves_->width() : width(); }

double TWaveRuler::Step() const {
  if (!view_ || Width() <= 0) return 1;
  const double span = ms_ ? (view_->Last() - view_->First() + 1) / view_->FramesPerMs()
                          : double(view_->Last() - view_->First() + 1);
  // Labels at least as far apart as the widest one and some room.
  const double widest = fontMetrics().horizontalAdvance("00000000") + 24;
  const double least = span * widest / Width();
  double step = std::pow(10.0, std::floor(std::log10(std::max(least, 1e-9))));
  for (double f : {1.0, 2.0, 5.0, 10.0})
    if (step * f >= least) return ms_ ? std::max(step * f, 0.01) : std::max(step * f, 1.0);
  return step * 10;
}

QString TWaveRuler::Label(double value, double step) const {
  if (!ms_) return QString::number(int64_t(std::llround(value)));
  // Milliseconds, with decimals only for steps below one.
  return QString::number(value, 'f', step >= 1 ? 0 : step >= 0.1 ? 1 : 2);
}

void TWaveRuler::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), palette().window());
  p.setPen(palette().color(QPalette::WindowText));
  p.drawLine(0, height() - 1, Width(), height() - 1);
  if (!view_ || view_->Last() < view_->First()) return;
  const double step = Step();
  const double perUnit = ms_ ? view_->FramesPerMs() : 1.0;
  const double first = view_->First() / perUnit, last = (view_->Last() + 1) / perUnit;
  for (double v = std::ceil(first / step) * step; v <= last; v += step) {
    const int x = view_->X(int64_t(std::llround(v * perUnit)), Width());
    p.drawLine(x, height() / 2, x, height() - 1);
    const QString label = Label(v, step);
    const int w = fontMetrics().horizontalAdvance(label);
    // A label that would run past the end stands left of its tick.
    const int left = x + 3 + w > Width() ? x - 3 - w : x + 3;
    p.drawText(left, 0, w, height() / 2 + 4, Qt::AlignLeft | Qt::AlignTop, label);
    // Four small ticks between labels.
    for (int k = 1; k < 5; ++k) {
      const int xs = view_->X(int64_t(std::llround((v + step * k / 5) * perUnit)), Width());
      p.drawLine(xs, height() * 3 / 4, xs, height() - 1);
    }
  }
}

void TWaveRuler::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && view_)
    emit PlayFrom(view_->FrameAt(qBound(0, int(event->position().x()), Width() - 1), Width()));
}

}  // namespace tonemill::wave
