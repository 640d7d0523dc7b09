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

int32_t EnhancedSample(int32_t s, long double average, const EnhanceSettings& settings,
                       SampleLimits limits) {
  const long double amplification = settings.amplification, exponent = settings.exponent;
  return RoundClipped(amplification * s / std::exp(exponent * std::log(average + 1)), limits);
}

int32_t EnhancedSampleFast(int32_t s, long double average, const EnhanceSettings& settings,
                           SampleLimits limits) {
  // (average + 1)^p in double: the conversion of the base, pow and the product and quotient
  // each add at most one unit in the last place, |p| of them through the base; the extended
  // definition is closer still. Eight times that bound keeps every result whose value lies
  // farther from a half-integer than it is on the side the definition rounds to.
  const double p = settings.exponent;
  const double base = double(average + 1);
  const double v = settings.amplification * double(s) / std::pow(base, p);
  const double bound = std::ldexp(std::fabs(v) * (std::fabs(p) + 4.0), -50) + 1e-300;
  if (std::isfinite(v) && std::fabs(v) < 1e9 && std::fabs(p) < 64) {
    const double below = std::floor(v);
    const double half = std::fabs(v - below - 0.5);
    if (half > bound && bound < 0.125) {
      const double rounded = v - below < 0.5 ? below : below + 1;
      return int32_t(std::clamp<double>(rounded, limits.low, limits.high));
    }
  }
  return EnhancedSample(s, average, settings, limits);
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
    for (int32_t i = 0; i < count; ++i) {
      const int32_t s = samples[i];
      average.Push(std::abs(s));
      samples[i] = EnhancedSampleFast(s, average.Average(), s_, info_.limits);
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
