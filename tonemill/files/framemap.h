// Where an operation put its input's frames in its output, for the chunks that point into them
// (cue points, loops, labelled regions, play lists, the time stamp of the first frame).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tonemill {

class FrameMap {
 public:
  // Every frame stays where it was (the default: filters, fades, effects of equal length).
  FrameMap() = default;
  // The operation moved frames in a way it cannot state (one channel of a stereo file reversed).
  static FrameMap Unknown();

  // The edits, in input frames, given in ascending order and not overlapping: `count` frames
  // from `first` left out; `count` new frames put before input frame `before` (at the end: the
  // input's frame count); the frames `first` to `last` in reverse order. Empty edits are ignored.
  void Remove(int64_t first, int64_t count);
  void Insert(int64_t before, int64_t count);
  void Reverse(int64_t first, int64_t last);
  // Gives up on the edits: the map becomes unknown. So does a map given more than kMostEdits
  // (a million stretches, some 32 MB).
  void Forget();
  static constexpr size_t kMostEdits = size_t(1) << 20;

  bool Known() const { return known_; }
  // Some frame is no longer where it was (or nobody knows).
  bool Moves() const { return !known_ || !edits_.empty(); }

  // The output frame of input frame `frame`; one that was left out goes to the seam, the output
  // frame that follows the stretch it was in. Only for a known map.
  int64_t Point(int64_t frame) const;
  // Whether input frame `frame` was left out.
  bool Removed(int64_t frame) const;
  // The output's start and length of the input's region of `length` frames from `frame` (a
  // point when `length` is 0): what was left out of it shrinks it, what was put inside it grows
  // it, and a region wholly within a reversed stretch is mirrored there; one that only overlaps
  // a reversed stretch keeps its length from its start's new place.
  int64_t RegionStart(int64_t frame, int64_t length) const;
  int64_t RegionLength(int64_t frame, int64_t length) const;
  // A loop from `start` to `end` (both played) in the output: nothing when a bound was left out,
  // or the loop is no longer one stretch of the same frames (a reversed stretch overlaps it
  // without holding it whole, or holds it: then it is mirrored).
  bool Loop(int64_t& start, int64_t& end) const;
  // How many frames later in the input the output's first frame lies: what was left out before
  // it, less the new frames put before the input's first.
  int64_t LeadShift() const;

 private:
  enum class Kind { Remove, Insert, Reverse };
  struct Edit {
    Kind kind;
    int64_t first, count;
    int64_t shift;  // the output's offset for input frames before this edit
  };
  // The last edit starting at or before `frame` (strictly before with `strict`); nullptr if none.
  const Edit* Before(int64_t frame, bool strict) const;
  // The output frame of an exclusive region end.
  int64_t EndPoint(int64_t end) const;
  void Add(Kind kind, int64_t first, int64_t count);

  bool known_ = true;
  std::vector<Edit> edits_;
};

}  // namespace tonemill
