#include "WaveCurves.h"

#include <QApplication>
#include <cstdlib>

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace tonemill::wave {
namespace {

const QColor kLeft(Qt::red), kRight(Qt::blue), kMarked(Qt::cyan), kCentre(Qt::gray);

}  // namespace

TWaveCurves::TWaveCurves(QWidget* parent) : QWidget(parent) {
  setMouseTracking(true);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  setMinimumSize(200, 100);
  setCursor(Qt::CrossCursor);
}

int TWaveCurves::Lanes() const { return summary_ && summary_->Stereo() ? 2 : 1; }
int TWaveCurves::LaneHeight() const { return Lanes() == 2 ? height() / 2 : height(); }
int TWaveCurves::LaneTop(int lane) const { return lane == 0 ? 0 : height() - LaneHeight(); }

int32_t TWaveCurves::ValueAt(int y) const {
  if (!view_) return 0;
  const int lane = Lanes() == 2 && y >= LaneTop(1) ? 1 : 0;
  return view_->ValueAt(y - LaneTop(lane), LaneHeight());
}

void TWaveCurves::SetSource(const WaveView* view, WaveSummary* summary) {
  view_ = view;
  summary_ = summary;
}

void TWaveCurves::Render() {
  curves_ = QImage(size(), QImage::Format_ARGB32_Premultiplied);
  curves_.fill(Qt::transparent);
  if (!view_ || !summary_ || width() <= 0) {
    update();
    return;
  }
  QPainter p(&curves_);
  const int w = width();
  const int channels = summary_->Stereo() ? 2 : 1;
  const QColor colours[2] = {kLeft, kRight};
  if (view_->ShownFrames() <= w) {
    // Frames wider than a pixel: each a horizontal segment from its x to the next frame's.
    std::vector<int16_t> samples[2];
    summary_->Read(view_->First(), view_->ShownFrames(), samples[0], samples[1]);
    for (int c = 0; c < channels; ++c) {
      p.setPen(colours[c]);
      for (size_t i = 0; i < samples[c].size(); ++i) {
        const int64_t frame = view_->First() + int64_t(i);
        const int x0 = view_->X(frame, w), x1 = std::max(x0 + 1, view_->X(frame + 1, w));
        const int y = LaneTop(c) + view_->Y(samples[c][i], LaneHeight());
        p.drawLine(x0, y, x1 - 1, y);
      }
    }
  } else {
    // Frames narrower than a pixel: each column from its smallest to its largest sample.
    std::vector<SampleExtent> columns[2];
    summary_->Columns(view_->First(), view_->ShownFrames(), w, columns);
    for (int c = 0; c < channels; ++c) {
      p.setPen(colours[c]);
      for (int x = 0; x < w; ++x) {
        const SampleExtent e = columns[c][size_t(x)];
        if (e.min > e.max) continue;  // not summarised yet
        p.drawLine(x, LaneTop(c) + view_->Y(e.max, LaneHeight()), x, LaneTop(c) + view_->Y(e.min, LaneHeight()));
      }
    }
  }
  p.end();
  update();
}

void TWaveCurves::PaintInto(QPainter& p) {
  const int w = width(), h = height();
  p.fillRect(rect(), Qt::white);
  if (view_) {
    // A range being dragged shows in either direction.
    const int64_t lo = dragging_ ? std::min(view_->MarkStart(), view_->MarkEnd()) : view_->MarkStart();
    const int64_t hi = dragging_ ? std::max(view_->MarkStart(), view_->MarkEnd()) : view_->MarkEnd();
    if (view_->Marking() != WaveView::Mark::None && hi >= lo) {
      const int x0 = std::max(0, view_->X(lo, w));
      const int x1 = std::min(w, std::max(x0 + 1, view_->X(hi + 1, w)));
      if (x1 > x0) p.fillRect(QRect(x0, 0, x1 - x0, h), kMarked);
    }
    p.setPen(kCentre);
    for (int lane = 0; lane < Lanes(); ++lane) {
      const int y = LaneTop(lane) + view_->Y(view_->Centre(), LaneHeight());
      p.drawLine(0, y, w, y);
    }
    if (Lanes() == 2) {
      p.setPen(Qt::lightGray);
      p.drawLine(0, LaneTop(1) - 1, w, LaneTop(1) - 1);
    }
  }
  if (!curves_.isNull()) p.drawImage(0, 0, curves_);
  if (view_ && playFrame_ >= view_->First() && playFrame_ <= view_->Last()) {
    p.setPen(Qt::darkGreen);
    const int x = view_->X(playFrame_, w);
    p.drawLine(x, 0, x, h);
  }
  if (cross_.x() >= 0) {
    p.setPen(QPen(Qt::black, 0, Qt::DotLine));
    p.drawLine(cross_.x(), 0, cross_.x(), h);
    p.drawLine(0, cross_.y(), w, cross_.y());
  }
}

QImage TWaveCurves::Picture() {
  QImage image(size(), QImage::Format_ARGB32_Premultiplied);
  QPainter p(&image);
  PaintInto(p);
  return image;
}

void TWaveCurves::paintEvent(QPaintEvent*) {
  QPainter p(this);
  PaintInto(p);
}

void TWaveCurves::mouseMoveEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  if (pressed_ && !dragging_ && std::abs(at.x() - pressed_->x()) >= QApplication::startDragDistance()) {
    dragging_ = true;
    emit DragStarted(pressed_->x());
  }
  emit MouseMoved(at.x(), at.y());
}

void TWaveCurves::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  pressed_ = event->position().toPoint();
  dragging_ = false;
}

void TWaveCurves::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !pressed_) return;
  const QPoint from = *pressed_;
  pressed_.reset();
  if (dragging_) {
    dragging_ = false;
    emit Dragged(from.x(), int(event->position().x()));
  } else {
    emit Clicked(from.x(), from.y());
  }
  update();
}

void TWaveCurves::leaveEvent(QEvent*) { HideCross(); }

void TWaveCurves::resizeEvent(QResizeEvent*) { emit Resized(); }

}  // namespace tonemill::wave
