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

  void Channel(int32_t* samples, int32_t count, int channel, int64_t) {
    Tavrg& average = averages_[channel];
    const long double amplification = s_.amplification, exponent = s_.exponent;
    for (int32_t i = 0; i < count; ++i) {
      const int32_t s = samples[i];
      average.Push(std::abs(s));
      const long double out = amplification * s / std::exp(exponent * std::log(average.Average() + 1));
      samples[i] = RoundClipped(out, info_.limits);
    }
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
