#include "enhance.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace tonemill {

void Tavrg::Init(int32_t n) {
  n_ = std::clamp<int32_t>(n, 1, kMaxItems);
  items_.assign(size_t(n_), 0);
  index_ = 0;
  sum_ = 0;
  average_ = 0;
}

namespace {

class Enhance {
 public:
  explicit Enhance(const EnhanceSettings& s) : s_(s) {}

  void Begin(const RangeInfo& info) {
    info_ = info;
    for (Tavrg& a : averages_) a.Init(s_.window);
  }

  void Step(FrameValues& frame, int64_t) {
    ForSelectedChannels(info_, frame, [this](int32_t& s, int channel) {
      Tavrg& average = averages_[channel];
      average.Push(std::abs(s));
      const long double out = (long double)s_.amplification * s /
                              std::exp((long double)s_.exponent * std::log(average.Average() + 1));
      s = RoundClipped(out, info_.limits);
    });
  }

 private:
  EnhanceSettings s_;
  RangeInfo info_;
  Tavrg averages_[2];
};

}  // namespace

RangeResult ExpandRange(const RangeRequest& request, const EnhanceSettings& settings,
                        Progress& progress) {
  Enhance effect(settings);
  return ProcessRange(request, effect, progress);
}

}  // namespace tonemill
