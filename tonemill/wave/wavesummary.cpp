#include "wavesummary.h"

#include <algorithm>

namespace tonemill {
namespace {

// Frames read per step of a build: a whole number of the largest blocks, so that every block
// but the file's last is complete when its step ends.
constexpr int64_t kChunkFrames = 4 * WaveSummary::kBlockFrames[WaveSummary::kLevels - 1];

inline void Widen(SampleExtent& e, int16_t v) {
  e.min = std::min(e.min, v);
  e.max = std::max(e.max, v);
}

inline void Widen(SampleExtent& e, const SampleExtent& other) {
  e.min = std::min(e.min, other.min);
  e.max = std::max(e.max, other.max);
}

constexpr SampleExtent kNothing{1, 0};  // min above max: no frames

// Raw samples from the data bytes of `count` frames.
void Decode(const uint8_t* p, int64_t count, const AudioFormat& format, int16_t* left, int16_t* right) {
  const bool eight = format.bits == 8, stereo = format.channels == 2;
  for (int64_t i = 0; i < count; ++i) {
    if (eight) {
      left[i] = int16_t(*p++);
      right[i] = stereo ? int16_t(*p++) : left[i];
    } else {
      left[i] = int16_t(uint16_t(p[0] | p[1] << 8));
      p += 2;
      if (stereo) {
        right[i] = int16_t(uint16_t(p[0] | p[1] << 8));
        p += 2;
      } else {
        right[i] = left[i];
      }
    }
  }
}

}  // namespace

int64_t ColumnBegin(int64_t first, int64_t count, int width, int column) {
  // The smallest offset whose column is `column`: ceil(column × count ÷ width).
  return first + (int64_t(column) * count + width - 1) / width;
}

WaveSummary::WaveSummary(const std::string& path) : input_(path) {
  frames_ = input_.WholeFrameBytes() / input_.FrameBytes();
  for (int level = 0; level < kLevels; ++level) {
    const size_t blocks = size_t((frames_ + kBlockFrames[level] - 1) / kBlockFrames[level]);
    for (auto& channel : blocks_[level]) channel.reserve(blocks);
  }
}

bool WaveSummary::Build(Progress& progress) {
  const int32_t frameBytes = input_.FrameBytes();
  progress.total = ProgressTotal(frames_ * frameBytes, input_.Path());
  progress.done = int32_t(summarised_ * frameBytes);
  std::vector<int16_t> left, right;
  while (!Complete() && !CancelRequested(progress)) {
    const int64_t first = summarised_;
    Read(first, kChunkFrames, left, right);
    const int64_t count = int64_t(left.size());
    if (count == 0) {  // the file got shorter since it was opened
      frames_ = summarised_;
      break;
    }
    const int64_t block = kBlockFrames[0];
    for (int64_t b = 0; b < count; b += block) {
      SampleExtent e[2] = {{left[size_t(b)], left[size_t(b)]}, {right[size_t(b)], right[size_t(b)]}};
      for (int64_t i = b; i < std::min(count, b + block); ++i) {
        Widen(e[0], left[size_t(i)]);
        Widen(e[1], right[size_t(i)]);
      }
      blocks_[0][0].push_back(e[0]);
      blocks_[0][1].push_back(e[1]);
    }
    summarised_ = first + count;
    // The coarser levels from the finer, for the blocks this step completed.
    for (int level = 1; level < kLevels; ++level) {
      const int64_t ratio = kBlockFrames[level] / kBlockFrames[level - 1];
      for (int c = 0; c < 2; ++c) {
        const std::vector<SampleExtent>& finer = blocks_[level - 1][c];
        std::vector<SampleExtent>& coarser = blocks_[level][c];
        const int64_t done = int64_t(coarser.size());
        const int64_t complete = Complete() ? (int64_t(finer.size()) + ratio - 1) / ratio
                                            : int64_t(finer.size()) / ratio;
        for (int64_t k = done; k < complete; ++k) {
          SampleExtent e = finer[size_t(k * ratio)];
          for (int64_t j = k * ratio; j < std::min<int64_t>(int64_t(finer.size()), (k + 1) * ratio); ++j)
            Widen(e, finer[size_t(j)]);
          coarser.push_back(e);
        }
      }
    }
    progress.done = int32_t(summarised_ * frameBytes);
    progress.Pump();
  }
  return Complete();
}

int WaveSummary::LevelFor(int64_t count, int width) const {
  for (int level = kLevels - 1; level >= 0; --level)
    if (count >= kBlocksPerColumn * kBlockFrames[level] * width) return level;
  return -1;
}

void WaveSummary::Columns(int64_t first, int64_t count, int width,
                          std::vector<SampleExtent> (&columns)[2]) {
  for (auto& c : columns) c.assign(size_t(std::max(width, 0)), kNothing);
  if (width <= 0 || count <= 0) return;
  const int level = LevelFor(count, width);
  if (level < 0) {
    std::vector<int16_t> left, right;
    Read(first, count, left, right);
    for (int c = 0; c < width; ++c) {
      const int64_t begin = ColumnBegin(0, count, width, c);
      const int64_t end = std::min<int64_t>(ColumnBegin(0, count, width, c + 1), int64_t(left.size()));
      for (int64_t f = begin; f < end; ++f) {
        SampleExtent& l = columns[0][size_t(c)];
        SampleExtent& r = columns[1][size_t(c)];
        if (f == begin) l = {left[size_t(f)], left[size_t(f)]}, r = {right[size_t(f)], right[size_t(f)]};
        Widen(l, left[size_t(f)]);
        Widen(r, right[size_t(f)]);
      }
    }
    return;
  }
  const int64_t block = kBlockFrames[level];
  for (int ch = 0; ch < 2; ++ch) {
    const std::vector<SampleExtent>& blocks = blocks_[level][ch];
    const int64_t built = int64_t(blocks.size());
    for (int c = 0; c < width; ++c) {
      // The column's edges to the nearest block edge.
      const int64_t begin = (ColumnBegin(first, count, width, c) + block / 2) / block;
      const int64_t end = std::max(begin + 1, (ColumnBegin(first, count, width, c + 1) + block / 2) / block);
      SampleExtent& e = columns[ch][size_t(c)];
      for (int64_t k = begin; k < std::min(end, built); ++k) {
        if (k == begin) e = blocks[size_t(k)];
        Widen(e, blocks[size_t(k)]);
      }
    }
  }
}

void WaveSummary::Read(int64_t first, int64_t count, std::vector<int16_t>& left,
                       std::vector<int16_t>& right) {
  count = std::clamp<int64_t>(std::min(count, frames_ - first), 0, INT32_MAX);
  const int32_t frameBytes = input_.FrameBytes();
  buffer_.resize(size_t(count * frameBytes));
  const size_t got = count > 0 ? input_.Read(buffer_.data(), buffer_.size(), first * frameBytes) : 0;
  const int64_t frames = int64_t(got) / frameBytes;
  left.resize(size_t(frames));
  right.resize(size_t(frames));
  Decode(buffer_.data(), frames, input_.Format(), left.data(), right.data());
}

}  // namespace tonemill
