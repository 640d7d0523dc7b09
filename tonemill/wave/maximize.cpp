#include "editorops.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace tonemill {
namespace {

struct Peaks {
  int64_t left = 0, right = 0;
};

template <SampleLayout L>
void FindPeaks(WavInputData& input, const SelectedBytes& range, Peaks& peaks, Progress& progress) {
  constexpr int64_t frameBytes = kFrameBytes[L];
  std::vector<uint8_t> block(size_t(kFramesPerPump * frameBytes));
  for (int64_t next = range.start; !range.empty && next <= range.end && !CancelRequested(progress);) {
    const int64_t want = std::min<int64_t>(kFramesPerPump * frameBytes, range.end + 1 - next);
    const int64_t frames = int64_t(input.Read(block.data(), size_t(want), next)) / frameBytes;
    if (frames == 0) break;
    for (int64_t i = 0; i < frames; ++i) {
      const FrameValues v = DecodeFrame<L>(block.data() + i * frameBytes);
      peaks.left = std::max(peaks.left, Magnitude(v.left));
      peaks.right = std::max(peaks.right, Magnitude(v.right));
    }
    next += frames * frameBytes;
    progress.done += int32_t(frames * frameBytes);
    progress.Pump();
  }
}

class Gain {
 public:
  explicit Gain(const MaximizeGains& g) : g_(g) {}
  void Begin(const RangeInfo& info) { info_ = info; }
  // Trunc(x × full ÷ peak) in integers: exact, so the peak becomes full scale.
  void Step(FrameValues& frame, int64_t) {
    ForSelectedChannels(info_, frame, [this](int32_t& s, int channel) {
      s = int32_t(s * g_.numerator[channel] / g_.denominator[channel]);
    });
  }

 private:
  MaximizeGains g_;
  RangeInfo info_;
};

}  // namespace

MaximizeGains GainsForPeaks(const RangeInfo& info, int64_t leftPeak, int64_t rightPeak) {
  const int64_t full = info.limits.high;
  leftPeak = std::max<int64_t>(leftPeak, 1);
  rightPeak = std::max<int64_t>(rightPeak, 1);
  MaximizeGains g;
  if (info.left && info.right) {
    // The smaller gain belongs to the larger peak.
    const int64_t peak = std::max(leftPeak, rightPeak);
    g.numerator[0] = g.numerator[1] = full;
    g.denominator[0] = g.denominator[1] = peak;
  } else if (info.left) {
    g.numerator[0] = full;
    g.denominator[0] = leftPeak;
  } else {
    g.numerator[1] = full;
    g.denominator[1] = rightPeak;
  }
  return g;
}

RangeResult MaximizeRange(const RangeRequest& request, Progress& progress) {
  Peaks peaks;
  MaximizeGains gains;
  int64_t rangeBytes = 0;
  {
    WavInputData input(request.input);
    const RangeInfo info = DescribeRange(input, request);
    rangeBytes = info.bytes.Count();
    progress.total = ProgressTotal(input.DataSize() + rangeBytes, request.input);
    progress.done = 0;
    WithLayout(input.Layout(), [&]<SampleLayout L>() { FindPeaks<L>(input, info.bytes, peaks, progress); });
    gains = GainsForPeaks(info, peaks.left, peaks.right);
  }
  Gain effect(gains);
  return ProcessRange(request, effect, progress, rangeBytes);
}

}  // namespace tonemill
