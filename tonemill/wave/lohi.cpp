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
    const LowHighDesign d = DesignLowHigh(s_.cutoff, info.format.rate);
    filter_ = SectionFilter({SectionKind::LowHigh, d.t, 2 * d.t, d.a1, d.a2, s_.amplification,
                             !s_.lowPass, info.limits});
  }

  void Channel(int32_t* samples, int32_t count, int channel, int64_t) {
    filter_.Run(samples, count, channel);
  }
  void Channels(int32_t* left, int32_t* right, int32_t count, int64_t) {
    filter_.Run(left, right, count);
  }

 private:
  LowHighSettings s_;
  SectionFilter filter_{{}};
};

}  // namespace

RangeResult LowHighRange(const RangeRequest& request, const LowHighSettings& settings,
                         Progress& progress) {
  LowHigh effect(settings);
  return ProcessRange(request, effect, progress);
}

}  // namespace tonemill
