#include "waveview.h"

#include "tonemill/files/numbers.h"

#include <algorithm>
#include <cmath>

namespace tonemill {

void WaveView::Reset(int64_t frames, int32_t bits, double framesPerMs) {
  frames_ = std::max<int64_t>(frames, 2);
  bits_ = bits;
  framesPerMs_ = framesPerMs > 0 ? framesPerMs : 1;
  first_ = 0;
  shown_ = frames_;
  zoomH_ = 1;
  SetVerticalZoom("1");
  Unmark();
}

void WaveView::Clamp() {
  shown_ = std::clamp<int64_t>(shown_, 2, frames_);
  first_ = std::clamp<int64_t>(first_, 0, frames_ - shown_);
}

void WaveView::SetShown(int64_t shown) {
  const int64_t centre = first_ + shown_ / 2;
  shown_ = std::clamp<int64_t>(shown, 2, frames_);
  first_ = centre - shown_ / 2;
  Clamp();
}

std::optional<Problem> WaveView::SetHorizontalZoom(const std::string& text) {
  const std::optional<double> z = ParseReal(text);
  // The shown length Trunc(frames ÷ zoom) keeps at least two frames, so that pixels per frame
  // always has a length to divide by.
  if (!z || !std::isfinite(*z) || *z < 1 || std::trunc(double(frames_) / *z) < 2)
    return Problem("Illegal horizontal zoom!");
  zoomH_ = *z;
  SetShown(int64_t(std::trunc(double(frames_) / *z)));
  return std::nullopt;
}

std::optional<Problem> WaveView::SetVerticalZoom(const std::string& text) {
  const std::optional<double> z = ParseReal(text);
  if (!z || !(*z >= 1 && *z <= 128)) return Problem("Illegal vertical zoom!");
  zoomV_ = *z;
  if (bits_ == 8) {
    top_ = 128 + int32_t(std::trunc(127 / *z));
    bottom_ = 128 - int32_t(std::trunc(128 / *z));
  } else {
    top_ = int32_t(std::trunc(32767 / *z));
    bottom_ = -int32_t(std::trunc(32768 / *z));
  }
  return std::nullopt;
}

std::string WaveView::ZoomText(double zoom) { return FormatFixed(zoom, 2); }

int64_t WaveView::FastStep() const {
  return std::max<int64_t>(1, int64_t(std::trunc(double(frames_) * 0.1)));
}

void WaveView::ScrollBy(int64_t frames) {
  first_ += frames;
  Clamp();
}

void WaveView::ShowFrom(int64_t first) {
  first_ = first;
  Clamp();
}

void WaveView::ShowUntil(int64_t last) {
  first_ = last - shown_ + 1;
  Clamp();
}

void WaveView::Click(int64_t frame) {
  switch (mark_) {
    case Mark::None:
      mark_ = Mark::Started;
      markStart_ = markEnd_ = frame;
      break;
    case Mark::Started:
      if (frame > markStart_) {
        markEnd_ = frame;
        mark_ = Mark::Marked;
      } else {
        Unmark();
      }
      break;
    case Mark::Marked: Unmark(); break;
  }
}

void WaveView::Follow(int64_t frame) {
  if (mark_ == Mark::Started) markEnd_ = frame;
}

void WaveView::MarkDragged(int64_t from, int64_t to) {
  if (from == to) {
    Unmark();
    return;
  }
  markStart_ = std::min(from, to);
  markEnd_ = std::max(from, to);
  mark_ = Mark::Marked;
}

void WaveView::Unmark() {
  mark_ = Mark::None;
  markStart_ = markEnd_ = 0;
}

std::optional<Problem> WaveView::SetMarkStart(const std::string& text, bool msMode) {
  const std::optional<int64_t> f = FrameOf(text, msMode);
  if (!f) return Problem("Illegal start value!");
  markStart_ = *f;
  if (mark_ == Mark::None) {
    mark_ = Mark::Started;
    markEnd_ = *f;
  }
  return std::nullopt;
}

std::optional<Problem> WaveView::SetMarkEnd(const std::string& text, bool msMode) {
  const std::optional<int64_t> f = FrameOf(text, msMode);
  if (!f) return Problem("Illegal end value!");
  markEnd_ = *f;
  if (mark_ == Mark::Started) mark_ = Mark::Marked;
  return std::nullopt;
}

bool WaveView::ZoomToMarked() {
  if (mark_ != Mark::Marked || markEnd_ <= markStart_) return false;
  first_ = markStart_;
  shown_ = markEnd_ - markStart_ + 1;
  Clamp();
  zoomH_ = double(frames_) / double(shown_);
  Unmark();
  return true;
}

double WaveView::Position(int64_t frame, bool msMode) const {
  return msMode ? double(frame) / framesPerMs_ : double(frame);
}

std::string WaveView::PositionText(int64_t frame, bool msMode) const {
  return FormatFixed(Position(frame, msMode), msMode ? 2 : 0);
}

std::optional<int64_t> WaveView::FrameOf(const std::string& text, bool msMode) const {
  const std::optional<double> v = ParseReal(text);
  // The last frame as its edit shows it may read a little above its exact position.
  const double last = ParseReal(PositionText(LastFrame(), msMode)).value_or(0);
  if (!v || !(*v >= 0 && *v <= last)) return std::nullopt;
  const double frame = std::trunc(msMode ? *v * framesPerMs_ : *v);
  return std::min<int64_t>(int64_t(frame), LastFrame());
}

int64_t WaveView::FrameAt(int x, int width) const {
  if (width <= 0) return first_;
  const int64_t f = int64_t(std::trunc(double(shown_) / width * x + double(first_)));
  return std::clamp(f, first_, Last());
}

int32_t WaveView::ValueAt(int y, int height) const {
  const double perPixel = double(top_ - bottom_) / std::max(height - 1, 1);
  return int32_t(std::trunc(top_ - perPixel * y));
}

int WaveView::X(int64_t frame, int width) const {
  return int(std::floor(double(frame - first_) * width / double(shown_)));
}

int WaveView::Y(int32_t value, int height) const {
  return int(std::floor(double(std::max(height - 1, 1)) * (top_ - value) / double(top_ - bottom_)));
}

int WaveView::Gauge() const {
  return LastFrame() > 0 ? int(std::trunc(double(first_) / double(LastFrame()) * 100)) : 0;
}

}  // namespace tonemill
