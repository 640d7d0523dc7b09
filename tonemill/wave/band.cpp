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
    const BandDesign d = DesignBand(s_.center, s_.width, info.format.rate);
    filter_ = SectionFilter(
        {SectionKind::Band, d.t, 0, d.a1, d.a2, s_.amplification, s_.notch, info.limits});
  }

  void Channel(int32_t* samples, int32_t count, int channel, int64_t) {
    filter_.Run(samples, count, channel);
  }
  void Channels(int32_t* left, int32_t* right, int32_t count, int64_t) {
    filter_.Run(left, right, count);
  }

 private:
  BandNotchSettings s_;
  SectionFilter filter_{{}};
};

}  // namespace

RangeResult BandNotchRange(const RangeRequest& request, const BandNotchSettings& settings,
                           Progress& progress) {
  BandNotch effect(settings);
  return ProcessRange(request, effect, progress);
}

}  // namespace tonemill
