#include "editorops.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace tonemill {
namespace {

struct Peaks {
  int32_t left = 0, right = 0;
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
      peaks.left = std::max(peaks.left, std::abs(v.left));
      peaks.right = std::max(peaks.right, std::abs(v.right));
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

MaximizeGains GainsForPeaks(const RangeInfo& info, int32_t leftPeak, int32_t rightPeak) {
  const int64_t full = info.eightBit ? 127 : 32767;
  leftPeak = std::max(leftPeak, 1);
  rightPeak = std::max(rightPeak, 1);
  MaximizeGains g;
  if (info.left && info.right) {
    // The smaller gain belongs to the larger peak.
    const int32_t peak = std::max(leftPeak, rightPeak);
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
    switch (input.Layout()) {
      case Mono8: FindPeaks<Mono8>(input, info.bytes, peaks, progress); break;
      case Mono16: FindPeaks<Mono16>(input, info.bytes, peaks, progress); break;
      case Stereo8: FindPeaks<Stereo8>(input, info.bytes, peaks, progress); break;
      case Stereo16: FindPeaks<Stereo16>(input, info.bytes, peaks, progress); break;
    }
    gains = GainsForPeaks(info, peaks.left, peaks.right);
  }
  Gain effect(gains);
  return ProcessRange(request, effect, progress, rangeBytes);
}

}  // namespace tonemill
