// The filters the reverb and the vocoder build from, in single precision. Transcendental
// functions of single-precision arguments are evaluated in double and rounded once, so that the
// coefficients have the same bits with every maths library.
#pragma once

#include <cmath>
#include <cstdint>

namespace resona::effects {

// π as 2 × arccos 0, in single precision.
inline float SinglePi() { return 2.0f * float(std::acos(0.0)); }

// Second-order Butterworth low-pass set from a percentage p (0..99): the cutoff is (100 - p) %
// of half the sample rate.
struct Lowpass {
  float a0 = 0, a1 = 0, b1 = 0, b2 = 0;
  float x1 = 0, x2 = 0, y1 = 0, y2 = 0;

  void Set(int32_t percent) {
    const int32_t p = percent < 0 ? 0 : percent > 99 ? 99 : percent;
    const float w = 1.0f / float(std::tan(double(SinglePi() * float(100 - p) / 200.0f)));
    const float root2 = float(std::sqrt(2.0));
    a0 = 1.0f / (1.0f + root2 * w + w * w);
    a1 = 2.0f * a0;
    b1 = 2.0f * (1.0f - w * w) * a0;
    b2 = (1.0f - root2 * w + w * w) * a0;
  }
  float Step(int32_t x) {
    const float xf = float(x);
    const float y = (xf + x2) * a0 + a1 * x1 - b1 * y1 - b2 * y2;
    x2 = x1;
    x1 = xf;
    y2 = y1;
    y1 = y;
    return y;
  }
  // The output of the previous step.
  float Last() const { return y1; }
};

// Two-pole band-pass from centre F and width W at rate R. A width of 0 (or a rate of 0) has no
// pass band: the coefficients would be infinite and NaN, so the band gives silence instead.
struct BandPassCoefficients {
  float a0 = 0, b1 = 0, b2 = 0;
};

inline BandPassCoefficients BandPassFor(int32_t centre, int32_t width, int32_t rate) {
  if (width <= 0 || rate <= 0) return {};
  const float pi = SinglePi();
  const float c = 1.0f / float(std::tan(double(pi * float(width) / float(rate))));
  const float d = 2.0f * float(std::cos(double(2.0f * pi * float(centre) / float(rate))));
  BandPassCoefficients k;
  k.a0 = 1.0f / (1.0f + c);
  k.b1 = -c * d * k.a0;
  k.b2 = (c - 1.0f) * k.a0;
  if (!std::isfinite(k.a0) || !std::isfinite(k.b1) || !std::isfinite(k.b2)) return {};
  return k;
}

}  // namespace resona::effects
