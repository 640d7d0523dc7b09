// TWaveRuler: the time ruler over the viewer's curves, in the viewer's unit (ms or samples)
// for the shown window. Ticks at a round step that leaves room for their labels; a click asks
// for playing from the frame under the mouse.
#pragma once

#include "tonemill/wave/waveview.h"

#include <QWidget>

namespace tonemill::wave {

class TWaveRuler : public QWidget {
  Q_OBJECT
 public:
  explicit TWaveRuler(QWidget* parent = nullptr);

  // The viewer's window (owned by the viewer) and its unit.
  // `curves` gives the width the frames are laid out on (the ruler may be wider).
  void SetSource(const WaveView* view, const QWidget* curves) { view_ = view, curves_ = curves, update(); }
  void SetMsMode(bool ms) { ms_ = ms, update(); }
  // The step between labelled ticks for the present width, in the unit: 1, 2 or 5 times a
  // power of ten.
  double Step() const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }

 signals:
  void PlayFrom(int64_t frame);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  QString Label(double value, double step) const;
  int Width() const;

  const WaveView* view_ = nullptr;
  const QWidget* curves_ = nullptr;
  bool ms_ = true;
};

}  // namespace tonemill::wave
