#include "lohi.h"

#include "section.h"

#include <cmath>

namespace tonemill {

LowHighDesign DesignLowHigh(double cutoff, int32_t rate) {
  const long double h = kPi * cutoff / rate;
  // A cutoff of 0 (or of the rate) would divide by zero.
  const long double L = std::fabs(std::sin(h)) <= 0.0001L ? 10000.0L : std::cos(h) / std::sin(h);
  const long double root2 = std::sqrt(2.0L);
  LowHighDesign d;
  d.t = 1 / (1 + root2 * L + L * L);
  d.a1 = 2 * d.t * (1 - L * L);
  d.a2 = d.t * (1 - root2 * L + L * L);
  return d;
}

namespace {

class LowHigh {
 public:
  explicit LowHigh(const LowHighSettings& s) : s_(s) {}

  void Begin(const RangeInfo& info) {
    info_ = info;
    d_ = DesignLowHigh(s_.cutoff, info.format.rate);
  }

  void Step(FrameValues& frame, int64_t) {
    ForSelectedChannels(info_, frame, [this](int32_t& s, int channel) {
      SectionState& z = state_[channel];
      const long double x = s;
      const long double y = d_.t * (x + z.x2) + 2 * d_.t * z.x1 - d_.a1 * z.y1 - d_.a2 * z.y2;
      z.Shift(x, y);
      const long double o = s_.lowPass ? s_.amplification * y : s_.amplification * (x - y);
      s = RoundClipped(o, info_.limits);
    });
  }

 private:
  LowHighSettings s_;
  RangeInfo info_;
  LowHighDesign d_{};
  SectionState state_[2];
};

}  // namespace

RangeResult LowHighRange(const RangeRequest& request, const LowHighSettings& settings,
                         Progress& progress) {
  LowHigh effect(settings);
  return ProcessRange(request, effect, progress);
}

}  // namespace tonemill
