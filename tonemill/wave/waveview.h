// The viewer's window onto a WAV file: the frames shown, the values shown, the marked range,
// the zoom and scroll rules with their messages, and the mapping between frames, values and the
// pixels of a drawing area. Positions in the edits are in ms or samples.
#pragma once

#include "tonemill/files/problem.h"

#include <cstdint>
#include <optional>
#include <string>

namespace tonemill {

class WaveView {
 public:
  enum class Mark { None, Started, Marked };

  // The whole file shown, zoom 1 both ways, nothing marked. A file needs two frames.
  void Reset(int64_t frames, int32_t bits, double framesPerMs);

  int64_t Frames() const { return frames_; }
  int64_t LastFrame() const { return frames_ - 1; }
  int64_t First() const { return first_; }
  double FramesPerMs() const { return framesPerMs_; }
  int64_t Last() const { return first_ + shown_ - 1; }
  int64_t ShownFrames() const { return shown_; }

  // Horizontal zoom: at least 1, and at most what still shows two frames ("Illegal horizontal
  // zoom!"). The window keeps its centre and stays inside the file.
  double HorizontalZoom() const { return zoomH_; }
  std::optional<Problem> SetHorizontalZoom(const std::string& text);
  // Vertical zoom: 1 to 128 ("Illegal vertical zoom!"). 16 bits show Trunc(32767 ÷ zoom) down to
  // −Trunc(32768 ÷ zoom); 8 bits 128 + Trunc(127 ÷ zoom) down to 128 − Trunc(128 ÷ zoom), so
  // that 0 and 255 are on screen at zoom 1 and silence is the centre.
  double VerticalZoom() const { return zoomV_; }
  std::optional<Problem> SetVerticalZoom(const std::string& text);
  static std::string ZoomText(double zoom);  // two decimals
  int32_t Top() const { return top_; }
  int32_t Bottom() const { return bottom_; }
  int32_t Centre() const { return bits_ == 8 ? 128 : 0; }

  // The scroll steps: the shown length (Trunc(frames ÷ zoom)) and a tenth of the file.
  int64_t Step() const { return shown_; }
  int64_t FastStep() const;
  // Moves the window, keeping it inside the file.
  void ScrollBy(int64_t frames);
  void ShowFrom(int64_t first);
  void ShowUntil(int64_t last);

  // Marking with the mouse: a click with nothing marked starts a range at the frame (the end
  // then follows the mouse), the next click ends it when it lies right of the start and
  // otherwise removes it; a click on a marked range removes it.
  Mark Marking() const { return mark_; }
  int64_t MarkStart() const { return markStart_; }
  int64_t MarkEnd() const { return markEnd_; }
  void Click(int64_t frame);
  void Follow(int64_t frame);  // the mouse moved while a range is started
  // A range dragged from `from` to `to`, in either direction; the same frame marks nothing.
  void MarkDragged(int64_t from, int64_t to);
  void Unmark();
  // The start and end typed into their edits: inside the file ("Illegal start value!",
  // "Illegal end value!"). The end is taken as typed, even before the start.
  std::optional<Problem> SetMarkStart(const std::string& text, bool msMode);
  std::optional<Problem> SetMarkEnd(const std::string& text, bool msMode);
  // Shows exactly the marked range and removes the mark; false when nothing usable is marked.
  bool ZoomToMarked();

  // A frame as an edit shows it (ms with two decimals, or samples), and back.
  std::string PositionText(int64_t frame, bool msMode) const;
  double Position(int64_t frame, bool msMode) const;
  std::optional<int64_t> FrameOf(const std::string& text, bool msMode) const;

  // Pixels of a drawing area `width` × `height`.
  int64_t FrameAt(int x, int width) const;
  int32_t ValueAt(int y, int height) const;
  int X(int64_t frame, int width) const;
  int Y(int32_t value, int height) const;

  // Where the window starts within the file, in percent.
  int Gauge() const;

 private:
  void Clamp();
  void SetShown(int64_t shown);

  int64_t frames_ = 2;
  int32_t bits_ = 16;
  double framesPerMs_ = 1;
  int64_t first_ = 0, shown_ = 2;
  double zoomH_ = 1, zoomV_ = 1;
  int32_t top_ = 32767, bottom_ = -32768;
  Mark mark_ = Mark::None;
  int64_t markStart_ = 0, markEnd_ = 0;
};

}  // namespace tonemill
