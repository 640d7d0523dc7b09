#include "band.h"

#include "section.h"

#include <cmath>

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

class BandNotch {
 public:
  explicit BandNotch(const BandNotchSettings& s) : s_(s) {}

  void Begin(const RangeInfo& info) {
    info_ = info;
    d_ = DesignBand(s_.center, s_.width, info.format.rate);
    for (SectionChannel& c : channels_) c.Reset();
  }

  void Channel(int32_t* samples, int32_t count, int channel, int64_t) {
    channels_[channel].Run(samples, count,
                           {nullptr, nullptr, nullptr, 0, d_.t, 0, d_.a1, d_.a2, 0, 0,
                            s_.amplification, float(info_.limits.low), float(info_.limits.high), s_.notch},
                           RunBandSection);
  }

 private:
  BandNotchSettings s_;
  RangeInfo info_;
  BandDesign d_{};
  SectionChannel channels_[2];
};

}  // namespace

RangeResult BandNotchRange(const RangeRequest& request, const BandNotchSettings& settings,
                           Progress& progress) {
  BandNotch effect(settings);
  return ProcessRange(request, effect, progress);
}

}  // namespace tonemill
