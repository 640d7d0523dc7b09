#include "mix.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <immintrin.h>

namespace resona {
namespace mixdetail {
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
  double bound = std::fabs(double(ls)) +
                 double(std::max(std::llabs(m0), std::llabs(mLast))) * std::fabs(double(slope));
  if (bound == 0) return true;
  int high = std::ilogb(bound) + 2;  // 2^high > bound, with room for rounding of the bound
  return high + vBits - low <= 53;
}

int MagnitudeBits(const int32_t* values, int32_t count) {
  int64_t maxAbs = 0;
  for (int32_t j = 0; j < count; ++j) maxAbs = std::max<int64_t>(maxAbs, std::llabs(values[j]));
  int bits = 1;
  while (bits < 33 && (int64_t(1) << bits) <= maxAbs) ++bits;
  return bits;
}
int MagnitudeBits(const int16_t*, int32_t) { return 16; }

// The double-precision evaluation: the extended and the double products differ by less than
// |p| × 2^-51, so truncation can only differ where p lies that close to an integer.
// Scaling the product by 256 is exact, so the same bound holds for the wide contributions.
template <bool Wide>
constexpr double kLimit = Wide ? 268435456.5 : 1048576.5;  // clamped values stay off the integers
template <bool Wide>
inline int32_t Definition(int32_t v, float ls, float slope, int64_t m) {
  return Wide ? WideRampProduct(v, ls, slope, m) : RampProduct(v, ls, slope, m);
}
inline bool MayDiffer(double p, int32_t t) {
  const double a = std::fabs(p - double(t));
  const double d = std::fabs(p) * 0x1p-50;
  return a < d || a > 1.0 - d;
}
template <bool Wide>
inline double ProductInDouble(double v, double ls, double slope, double m) {
  double p = v * (ls + m * slope);
  if (Wide) p *= 256;
  return std::min(std::max(p, -kLimit<Wide>), kLimit<Wide>);
}

// Recomputes in extended precision the frames whose double result may truncate differently.
template <bool Wide, class V>
void FixUp(const V* values, int32_t from, int32_t to, float ls, float slope, int64_t m0,
           int32_t* out) {
  for (int32_t j = from; j < to; ++j) {
    const double p = ProductInDouble<Wide>(values[j], ls, slope, double(m0 + j));
    if (MayDiffer(p, int32_t(p))) out[j] = Definition<Wide>(values[j], ls, slope, m0 + j);
  }
}

template <bool Wide, class V>
bool Unusual(const V* values, int32_t count, float ls, float slope, int64_t m0, int32_t* out) {
  if (std::isfinite(ls) && std::isfinite(slope)) return false;
  for (int32_t j = 0; j < count; ++j) out[j] = Definition<Wide>(values[j], ls, slope, m0 + j);
  return true;
}

}  // namespace

template <bool Wide, class V>
void RampProductsPortable(const V* values, int32_t count, float ls, float slope, int64_t m0,
                          int32_t* out) {
  if (Unusual<Wide>(values, count, ls, slope, m0, out)) return;
  const bool exact = ExactInDouble(ls, slope, m0, m0 + count - 1, MagnitudeBits(values, count) + 1);
  bool unsafe = false;
  for (int32_t j = 0; j < count; ++j) {
    const double p = ProductInDouble<Wide>(values[j], ls, slope, double(m0 + j));
    out[j] = int32_t(p);
    unsafe |= MayDiffer(p, out[j]);
  }
  if (unsafe && !exact) FixUp<Wide>(values, 0, count, ls, slope, m0, out);
}

namespace {

__attribute__((target("avx2"))) int MagnitudeBitsAvx2(const int32_t* values, int32_t count) {
  __m256i maxAbs = _mm256_setzero_si256();
  int32_t j = 0;
  for (; j + 8 <= count; j += 8)  // |INT32_MIN| stays 2^31 when read unsigned
    maxAbs = _mm256_max_epu32(maxAbs, _mm256_abs_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(values + j))));
  alignas(32) uint32_t lanes[8];
  _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), maxAbs);
  int64_t m = 0;
  for (uint32_t lane : lanes) m = std::max<int64_t>(m, lane);
  for (; j < count; ++j) m = std::max<int64_t>(m, std::llabs(values[j]));
  int bits = 1;
  while (bits < 33 && (int64_t(1) << bits) <= m) ++bits;
  return bits;
}
__attribute__((target("avx2"))) int MagnitudeBitsAvx2(const int16_t*, int32_t) { return 16; }

__attribute__((target("avx2"))) inline __m256d LoadAsDouble(const int16_t* v) {
  return _mm256_cvtepi32_pd(_mm_cvtepi16_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(v))));
}
__attribute__((target("avx2"))) inline __m256d LoadAsDouble(const int32_t* v) {
  return _mm256_cvtepi32_pd(_mm_loadu_si128(reinterpret_cast<const __m128i*>(v)));
}

// Four frames at a time with exactly the operations of the portable loop.
template <bool Wide, class V>
__attribute__((target("avx2"))) void Avx2(const V* values, int32_t count, float ls, float slope,
                                          int64_t m0, int32_t* out) {
  if (Unusual<Wide>(values, count, ls, slope, m0, out)) return;
  const bool exact = ExactInDouble(ls, slope, m0, m0 + count - 1, MagnitudeBitsAvx2(values, count) + 1);
  const __m256d vls = _mm256_set1_pd(ls), vslope = _mm256_set1_pd(slope);
  const __m256d hi = _mm256_set1_pd(kLimit<Wide>), lo = _mm256_set1_pd(-kLimit<Wide>);
  const __m256d wide = _mm256_set1_pd(256.0);
  const __m256d scale = _mm256_set1_pd(0x1p-50), one = _mm256_set1_pd(1.0);
  const __m256d sign = _mm256_set1_pd(-0.0), four = _mm256_set1_pd(4.0);
  const double m = double(m0);
  __m256d vm = _mm256_setr_pd(m, m + 1, m + 2, m + 3);
  __m256d unsafe = _mm256_setzero_pd();
  const int32_t whole = count & ~3;
  for (int32_t j = 0; j < whole; j += 4) {
    const __m256d level = _mm256_add_pd(vls, _mm256_mul_pd(vm, vslope));
    __m256d p = _mm256_mul_pd(LoadAsDouble(values + j), level);
    if (Wide) p = _mm256_mul_pd(p, wide);
    p = _mm256_min_pd(_mm256_max_pd(p, lo), hi);
    const __m128i t = _mm256_cvttpd_epi32(p);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + j), t);
    if (!exact) {
      const __m256d a = _mm256_andnot_pd(sign, _mm256_sub_pd(p, _mm256_cvtepi32_pd(t)));
      const __m256d d = _mm256_mul_pd(_mm256_andnot_pd(sign, p), scale);
      unsafe = _mm256_or_pd(unsafe, _mm256_or_pd(_mm256_cmp_pd(a, d, _CMP_LT_OQ),
                                                 _mm256_cmp_pd(a, _mm256_sub_pd(one, d), _CMP_GT_OQ)));
    }
    vm = _mm256_add_pd(vm, four);
  }
  for (int32_t j = whole; j < count; ++j)
    out[j] = int32_t(ProductInDouble<Wide>(values[j], ls, slope, double(m0 + j)));
  if (!exact) {
    if (_mm256_movemask_pd(unsafe)) FixUp<Wide>(values, 0, whole, ls, slope, m0, out);
    FixUp<Wide>(values, whole, count, ls, slope, m0, out);
  }
}

#define RESONA_AVX512 __attribute__((target("avx512f")))
// GCC's 512-bit intrinsics start from undefined registers, which it then warns about.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

RESONA_AVX512 inline __m512d LoadEightAsDouble(const int16_t* v) {
  const __m128i eight = _mm_loadu_si128(reinterpret_cast<const __m128i*>(v));
  return _mm512_cvtepi32_pd(_mm256_cvtepi16_epi32(eight));
}
RESONA_AVX512 inline __m512d LoadEightAsDouble(const int32_t* v) {
  return _mm512_cvtepi32_pd(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(v)));
}

// The same eight frames at a time.
template <bool Wide, class V>
RESONA_AVX512 void Avx512(const V* values, int32_t count, float ls, float slope, int64_t m0,
                          int32_t* out) {
  if (Unusual<Wide>(values, count, ls, slope, m0, out)) return;
  const bool exact =
      ExactInDouble(ls, slope, m0, m0 + count - 1, MagnitudeBitsAvx2(values, count) + 1);
  const __m512d vls = _mm512_set1_pd(ls), vslope = _mm512_set1_pd(slope);
  const __m512d hi = _mm512_set1_pd(kLimit<Wide>), lo = _mm512_set1_pd(-kLimit<Wide>);
  const __m512d wide = _mm512_set1_pd(256.0);
  const __m512d scale = _mm512_set1_pd(0x1p-50), one = _mm512_set1_pd(1.0);
  const __m512d eight = _mm512_set1_pd(8.0);
  const double m = double(m0);
  __m512d vm = _mm512_setr_pd(m, m + 1, m + 2, m + 3, m + 4, m + 5, m + 6, m + 7);
  __mmask8 unsafe = 0;
  const int32_t whole = count & ~7;
  for (int32_t j = 0; j < whole; j += 8) {
    const __m512d level = _mm512_add_pd(vls, _mm512_mul_pd(vm, vslope));
    __m512d p = _mm512_mul_pd(LoadEightAsDouble(values + j), level);
    if (Wide) p = _mm512_mul_pd(p, wide);
    p = _mm512_min_pd(_mm512_max_pd(p, lo), hi);
    const __m256i t = _mm512_cvttpd_epi32(p);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + j), t);
    if (!exact) {
      const __m512d a = _mm512_abs_pd(_mm512_sub_pd(p, _mm512_cvtepi32_pd(t)));
      const __m512d d = _mm512_mul_pd(_mm512_abs_pd(p), scale);
      unsafe |= _mm512_cmp_pd_mask(a, d, _CMP_LT_OQ) |
                _mm512_cmp_pd_mask(a, _mm512_sub_pd(one, d), _CMP_GT_OQ);
    }
    vm = _mm512_add_pd(vm, eight);
  }
  for (int32_t j = whole; j < count; ++j)
    out[j] = int32_t(ProductInDouble<Wide>(values[j], ls, slope, double(m0 + j)));
  if (!exact) {
    if (unsafe) FixUp<Wide>(values, 0, whole, ls, slope, m0, out);
    FixUp<Wide>(values, whole, count, ls, slope, m0, out);
  }
}

// Sixteen sums at a time, narrowed to 16 bits with signed saturation in order.
RESONA_AVX512 inline void AddSixteenAvx512(int16_t* s, __m512i c) {
  const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s));
  const __m512i sum = _mm512_add_epi32(_mm512_cvtepi16_epi32(b), c);
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(s), _mm512_cvtsepi32_epi16(sum));
}

// The products of one channel, eight frames at a time from the first, as Avx512 forms them,
// 0 outside the run; lanes whose truncation the double evaluation cannot decide come from the
// definition. m × slope is exact in double precision (m < 2^21, a float's 24 bits), so the
// fused multiply-add gives the level Avx512 gives. A run whose products all stay within the
// contribution limit is not clamped.
template <class V>
class RunProducts {
 public:
  RESONA_AVX512 RunProducts(const RampRun<V>& r, int32_t first, int32_t last) : r_(r) {
    const int32_t lo = std::max(r.lo, first), hi = std::min(r.hi, last);
    if (hi > lo) {
      const int bits = MagnitudeBitsAvx2(r.values + lo, hi - lo);
      exact_ = ExactInDouble(r.level, r.slope, lo, hi - 1, bits + 1);
      const double most = std::ldexp(1.0, bits) *
                          std::max(std::fabs(double(r.level) + double(lo) * double(r.slope)),
                                   std::fabs(double(r.level) + double(hi - 1) * double(r.slope)));
      clamp_ = !(most * (1 + 0x1p-20) < 1048576.0);
    }
    ls_ = _mm512_set1_pd(r.level);
    slope_ = _mm512_set1_pd(r.slope);
    const double m = double(first);
    m_ = _mm512_setr_pd(m, m + 1, m + 2, m + 3, m + 4, m + 5, m + 6, m + 7);
  }
  // The eight frames at j; each call goes on to the next eight.
  RESONA_AVX512 __m256i Next(int32_t j) {
    const __m512d vm = m_;
    m_ = _mm512_add_pd(m_, _mm512_set1_pd(8.0));
    __mmask8 inside = 0xFF;
    if (j < r_.lo || j + 8 > r_.hi) [[unlikely]] {
      if (j >= r_.hi || j + 8 <= r_.lo) return _mm256_setzero_si256();
      const int32_t from = std::max(r_.lo - j, 0), to = std::min(r_.hi - j, 8);
      inside = __mmask8(((1u << to) - 1) & ~((1u << from) - 1));
    }
    const __m512d level = _mm512_fmadd_pd(vm, slope_, ls_);
    __m512d p = _mm512_maskz_mul_pd(inside, LoadEightAsDouble(r_.values + j), level);
    if (clamp_) [[unlikely]]
      p = _mm512_min_pd(_mm512_max_pd(p, _mm512_set1_pd(-kLimit<false>)), _mm512_set1_pd(kLimit<false>));
    __m256i t;
    if (exact_) {
      t = _mm512_cvttpd_epi32(p);
    } else {
      // The extended product lies within |p| × 2^-50 of p, so between p × (1 - 2^-49) and
      // p × (1 + 2^-49) (each rounded by at most 2^-53): where both truncate alike, so does it.
      t = _mm512_cvttpd_epi32(_mm512_mul_pd(p, _mm512_set1_pd(1 + 0x1p-49)));
      const __m256i other = _mm512_cvttpd_epi32(_mm512_mul_pd(p, _mm512_set1_pd(1 - 0x1p-49)));
      const unsigned unsafe = ~unsigned(_mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpeq_epi32(t, other)))) & 0xFF;
      if (unsafe) [[unlikely]] {
        alignas(32) int32_t lanes[8];
        _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), t);
        for (int k = 0; k < 8; ++k)
          if (unsafe >> k & 1) lanes[k] = RampProduct(r_.values[j + k], r_.level, r_.slope, j + k);
        t = _mm256_load_si256(reinterpret_cast<const __m256i*>(lanes));
      }
    }
    return t;
  }

 private:
  RampRun<V> r_;
  bool exact_ = true, clamp_ = false;
  __m512d ls_, slope_, m_;
};

template <class V>
RESONA_AVX512 void MixRampsAvx512(int16_t* frames, int32_t channels, const RampRun<V>* runs,
                                  int32_t first, int32_t last) {
  // Eight frames at a time while all their values are there; the rest one by one.
  int32_t j = first;
  RunProducts<V> left(runs[0], first, last), right(runs[channels - 1], first, last);
  if (channels == 1) {
    for (; j + 8 <= last; j += 8) {
      int16_t* s = frames + j;
      const __m256i c = left.Next(j);
      const __m256i sum = _mm256_add_epi32(_mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s))), c);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(s),
                       _mm_packs_epi32(_mm256_castsi256_si128(sum), _mm256_extracti128_si256(sum, 1)));
    }
  } else {
    const __m512i interleave = _mm512_setr_epi32(0, 16, 1, 17, 2, 18, 3, 19, 4, 20, 5, 21, 6, 22, 7, 23);
    for (; j + 8 <= last; j += 8) {
      const __m512i l = _mm512_castsi256_si512(left.Next(j));
      const __m512i r = _mm512_castsi256_si512(right.Next(j));
      AddSixteenAvx512(frames + 2 * j, _mm512_permutex2var_epi32(l, interleave, r));
    }
  }
  for (; j < last; ++j)
    for (int c = 0; c < channels; ++c) {
      const RampRun<V>& r = runs[c];
      if (j < r.lo || j >= r.hi) continue;
      int16_t& s = frames[j * channels + c];
      s = int16_t(std::clamp(s + RampProduct(r.values[j], r.level, r.slope, j), -32768, 32767));
    }
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

}  // namespace

// The target attribute stays on the function above: an explicit instantiation does not carry
// it over from the definition of a template declared without it.
template <bool Wide, class V>
void RampProductsAvx2(const V* v, int32_t n, float ls, float s, int64_t m0, int32_t* o) {
  Avx2<Wide>(v, n, ls, s, m0, o);
}
template <bool Wide, class V>
void RampProductsAvx512(const V* v, int32_t n, float ls, float s, int64_t m0, int32_t* o) {
  Avx512<Wide>(v, n, ls, s, m0, o);
}

namespace {

inline int16_t Saturate16(int32_t s) { return int16_t(s < -32768 ? -32768 : s > 32767 ? 32767 : s); }

}  // namespace

bool HaveAvx2() {
  static const bool have = __builtin_cpu_supports("avx2");
  return have;
}

bool HaveAvx512() {
  static const bool have = __builtin_cpu_supports("avx512f");
  return have;
}

#define RESONA_RAMP_PRODUCTS(Wide, V)                                                         \
  template void RampProductsPortable<Wide, V>(const V*, int32_t, float, float, int64_t,       \
                                              int32_t*);                                      \
  template void RampProductsAvx2<Wide, V>(const V*, int32_t, float, float, int64_t, int32_t*); \
  template void RampProductsAvx512<Wide, V>(const V*, int32_t, float, float, int64_t, int32_t*);
RESONA_RAMP_PRODUCTS(false, int16_t)
RESONA_RAMP_PRODUCTS(false, int32_t)
RESONA_RAMP_PRODUCTS(true, int16_t)
RESONA_RAMP_PRODUCTS(true, int32_t)
#undef RESONA_RAMP_PRODUCTS

void AddSaturatingPortable(int16_t* frames, int32_t channels, const int32_t* left,
                           const int32_t* right, int32_t count) {
  if (channels == 1) {
    for (int32_t j = 0; j < count; ++j) frames[j] = Saturate16(frames[j] + left[j]);
    return;
  }
  for (int32_t j = 0; j < count; ++j) {
    frames[2 * j] = Saturate16(frames[2 * j] + left[j]);
    frames[2 * j + 1] = Saturate16(frames[2 * j + 1] + right[j]);
  }
}

namespace {
// Widens 16 samples to 32 bits, adds, and packs back with signed saturation; packing works per
// 128-bit lane, so the halves are put back in order afterwards.
__attribute__((target("avx2"))) inline void AddSixteen(int16_t* s, __m256i c0, __m256i c1) {
  const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s));
  const __m256i lo = _mm256_add_epi32(_mm256_cvtepi16_epi32(_mm256_castsi256_si128(b)), c0);
  const __m256i hi = _mm256_add_epi32(_mm256_cvtepi16_epi32(_mm256_extracti128_si256(b, 1)), c1);
  const __m256i packed = _mm256_permute4x64_epi64(_mm256_packs_epi32(lo, hi), 0xD8);
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(s), packed);
}
}  // namespace

__attribute__((target("avx2"))) void AddSaturatingAvx2(int16_t* frames, int32_t channels,
                                                       const int32_t* left, const int32_t* right,
                                                       int32_t count) {
  int32_t j = 0;
  if (channels == 1) {
    for (; j + 16 <= count; j += 16)
      AddSixteen(frames + j, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(left + j)),
                 _mm256_loadu_si256(reinterpret_cast<const __m256i*>(left + j + 8)));
  } else {
    for (; j + 8 <= count; j += 8) {
      const __m256i l = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(left + j));
      const __m256i r = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(right + j));
      const __m256i a = _mm256_unpacklo_epi32(l, r);  // L0 R0 L1 R1 | L4 R4 L5 R5
      const __m256i b = _mm256_unpackhi_epi32(l, r);  // L2 R2 L3 R3 | L6 R6 L7 R7
      AddSixteen(frames + 2 * j, _mm256_permute2x128_si256(a, b, 0x20),
                 _mm256_permute2x128_si256(a, b, 0x31));
    }
  }
  AddSaturatingPortable(frames + j * channels, channels, left + j, right ? right + j : nullptr,
                        count - j);
}

RESONA_AVX512 void AddSaturatingAvx512(int16_t* frames, int32_t channels, const int32_t* left,
                                       const int32_t* right, int32_t count) {
  int32_t j = 0;
  if (channels == 1) {
    for (; j + 16 <= count; j += 16)
      AddSixteenAvx512(frames + j, _mm512_loadu_si512(left + j));
  } else {
    // L0 R0 L1 R1 ... from the two channels' eight and eight.
    const __m512i first = _mm512_setr_epi32(0, 16, 1, 17, 2, 18, 3, 19, 4, 20, 5, 21, 6, 22, 7, 23);
    const __m512i second = _mm512_add_epi32(first, _mm512_set1_epi32(8));
    for (; j + 16 <= count; j += 16) {
      const __m512i l = _mm512_loadu_si512(left + j);
      const __m512i r = _mm512_loadu_si512(right + j);
      AddSixteenAvx512(frames + 2 * j, _mm512_permutex2var_epi32(l, first, r));
      AddSixteenAvx512(frames + 2 * j + 16, _mm512_permutex2var_epi32(l, second, r));
    }
  }
  AddSaturatingAvx2(frames + j * channels, channels, left + j, right ? right + j : nullptr,
                    count - j);
}

}  // namespace mixdetail

void AddSaturating(int16_t* frames, int32_t channels, const int32_t* left, const int32_t* right,
                   int32_t count) {
  if (mixdetail::HaveAvx512())
    mixdetail::AddSaturatingAvx512(frames, channels, left, right, count);
  else if (mixdetail::HaveAvx2())
    mixdetail::AddSaturatingAvx2(frames, channels, left, right, count);
  else
    mixdetail::AddSaturatingPortable(frames, channels, left, right, count);
}

void AddSaturating(uint8_t* frames, int32_t channels, const int32_t* left, const int32_t* right,
                   int32_t count) {
  for (int32_t j = 0; j < count; ++j) {
    for (int32_t c = 0; c < channels; ++c) {
      const int32_t s = frames[j * channels + c] + (c == 0 ? left : right)[j];
      frames[j * channels + c] = uint8_t(s < 0 ? 0 : s > 255 ? 255 : s);
    }
  }
}

namespace {

inline int32_t Load24(const uint8_t* s) {
  return int32_t(uint32_t(s[0]) << 8 | uint32_t(s[1]) << 16 | uint32_t(s[2]) << 24) >> 8;
}
inline void Add24(uint8_t* s, int32_t contribution) {
  // Contributions stay within ±2^28, so the sum fits 32 bits.
  const int32_t v = std::clamp(Load24(s) + contribution, -(1 << 23), (1 << 23) - 1);
  s[0] = uint8_t(v);
  s[1] = uint8_t(v >> 8);
  s[2] = uint8_t(v >> 16);
}
inline void AddFloat(uint8_t* s, int32_t contribution) {
  float f;
  std::memcpy(&f, s, 4);
  f += float(contribution) * 0x1p-23f;
  std::memcpy(s, &f, 4);
}

}  // namespace

namespace mixdetail {

void AddSaturating24Portable(uint8_t* frames, int32_t channels, const int32_t* left,
                             const int32_t* right, int32_t count) {
  if (channels == 1) {
    for (int32_t j = 0; j < count; ++j) Add24(frames + 3 * j, left[j]);
    return;
  }
  for (int32_t j = 0; j < count; ++j) {
    Add24(frames + 6 * j, left[j]);
    Add24(frames + 6 * j + 3, right[j]);
  }
}

// Four samples at a time: their 12 bytes spread to the top of four 32-bit lanes and shifted
// down with their sign, added, clamped and packed back.
__attribute__((target("avx2"))) void AddSaturating24Avx2(uint8_t* frames, int32_t channels,
                                                         const int32_t* left,
                                                         const int32_t* right, int32_t count) {
  const __m128i spread = _mm_setr_epi8(-1, 0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11);
  const __m128i pack = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
  const __m128i lo = _mm_set1_epi32(-(1 << 23)), hi = _mm_set1_epi32((1 << 23) - 1);
  const int64_t samples = int64_t(count) * channels;
  int64_t i = 0;  // samples done: j frames
  int32_t j = 0;
  // Each step reads 16 bytes, so two more samples must follow its four.
  for (; i + 6 <= samples; i += 4, j += 4 / channels) {
    uint8_t* s = frames + 3 * i;
    const __m128i c =
        channels == 1
            ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(left + j))
            : _mm_unpacklo_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(left + j)),
                                 _mm_loadl_epi64(reinterpret_cast<const __m128i*>(right + j)));
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
    v = _mm_srai_epi32(_mm_shuffle_epi8(v, spread), 8);
    v = _mm_min_epi32(_mm_max_epi32(_mm_add_epi32(v, c), lo), hi);
    const __m128i out = _mm_shuffle_epi8(v, pack);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(s), out);
    const uint32_t last = uint32_t(_mm_extract_epi32(out, 2));
    std::memcpy(s + 8, &last, 4);
  }
  AddSaturating24Portable(frames + 3 * i, channels, left + j, right ? right + j : nullptr, count - j);
}

}  // namespace mixdetail

void AddSaturating24(uint8_t* frames, int32_t channels, const int32_t* left, const int32_t* right,
                     int32_t count) {
  if (mixdetail::HaveAvx2())
    mixdetail::AddSaturating24Avx2(frames, channels, left, right, count);
  else
    mixdetail::AddSaturating24Portable(frames, channels, left, right, count);
}

void AddUnsaturated(uint8_t* frames, int32_t channels, const int32_t* left, const int32_t* right,
                    int32_t count) {
  if (channels == 1) {
    for (int32_t j = 0; j < count; ++j) AddFloat(frames + 4 * j, left[j]);
    return;
  }
  for (int32_t j = 0; j < count; ++j) {
    AddFloat(frames + 8 * j, left[j]);
    AddFloat(frames + 8 * j + 4, right[j]);
  }
}

template <class V>
bool MixRamps(int16_t* frames, int32_t channels, const RampRun<V>* runs, int32_t first,
              int32_t last) {
  if (!mixdetail::HaveAvx512()) return false;
  for (int c = 0; c < channels; ++c)
    if (!std::isfinite(runs[c].level) || !std::isfinite(runs[c].slope)) return false;
  if (last > first) mixdetail::MixRampsAvx512(frames, channels, runs, first, last);
  return true;
}
template bool MixRamps<int16_t>(int16_t*, int32_t, const RampRun<int16_t>*, int32_t, int32_t);
template bool MixRamps<int32_t>(int16_t*, int32_t, const RampRun<int32_t>*, int32_t, int32_t);

}  // namespace resona
