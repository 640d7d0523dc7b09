#include "lohi.h"

#include "section.h"

#include <cmath>
#include <vector>

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

// Per channel: the two previous inputs ahead of the block's samples, and the two previous
// outputs; all zero at the start of the range.
struct ChannelSection {
  std::vector<int32_t> inputs;
  std::vector<int64_t> rounded;
  long double y1 = 0, y2 = 0;
};

class LowHigh {
 public:
  explicit LowHigh(const LowHighSettings& s) : s_(s) {}

  void Begin(const RangeInfo& info) {
    info_ = info;
    d_ = DesignLowHigh(s_.cutoff, info.format.rate);
    for (ChannelSection& c : channels_) c.inputs.assign(2, 0);
  }

  void Channel(int32_t* samples, int32_t count, int channel, int64_t) {
    ChannelSection& c = channels_[channel];
    c.inputs.resize(size_t(count) + 2);
    std::copy(samples, samples + count, c.inputs.begin() + 2);
    c.rounded.resize(size_t(count));
    SectionRun run{c.inputs.data() + 2, samples, c.rounded.data(), count, d_.t, 2 * d_.t, d_.a1, d_.a2, c.y1, c.y2,
                   s_.amplification, float(info_.limits.low), float(info_.limits.high), !s_.lowPass};
    RunLowHighSection(run);
    c.y1 = run.y1;
    c.y2 = run.y2;
    std::copy(c.inputs.end() - 2, c.inputs.end(), c.inputs.begin());
  }

 private:
  LowHighSettings s_;
  RangeInfo info_;
  LowHighDesign d_{};
  ChannelSection channels_[2];
};

}  // namespace

RangeResult LowHighRange(const RangeRequest& request, const LowHighSettings& settings,
                         Progress& progress) {
  LowHigh effect(settings);
  return ProcessRange(request, effect, progress);
}

}  // namespace tonemill
