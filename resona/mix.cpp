#include "mix.h"

#include <algorithm>
#include <cstdlib>

namespace resona {
namespace {

// Lowest power of two of which every multiple of this float's last mantissa bit is a multiple.
int UlpExponent(float f) {
  if (f == 0) return 1 << 20;
  int e = std::ilogb(f);
  return std::max(e, -126) - 23;
}

// True when v × (ls + m·slope) is computed exactly in double precision for every frame m in
// [m0, mLast] and every |v| < 2^vBits: then the double result equals the extended one.
bool ExactInDouble(float ls, float slope, int64_t m0, int64_t mLast, int vBits) {
  int low = std::min(UlpExponent(ls), UlpExponent(slope));
  double bound = std::fabs(double(ls)) + double(std::max(std::llabs(m0), std::llabs(mLast))) *
                                              std::fabs(double(slope));
  if (bound == 0) return true;
  int high = std::ilogb(bound) + 2;  // 2^high > bound, with room for rounding of the bound
  return high + vBits - low <= 53;
}

// Double precision evaluation with a safety test: the extended and the double products differ
// by less than |p| × 2^-51, so truncation can only differ where p lies that close to an
// integer. Those few frames are recomputed in extended precision.
template <class V>
void RampProductsFast(const V* values, int32_t count, float ls, float slope, int64_t m0,
                      int32_t* out, int vBits) {
  if (!std::isfinite(ls) || !std::isfinite(slope)) {
    for (int32_t j = 0; j < count; ++j) out[j] = RampProduct(values[j], ls, slope, m0 + j);
    return;
  }
  const double dls = ls;
  const double ds = slope;
  const double limit = 1048576.5;  // clamped values stay off the integers
  const bool exact = ExactInDouble(ls, slope, m0, m0 + count - 1, vBits);
  constexpr int32_t kChunk = 256;
  for (int32_t base = 0; base < count; base += kChunk) {
    const int32_t n = std::min(kChunk, count - base);
    const V* v = values + base;
    int32_t* o = out + base;
    const double mStart = double(m0 + base);
    int unsafe = 0;
    for (int32_t j = 0; j < n; ++j) {
      double level = dls + (mStart + double(j)) * ds;
      double p = double(v[j]) * level;
      p = p > limit ? limit : p;
      p = p < -limit ? -limit : p;
      int32_t t = int32_t(p);
      o[j] = t;
      double a = std::fabs(p - double(t));
      double d = std::fabs(p) * 0x1p-50;
      unsafe |= int(a < d) | int(a > 1.0 - d);
    }
    if (unsafe && !exact) {
      for (int32_t j = 0; j < n; ++j) {
        double level = dls + (mStart + double(j)) * ds;
        double p = double(v[j]) * level;
        p = p > limit ? limit : p;
        p = p < -limit ? -limit : p;
        double a = std::fabs(p - double(int32_t(p)));
        double d = std::fabs(p) * 0x1p-50;
        if (a < d || a > 1.0 - d) o[j] = RampProduct(v[j], ls, slope, m0 + base + j);
      }
    }
  }
}

}  // namespace

void RampProducts(const int16_t* values, int32_t count, float levelStart, float slope, int64_t m0,
                  int32_t* out) {
  RampProductsFast(values, count, levelStart, slope, m0, out, 16);
}

void RampProducts(const int32_t* values, int32_t count, float levelStart, float slope, int64_t m0,
                  int32_t* out) {
  int32_t maxAbs = 0;
  for (int32_t j = 0; j < count; ++j)
    maxAbs = std::max(maxAbs, values[j] < 0 ? (values[j] == INT32_MIN ? INT32_MAX : -values[j])
                                            : values[j]);
  int bits = 1;
  while (bits < 32 && (int64_t(1) << bits) <= maxAbs) ++bits;
  RampProductsFast(values, count, levelStart, slope, m0, out, bits + 1);
}

void AddSaturating(int16_t* samples, int32_t stride, const int32_t* contributions, int32_t count) {
  for (int32_t j = 0; j < count; ++j) {
    int32_t s = samples[j * stride] + contributions[j];
    samples[j * stride] = int16_t(s < -32768 ? -32768 : s > 32767 ? 32767 : s);
  }
}

void AddSaturating(uint8_t* samples, int32_t stride, const int32_t* contributions, int32_t count) {
  for (int32_t j = 0; j < count; ++j) {
    int32_t s = samples[j * stride] + contributions[j];
    samples[j * stride] = uint8_t(s < 0 ? 0 : s > 255 ? 255 : s);
  }
}

}  // namespace resona
