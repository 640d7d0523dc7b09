#include "fade.h"

namespace tonemill {
namespace {

class Fade {
 public:
  explicit Fade(const FadeSettings& s) : s_(s) {}

  void Begin(const RangeInfo& info) { info_ = info; }

  // factor = start + (end - start) × (D - S) ÷ (E - S + 1), in bytes, in that order; both
  // samples of a frame take the frame's D.
  void Step(FrameValues& frame, int64_t index) {
    const long double offset = (long double)(index * info_.frameBytes);
    const long double factor =
        s_.startFactor + ((long double)s_.endFactor - s_.startFactor) * offset /
                             (long double)(info_.bytes.end - info_.bytes.start + 1);
    ForSelectedChannels(info_, frame, [&](int32_t& s, int) {
      s = info_.eightBit ? TruncClippedOffset8(s * factor) : TruncClipped(s * factor, info_.limits);
    });
  }

 private:
  FadeSettings s_;
  RangeInfo info_;
};

}  // namespace

RangeResult FadeRange(const RangeRequest& request, const FadeSettings& settings, Progress& progress) {
  Fade effect(settings);
  return ProcessRange(request, effect, progress);
}

}  // namespace tonemill
