// Mixing a note into the output: every output sample gets trunc(value × level) added, where
// level = level at the start of the block + m × slope is evaluated in extended precision.
#pragma once

#include <cmath>
#include <cstdint>

namespace resona {

// Contributions beyond this magnitude saturate any output sample alike, so they are clamped
// here (which also keeps infinities out of the integer conversion); NaN contributes nothing.
constexpr long double kContributionLimit = 1048576.0L;

// The definition, in extended precision. The fast path below must agree with it bit for bit.
inline int32_t RampProduct(int32_t value, float levelStart, float slope, int64_t m) {
  long double level = (long double)levelStart + (long double)m * (long double)slope;
  long double p = (long double)value * level;
  if (std::isnan(p)) return 0;
  if (p > kContributionLimit) p = kContributionLimit;
  if (p < -kContributionLimit) p = -kContributionLimit;
  return int32_t(p);
}

// out[j] = RampProduct(values[j], levelStart, slope, m0 + j) for j < count.
void RampProducts(const int16_t* values, int32_t count, float levelStart, float slope, int64_t m0,
                  int32_t* out);
void RampProducts(const int32_t* values, int32_t count, float levelStart, float slope, int64_t m0,
                  int32_t* out);

// Adds contributions to output samples `stride` apart, saturating at the sample limits.
void AddSaturating(int16_t* samples, int32_t stride, const int32_t* contributions, int32_t count);
void AddSaturating(uint8_t* samples, int32_t stride, const int32_t* contributions, int32_t count);

// The level of frame m of a block, as RampProduct evaluates it.
inline long double RampLevel(float levelStart, float slope, int64_t m) {
  return (long double)levelStart + (long double)m * (long double)slope;
}

}  // namespace resona
