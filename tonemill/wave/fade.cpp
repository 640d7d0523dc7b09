#include "fade.h"

namespace tonemill {
namespace {

class Fade {
 public:
  explicit Fade(const FadeSettings& s) : s_(s) {}

  void Begin(const RangeInfo& info) {
    info_ = info;
    start_ = s_.startFactor;
    change_ = (long double)s_.endFactor - s_.startFactor;
    length_ = (long double)(info.bytes.end - info.bytes.start + 1);
  }

  // factor = start + (end - start) × (D - S) ÷ (E - S + 1), in bytes, in that order; both
  // samples of a frame take the frame's D.
  void Step(FrameValues& frame, int64_t index) {
    const long double factor =
        start_ + change_ * (long double)(index * info_.frameBytes) / length_;
    ForSelectedChannels(info_, frame, [&](int32_t& s, int) {
      s = info_.eightBit ? TruncClippedOffset8(s * factor) : TruncClipped(s * factor, info_.limits);
    });
  }

 private:
  FadeSettings s_;
  RangeInfo info_;
  long double start_ = 1, change_ = 0, length_ = 1;
};

}  // namespace

RangeResult FadeRange(const RangeRequest& request, const FadeSettings& settings, Progress& progress) {
  Fade effect(settings);
  return ProcessRange(request, effect, progress);
}

}  // namespace tonemill
