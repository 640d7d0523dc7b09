#include "gatedcut.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace tonemill {
namespace {

// The level a frame is compared with: mono |s|; stereo 2|L| or 2|R| for one channel, |L| + |R|
// for both, against the threshold doubled.
template <SampleLayout L>
int64_t LevelOf(const uint8_t* p, bool left, bool right) {
  const FrameValues v = DecodeFrame<L>(p);
  if constexpr (!IsStereo(L)) {
    return Magnitude(v.left);
  } else {
    if (left && right) return Magnitude(v.left) + Magnitude(v.right);
    return 2 * Magnitude(left ? v.left : v.right);
  }
}

class GatedCut {
 public:
  GatedCut(const RangeRequest& request, const GatedCutSettings& settings, Progress& progress)
      : request_(request), settings_(settings), progress_(progress), input_(request.input) {}

  RangeResult Run() {
    const RangeInfo info = DescribeRange(input_, request_);
    progress_.total = ProgressTotal(input_.DataSize(), request_.input);
    progress_.done = 0;
    WavOutputData output(request_.output, input_.Encoding());
    output.AppendCopy(input_, 0, info.bytes.start, progress_);
    int64_t next = info.bytes.start;
    next = WithLayout(input_.Layout(), [&]<SampleLayout L>() { return Cut<L>(info, output); });
    if (!CancelRequested(progress_))
      output.AppendCopy(input_, next, input_.DataSize() - next, progress_);
    RangeResult result = FinishOutput(output, input_, progress_);
    result.frames = std::move(removed_);
    return result;
  }

 private:
  // Returns the data offset after the range.
  template <SampleLayout L>
  int64_t Cut(const RangeInfo& info, WavOutputData& output) {
    constexpr int64_t frameBytes = kFrameBytes[L];
    const int64_t level = ScaledLevel(settings_.threshold, info.limits);
    const int64_t threshold = info.stereo ? 2 * level : level;
    std::vector<uint8_t> block(size_t(kFramesPerPump * frameBytes));
    int64_t next = info.bytes.start;
    // With Prune: the offset after the last frame written; quiet frames from there on wait
    // until a passing frame keeps them, and are read again from the input then.
    int64_t keptUpTo = -1;
    while (!info.bytes.empty && next <= info.bytes.end && !CancelRequested(progress_)) {
      const int64_t want = std::min<int64_t>(kFramesPerPump * frameBytes, info.bytes.end + 1 - next);
      const int64_t got = int64_t(input_.Read(block.data(), size_t(want), next));
      const int64_t frames = got / frameBytes;
      if (frames == 0) break;
      for (int64_t i = 0; i < frames; ++i) {
        const uint8_t* p = block.data() + i * frameBytes;
        const int64_t at = next + i * frameBytes;
        if (LevelOf<L>(p, info.left, info.right) < threshold) {
          if (!settings_.prune) removed_.Remove(at / frameBytes, 1);
          continue;
        }
        // With Prune the quiet frames before the first passing one are the first to go.
        if (settings_.prune && keptUpTo < 0) removed_.Remove(info.bytes.start / frameBytes, (at - info.bytes.start) / frameBytes);
        if (settings_.prune && keptUpTo >= 0 && keptUpTo < at) KeepWaiting(output, block, next, keptUpTo, at);
        output.Append(p, size_t(frameBytes));
        keptUpTo = at + frameBytes;
      }
      next += frames * frameBytes;
      progress_.done += int32_t(frames * frameBytes);
      progress_.Pump();
    }
    // With Prune: the quiet frames after the last passing one, or all of them.
    if (settings_.prune) {
      const int64_t from = keptUpTo < 0 ? info.bytes.start : keptUpTo;
      removed_.Remove(from / frameBytes, (next - from) / frameBytes);
    }
    return next;
  }

  // Writes the waiting quiet frames [from, to): those of earlier blocks again from the input,
  // those of the current block (starting at `blockStart`) from it.
  void KeepWaiting(WavOutputData& output, const std::vector<uint8_t>& block, int64_t blockStart,
                   int64_t from, int64_t to) {
    std::vector<uint8_t> chunk;
    while (from < blockStart) {
      chunk.resize(size_t(std::min<int64_t>(blockStart - from, 65536)));
      const size_t got = input_.Read(chunk.data(), chunk.size(), from);
      if (got == 0) return;
      output.Append(chunk.data(), got);
      from += int64_t(got);
    }
    output.Append(block.data() + (from - blockStart), size_t(to - from));
  }

  const RangeRequest& request_;
  GatedCutSettings settings_;
  Progress& progress_;
  WavInputData input_;
  FrameMap removed_;  // the frames left out
};

}  // namespace

RangeResult GatedCutRange(const RangeRequest& request, const GatedCutSettings& settings,
                          Progress& progress) {
  return GatedCut(request, settings, progress).Run();
}

}  // namespace tonemill
