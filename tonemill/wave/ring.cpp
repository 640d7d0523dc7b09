#include "ring.h"

#include "section.h"

#include <algorithm>
#include <cmath>

namespace tonemill {

long double RingModulator(RingWave wave, long double phase) {
  if (wave == RingWave::Sine) return std::sin(phase);
  // The phase within one period, with the constants the modulator has always used.
  const long double r = phase - std::trunc(phase * 0.159154943L) * 6.283185307L;
  switch (wave) {
    case RingWave::Square: return r <= 3.141592654L ? 1 : -1;
    case RingWave::Triangle:
      return r < 3.141592654L ? r * 0.636619772L - 1 : 3 - r * 0.636619772L;
    case RingWave::Saw: return r * 0.159154943L - 1;
    case RingWave::Sine: break;
  }
  return 0;
}

int32_t RingSample(RingWave wave, long double phase, int32_t s, bool eightBit, SampleLimits limits) {
  const long double w = RingModulator(wave, phase);
  return eightBit ? TruncClippedOffset8(w * s) : TruncClipped(w * s, limits);
}

int32_t RingSampleFast(RingWave wave, long double phase, int32_t s, bool eightBit,
                       SampleLimits limits) {
  if (wave == RingWave::Sine && phase >= 0 && phase < 1e9L) {
    // 2π in two parts: the first of 32 significant bits, so that n × kHigh is exact for the
    // n below, and the rest, so that the reduced phase is exact to far below the double's
    // unit in the last place.
    constexpr long double kHigh = 6.2831853069365024566650390625L;
    constexpr long double kLow = 2.430840202602477040590057683943387987502e-10L;
    // Any whole number of turns near the phase will do: the reduced phase stays within a turn
    // or so of 0, where the double's units are fine enough.
    const long double n = (long double)int64_t(phase * 0.159154943091895335768883763372514362L);
    const double r = double((phase - n * kHigh) - n * kLow);
    // The sine of the rounded phase is within 2^-52 × π + one unit of the definition's, and
    // the product adds one unit of |s|: 2^-48 × (|s| + 1) bounds the difference with room.
    const double x = std::sin(r) * double(s);
    const double bound = std::ldexp(std::fabs(double(s)) + 1, -48);
    const double below = std::floor(x);
    if (x - below > bound && below + 1 - x > bound) {
      if (eightBit) return int32_t(std::clamp<double>(below, -128, 127));
      const double truncated = x < 0 ? below + 1 : below;
      return int32_t(std::clamp<double>(truncated, limits.low, limits.high));
    }
  }
  return RingSample(wave, phase, s, eightBit, limits);
}

namespace {

class Ring {
 public:
  explicit Ring(const RingSettings& s) : s_(s) {}

  void Begin(const RangeInfo& info) {
    info_ = info;
    step_ = s_.rate * 2 * kPi / info.format.rate;
  }

  void Channel(int32_t* samples, int32_t count, int, int64_t firstIndex) {
    for (int32_t i = 0; i < count; ++i) {
      samples[i] = RingSampleFast(s_.wave, step_ * (firstIndex + i), samples[i], info_.eightBit,
                                  info_.limits);
    }
  }

 private:
  RingSettings s_;
  RangeInfo info_;
  long double step_ = 0;  // phase per frame
};

}  // namespace

RangeResult RingRange(const RangeRequest& request, const RingSettings& settings, Progress& progress) {
  Ring effect(settings);
  return ProcessRange(request, effect, progress);
}

}  // namespace tonemill
