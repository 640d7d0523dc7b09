// TNeedleGauge: a dial with a needle over a half circle, 0 to 100 percent, in its channel's
// colour (the scan's RMS levels).
#pragma once

#include <QColor>
#include <QWidget>

namespace tonemill::wave {

class TNeedleGauge : public QWidget {
  Q_OBJECT
 public:
  explicit TNeedleGauge(QWidget* parent = nullptr);
  void SetProgress(int percent);
  int Progress() const { return progress_; }
  void SetColor(const QColor& color);
  QSize sizeHint() const override { return {120, 70}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int progress_ = 0;
  QColor color_ = Qt::black;
};

}  // namespace tonemill::wave
