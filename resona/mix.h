// Mixing a note into the output: every output sample gets trunc(value × level) added, where
// level = level at the start of the block + m × slope is evaluated in extended precision.
#pragma once

#include <cmath>
#include <cstdint>

namespace resona {

// Contributions beyond this magnitude saturate any output sample alike, so they are clamped
// here (which also keeps infinities out of the integer conversion); NaN contributes nothing.
constexpr long double kContributionLimit = 1048576.0L;

// The definition, in extended precision. The fast paths below must agree with it bit for bit.
inline int32_t RampProduct(int32_t value, float levelStart, float slope, int64_t m) {
  long double level = (long double)levelStart + (long double)m * (long double)slope;
  long double p = (long double)value * level;
  if (std::isnan(p)) return 0;
  if (p > kContributionLimit) p = kContributionLimit;
  if (p < -kContributionLimit) p = -kContributionLimit;
  return int32_t(p);
}

// The contribution of the 24-bit and float mixes, formed at 256 times the scale of RampProduct:
// trunc(256 × value × level) with the same extended level. Scaling by a power of two is exact,
// so it is 256 × the unrounded product of RampProduct's definition, before truncation.
constexpr long double kWideContributionLimit = 268435456.0L;  // 2^28: saturates any 24-bit sum
inline int32_t WideRampProduct(int32_t value, float levelStart, float slope, int64_t m) {
  long double level = (long double)levelStart + (long double)m * (long double)slope;
  long double p = (long double)value * level * 256;
  if (std::isnan(p)) return 0;
  if (p > kWideContributionLimit) p = kWideContributionLimit;
  if (p < -kWideContributionLimit) p = -kWideContributionLimit;
  return int32_t(p);
}

// The level of frame m of a block, as RampProduct evaluates it.
inline long double RampLevel(float levelStart, float slope, int64_t m) {
  return (long double)levelStart + (long double)m * (long double)slope;
}

// The implementations behind the dispatch, for the tests to compare on any machine: `Wide`
// picks WideRampProduct over RampProduct, values are int16_t or int32_t.
namespace mixdetail {
bool HaveAvx2();
bool HaveAvx512();
template <bool Wide, class V>
void RampProductsPortable(const V* values, int32_t count, float ls, float slope, int64_t m0,
                          int32_t* out);
template <bool Wide, class V>
void RampProductsAvx2(const V* values, int32_t count, float ls, float slope, int64_t m0,
                      int32_t* out);
template <bool Wide, class V>
void RampProductsAvx512(const V* values, int32_t count, float ls, float slope, int64_t m0,
                        int32_t* out);
}  // namespace mixdetail

// out[j] = RampProduct(values[j], levelStart, slope, m0 + j) for j < count, m0 + count <= 2^20;
// WideRampProducts the same with WideRampProduct.
template <class V>
void RampProducts(const V* values, int32_t count, float levelStart, float slope, int64_t m0,
                  int32_t* out) {
  if (mixdetail::HaveAvx512())
    mixdetail::RampProductsAvx512<false>(values, count, levelStart, slope, m0, out);
  else if (mixdetail::HaveAvx2())
    mixdetail::RampProductsAvx2<false>(values, count, levelStart, slope, m0, out);
  else
    mixdetail::RampProductsPortable<false>(values, count, levelStart, slope, m0, out);
}
template <class V>
void WideRampProducts(const V* values, int32_t count, float levelStart, float slope, int64_t m0,
                      int32_t* out) {
  if (mixdetail::HaveAvx512())
    mixdetail::RampProductsAvx512<true>(values, count, levelStart, slope, m0, out);
  else if (mixdetail::HaveAvx2())
    mixdetail::RampProductsAvx2<true>(values, count, levelStart, slope, m0, out);
  else
    mixdetail::RampProductsPortable<true>(values, count, levelStart, slope, m0, out);
}

// The 24-bit mix: frames of packed little-endian 3-byte samples, each sum saturated at
// [-2^23, 2^23 - 1].
void AddSaturating24(uint8_t* frames, int32_t channels, const int32_t* left, const int32_t* right,
                     int32_t count);
// The float mix: the same sums without saturation, at 2^-23 per step of the 24-bit mix. Each
// contribution is converted to single precision and scaled, then added in single precision,
// so a sum is exact as long as it stays within ±2^24 steps. `frames` need not be aligned.
void AddUnsaturated(uint8_t* frames, int32_t channels, const int32_t* left, const int32_t* right,
                    int32_t count);

// Adds contributions to a block of frames, saturating at the sample limits: `right` is used
// only for stereo blocks (channels == 2).
void AddSaturating(int16_t* frames, int32_t channels, const int32_t* left, const int32_t* right,
                   int32_t count);
void AddSaturating(uint8_t* frames, int32_t channels, const int32_t* left, const int32_t* right,
                   int32_t count);

// One channel's part of a block for MixRamps: frame j of [lo, hi) contributes
// RampProduct(values[j], level, slope, j), the others nothing.
template <class V>
struct RampRun {
  const V* values = nullptr;
  float level = 0;
  float slope = 0;
  int32_t lo = 0, hi = 0;
};

// Adds the ramp products of each channel (runs[0] left or mono, runs[1] right) to the frames
// [first, last) of a block of 16-bit frames, saturating: what RampProducts into contributions
// that are 0 outside each run, then AddSaturating give, in one pass. Values are read for every
// frame of [first, last). False (nothing done) where the machine has no such pass, or for a
// level or slope that is not finite: then the caller takes those two steps.
template <class V>
bool MixRamps(int16_t* frames, int32_t channels, const RampRun<V>* runs, int32_t first,
              int32_t last);

namespace mixdetail {
void AddSaturatingPortable(int16_t* frames, int32_t channels, const int32_t* left,
                           const int32_t* right, int32_t count);
void AddSaturatingAvx2(int16_t* frames, int32_t channels, const int32_t* left,
                       const int32_t* right, int32_t count);
void AddSaturatingAvx512(int16_t* frames, int32_t channels, const int32_t* left,
                         const int32_t* right, int32_t count);
void AddSaturating24Portable(uint8_t* frames, int32_t channels, const int32_t* left,
                             const int32_t* right, int32_t count);
void AddSaturating24Avx2(uint8_t* frames, int32_t channels, const int32_t* left,
                         const int32_t* right, int32_t count);
}  // namespace mixdetail

}  // namespace resona
