// TWaveCurves: the viewer's drawing area. The curves of the shown window are drawn once into
// an off-screen image; a repaint, a marked range, the cross-hair and the play position are
// laid over that image without reading the file again. White background, a grey centre line,
// the marked range on cyan, the left (or only) channel in red and the right one in blue.
#pragma once

#include "tonemill/wave/waveview.h"
#include "tonemill/wave/wavesummary.h"

#include <QImage>
#include <optional>
#include <QWidget>

namespace tonemill::wave {

class TWaveCurves : public QWidget {
  Q_OBJECT
 public:
  explicit TWaveCurves(QWidget* parent = nullptr);

  // What it draws: the viewer's window and the file's samples (both owned by the viewer).
  void SetSource(const WaveView* view, WaveSummary* summary);
  // Draws the curves of the window into the off-screen image.
  void Render();
  // The image as last rendered, for tests.
  const QImage& Curves() const { return curves_; }
  // A copy of what the widget shows, marked range and centre line included.
  QImage Picture();

  // Where the cross-hair is (none when the mouse is outside), and the frame being played.
  void SetCross(const QPoint& at) { cross_ = at, update(); }
  void HideCross() { cross_ = {-1, -1}, update(); }
  void SetPlayFrame(int64_t frame) { playFrame_ = frame, update(); }

  QSize sizeHint() const override { return {640, 240}; }

  // A stereo file is drawn in two lanes, the left channel above the right one, each on the
  // full value range; a mono file in one.
  int Lanes() const;
  int LaneHeight() const;
  int LaneTop(int lane) const;
  // The sample value at height `y`, in the lane there.
  int32_t ValueAt(int y) const;

 signals:
  void MouseMoved(int x, int y);
  // A press and release in one place (the click of the click, move, click marking).
  void Clicked(int x, int y);
  // The mouse moved with the button down from where it was pressed, and was let go.
  void DragStarted(int fromX);
  void Dragged(int fromX, int toX);
  void Resized();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void PaintInto(QPainter& painter);

  const WaveView* view_ = nullptr;
  WaveSummary* summary_ = nullptr;
  QImage curves_;
  QPoint cross_{-1, -1};
  int64_t playFrame_ = -1;
  std::optional<QPoint> pressed_;
  bool dragging_ = false;
};

}  // namespace tonemill::wave
