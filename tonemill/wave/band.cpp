#include "band.h"

#include "section.h"

#include <cmath>
#include <vector>

namespace tonemill {

BandDesign DesignBand(double center, double width, int32_t rate) {
  const long double h = kPi * width / rate;
  const long double K = std::fabs(std::sin(h)) <= 0.0001L ? 10000.0L : std::cos(h) / std::sin(h);
  const long double D = 2 * std::cos(2 * kPi * center / rate);
  BandDesign d;
  d.t = 1 / (1 + K);
  d.a1 = -K * D * d.t;
  d.a2 = (K - 1) * d.t;
  return d;
}

namespace {

struct ChannelSection {
  std::vector<int32_t> inputs;
  std::vector<int64_t> rounded;  // the two previous inputs ahead of the block's samples
  long double y1 = 0, y2 = 0;
};

class BandNotch {
 public:
  explicit BandNotch(const BandNotchSettings& s) : s_(s) {}

  void Begin(const RangeInfo& info) {
    info_ = info;
    d_ = DesignBand(s_.center, s_.width, info.format.rate);
    for (ChannelSection& c : channels_) c.inputs.assign(2, 0);
  }

  void Channel(int32_t* samples, int32_t count, int channel, int64_t) {
    ChannelSection& c = channels_[channel];
    c.inputs.resize(size_t(count) + 2);
    std::copy(samples, samples + count, c.inputs.begin() + 2);
    c.rounded.resize(size_t(count));
    SectionRun run{c.inputs.data() + 2, samples, c.rounded.data(), count, d_.t, 0, d_.a1, d_.a2, c.y1, c.y2,
                   s_.amplification, float(info_.limits.low), float(info_.limits.high), s_.notch};
    RunBandSection(run);
    c.y1 = run.y1;
    c.y2 = run.y2;
    std::copy(c.inputs.end() - 2, c.inputs.end(), c.inputs.begin());
  }

 private:
  BandNotchSettings s_;
  RangeInfo info_;
  BandDesign d_{};
  ChannelSection channels_[2];
};

}  // namespace

RangeResult BandNotchRange(const RangeRequest& request, const BandNotchSettings& settings,
                           Progress& progress) {
  BandNotch effect(settings);
  return ProcessRange(request, effect, progress);
}

}  // namespace tonemill
