// What the viewer draws from: a WAV file's raw samples (8-bit 0..255, 16-bit signed) and, built
// once in one pass, the smallest and largest sample of every block of frames at three block
// sizes. A window of a long file is drawn from the blocks, so a repaint, a zoom or a scroll
// never reads the data again; a short window is read from the file, exact to the frame.
#pragma once

#include "wavblocks.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tonemill {

struct SampleExtent {
  int16_t min = 0, max = 0;
};

class WaveSummary {
 public:
  static constexpr int kLevels = 3;
  static constexpr std::array<int64_t, kLevels> kBlockFrames = {64, 1024, 16384};
  // A level serves a window when a column spans this many of its blocks: a column's edges then
  // fall within a sixteenth of a column of where the frames put them.
  static constexpr int64_t kBlocksPerColumn = 16;

  // Opens the file (throws EInOutError as WavInputData does).
  explicit WaveSummary(const std::string& path);

  const WavInputData& Input() const { return input_; }
  // The whole frames the file holds.
  int64_t Frames() const { return frames_; }
  bool Stereo() const { return input_.Format().channels == 2; }

  // Reads on from where an earlier build stopped. `progress` counts the data bytes summarised;
  // a cancel stops the build, which a later call continues. True when the summary is complete.
  bool Build(Progress& progress);
  bool Complete() const { return summarised_ >= frames_; }
  // Frames summarised so far.
  int64_t Summarised() const { return summarised_; }

  // The extents of `width` columns over the frames [first, first + count): column c holds the
  // frames f with Trunc((f − first) × width ÷ count) = c. From the blocks when a column spans
  // enough of them and they are built, else from the file. Channel 0 left (or mono), 1 right.
  void Columns(int64_t first, int64_t count, int width, std::vector<SampleExtent> (&columns)[2]);
  // The level Columns uses for such a window, or -1 for the file itself.
  int LevelFor(int64_t count, int width) const;

  // Raw samples of the frames [first, first + count) (fewer at the end of the file).
  void Read(int64_t first, int64_t count, std::vector<int16_t>& left, std::vector<int16_t>& right);

 private:
  WavInputData input_;
  int64_t frames_ = 0;
  int64_t summarised_ = 0;
  // blocks_[level][channel]: one extent per block.
  std::array<std::array<std::vector<SampleExtent>, 2>, kLevels> blocks_;
  std::vector<uint8_t> buffer_;
};

// The first frame of column `column` of `width` columns over `count` frames from `first`.
int64_t ColumnBegin(int64_t first, int64_t count, int width, int column);

}  // namespace tonemill
