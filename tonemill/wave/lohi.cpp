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
    for (SectionChannel& c : channels_) c.Reset();
  }

  void Channel(int32_t* samples, int32_t count, int channel, int64_t) {
    channels_[channel].Run(samples, count,
                           {nullptr, nullptr, nullptr, 0, d_.t, 2 * d_.t, d_.a1, d_.a2, 0, 0,
                            s_.amplification, float(info_.limits.low), float(info_.limits.high), !s_.lowPass},
                           RunLowHighSection);
  }

 private:
  LowHighSettings s_;
  RangeInfo info_;
  LowHighDesign d_{};
  SectionChannel channels_[2];
};

}  // namespace

RangeResult LowHighRange(const RangeRequest& request, const LowHighSettings& settings,
                         Progress& progress) {
  LowHigh effect(settings);
  return ProcessRange(request, effect, progress);
}

}  // namespace tonemill
