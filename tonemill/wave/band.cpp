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
  }

  void Step(FrameValues& frame, int64_t) {
    ForSelectedChannels(info_, frame, [this](int32_t& s, int channel) {
      SectionState& z = state_[channel];
      const long double x = s;
      const long double y = d_.t * (x - z.x2) - d_.a1 * z.y1 - d_.a2 * z.y2;
      z.Shift(x, y);
      const long double o = s_.notch ? s_.amplification * (x - y) : s_.amplification * y;
      s = RoundClipped(o, info_.limits);
    });
  }

 private:
  BandNotchSettings s_;
  RangeInfo info_;
  BandDesign d_{};
  SectionState state_[2];
};

}  // namespace

RangeResult BandNotchRange(const RangeRequest& request, const BandNotchSettings& settings,
                           Progress& progress) {
  BandNotch effect(settings);
  return ProcessRange(request, effect, progress);
}

}  // namespace tonemill
