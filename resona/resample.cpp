#include "resample.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <immintrin.h>

namespace resona {

int64_t Gcd(int64_t a, int64_t b) {
  while (b != 0) {
    int64_t t = a % b;
    a = b;
    b = t;
  }
  return a;
}

ResampleKernel BuildKernel(int32_t A, int32_t B) {
  constexpr int32_t kMaxHalfWidth = 768;
  ResampleKernel k;
  int64_t g = Gcd(A, B);
  k.A = int32_t(A / g);
  k.B = int32_t(B / g);
  int32_t M = std::max(k.A, k.B);

  if (k.A == 1 || k.B == 1) {
    // Box kernel; with an even M its end taps are halved.
    int32_t h = std::min(M / 2, kMaxHalfWidth);
    int32_t width = 2 * h + 1;
    k.h = h;
    k.taps.assign(size_t(width), 32768 / width);
    int32_t end = (M % 2 == 0 ? 16384 : 32768) / width;
    k.taps.front() = end;
    k.taps.back() = end;
    return k;
  }

  // Windowless sinc. Precision, fixed here and used for every kernel: x = π·min(A,B)/M² is
  // formed in extended precision and stored in single precision; i·x is formed exactly and
  // rounded to single precision; sin(i·x)/(i·x) is evaluated in double precision.
  int32_t h = std::min(6 * M, kMaxHalfWidth);
  const long double pi = 3.141592653589793238462643383279502884L;
  float x = float(pi * std::min(k.A, k.B) / ((long double)M * M));
  std::vector<int64_t> side(size_t(h) + 1);
  side[0] = 32768;
  int64_t S = 0;
  for (int32_t i = 1; i <= h; ++i) {
    float ix = float(double(i) * double(x));
    double v = std::sin(double(ix)) / double(ix) * 32768.0;
    side[size_t(i)] = int64_t(v);  // truncation toward zero
    S += side[size_t(i)];
  }
  int64_t T = 32768 + 2 * std::llabs(S);
  for (auto& t : side) t = t * 32768 / T;
  while (h > 0 && side[size_t(h)] == 0) --h;
  k.h = h;
  k.taps.resize(size_t(2 * h + 1));
  for (int32_t i = 0; i <= h; ++i) {
    k.taps[size_t(h + i)] = int32_t(side[size_t(i)]);
    k.taps[size_t(h - i)] = int32_t(side[size_t(i)]);
  }
  return k;
}

Resampler::Resampler(const ResampleKernel& kernel)
    : A_(kernel.A), B_(kernel.B), h_(kernel.h) {
  // A window starting at phase φ of an input sample's A fine steps covers taps k = 0..2h;
  // tap k falls on the held sample floor((φ + k) / A) counted from the window's first one.
  groups_ = (A_ - 1 + 2 * h_) / A_ + 1;
  weights_.assign(size_t(A_) * size_t(groups_), 0);
  // Group g of phase φ holds the taps k with g·A − φ <= k < (g + 1)·A − φ: a difference of
  // prefix sums, so the table costs its own size whatever A is.
  const int64_t width = 2 * int64_t(h_) + 1;
  std::vector<int64_t> prefix(size_t(width) + 1, 0);
  int64_t sumAbs = 0;
  for (int64_t k = 0; k < width; ++k) {
    prefix[size_t(k + 1)] = prefix[size_t(k)] + kernel.taps[size_t(k)];
    sumAbs += std::llabs(kernel.taps[size_t(k)]);
  }
  for (int32_t phi = 0; phi < A_; ++phi)
    for (int32_t g = 0; g < groups_; ++g) {
      const int64_t first = std::clamp<int64_t>(int64_t(g) * A_ - phi, 0, width);
      const int64_t last = std::clamp<int64_t>(int64_t(g + 1) * A_ - phi, 0, width);
      weights_[size_t(phi) * size_t(groups_) + size_t(g)] = int32_t(prefix[size_t(last)] - prefix[size_t(first)]);
    }
  // Every group weight is bounded by the sum of the taps' magnitudes.
  fitsInt32_ = sumAbs * 32768 < (int64_t(1) << 31);
  if (fitsInt32_ && std::all_of(weights_.begin(), weights_.end(),
                                [](int32_t w) { return w >= -32767 && w <= 32767; })) {
    padded_ = (groups_ + 15) / 16 * 16;
    narrow_.assign(size_t(A_) * size_t(padded_), 0);
    for (int32_t phi = 0; phi < A_; ++phi)
      for (int32_t g = 0; g < groups_; ++g)
        narrow_[size_t(phi) * size_t(padded_) + size_t(g)] = int16_t(weights_[size_t(phi) * size_t(groups_) + size_t(g)]);
  }
}

namespace {

// Output sample i's window on the fine grid: it starts at p = i·B − h, q = floor(p / A) is its
// first held sample and phi = p − q·A the phase of its weights.
struct Window {
  Window(int32_t a, int32_t b, int32_t h) : A(a), qStep(b / a), phiStep(b % a) {
    const int64_t p = -int64_t(h);
    q = p >= 0 ? p / A : -((-p + A - 1) / A);
    phi = p - q * A;
  }
  [[gnu::always_inline]] void Next() {
    ++i;
    q += qStep;
    phi += phiStep;
    if (phi >= A) {
      phi -= A;
      ++q;
    }
  }
  const int64_t A, qStep, phiStep;
  int64_t i = 0, q = 0, phi = 0;
};

// The filter loop, inlined into a plain and a vector build of itself: integer sums, so every
// build gives the same samples.
template <class Acc>
[[gnu::always_inline]] inline void Filter(const int32_t* weights, int32_t G, int32_t A, int32_t B,
                                          int32_t h, const int16_t* in, int64_t inLength,
                                          int16_t* out, int64_t outLength) {
  for (Window at(A, B, h); at.i < outLength; at.Next()) {
    const int32_t* w = weights + at.phi * G;
    const int64_t q = at.q;
    Acc acc = 0;
    if (q >= 0 && q + G <= inLength) {
      const int16_t* x = in + q;
      for (int32_t g = 0; g < G; ++g) acc += Acc(w[g]) * x[g];
    } else {
      int64_t gFirst = std::max<int64_t>(0, -q);
      int64_t gLast = std::min<int64_t>(G, inLength - q);
      for (int64_t g = gFirst; g < gLast; ++g) acc += Acc(w[g]) * in[q + g];
    }
    Acc v = acc >> 15;
    out[at.i] = int16_t(v < -32768 ? -32768 : v > 32767 ? 32767 : v);
  }
}

template <class Acc>
void FilterPlain(const int32_t* weights, int32_t G, int32_t A, int32_t B, int32_t h,
                 const int16_t* in, int64_t inLength, int16_t* out, int64_t outLength) {
  Filter<Acc>(weights, G, A, B, h, in, inLength, out, outLength);
}

__attribute__((target("avx2"))) void FilterAvx2(const int32_t* weights, int32_t G, int32_t A,
                                                int32_t B, int32_t h, const int16_t* in,
                                                int64_t inLength, int16_t* out,
                                                int64_t outLength) {
  Filter<int32_t>(weights, G, A, B, h, in, inLength, out, outLength);
}

// The same with 16-bit weights: sixteen products a step, summed in pairs (each pair below 2^31,
// as is every partial sum: |sum| < 2^31 for any input). Windows that reach past the input's
// end by their padding take the loop above.
__attribute__((target("avx2"))) void FilterPairs(const int16_t* narrow, int32_t padded,
                                                 const int32_t* weights, int32_t G, int32_t A,
                                                 int32_t B, int32_t h, const int16_t* in,
                                                 int64_t inLength, int16_t* out,
                                                 int64_t outLength) {
  for (Window at(A, B, h); at.i < outLength; at.Next()) {
    const int64_t q = at.q, phi = at.phi;
    int32_t acc = 0;
    if (q >= 0 && q + padded <= inLength) {
      const int16_t* x = in + q;
      const int16_t* w = narrow + phi * padded;
      __m256i sum = _mm256_setzero_si256();
      for (int32_t g = 0; g < padded; g += 16)
        sum = _mm256_add_epi32(sum, _mm256_madd_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(x + g)),
                                                      _mm256_loadu_si256(reinterpret_cast<const __m256i*>(w + g))));
      __m128i s = _mm_add_epi32(_mm256_castsi256_si128(sum), _mm256_extracti128_si256(sum, 1));
      s = _mm_add_epi32(s, _mm_shuffle_epi32(s, 0x4E));
      s = _mm_add_epi32(s, _mm_shuffle_epi32(s, 0xB1));
      acc = _mm_cvtsi128_si32(s);
    } else {
      const int32_t* w = weights + phi * G;
      const int64_t gFirst = std::max<int64_t>(0, -q);
      const int64_t gLast = std::min<int64_t>(G, inLength - q);
      for (int64_t g = gFirst; g < gLast; ++g) acc += w[g] * in[q + g];
    }
    const int32_t v = acc >> 15;
    out[at.i] = int16_t(v < -32768 ? -32768 : v > 32767 ? 32767 : v);
  }
}

}  // namespace

void Resampler::Run(const int16_t* in, int64_t inLength, int16_t* out, int64_t outLength) const {
  static const bool avx2 = __builtin_cpu_supports("avx2");
  if (padded_ > 0 && avx2)
    FilterPairs(narrow_.data(), padded_, weights_.data(), groups_, A_, B_, h_, in, inLength, out,
                outLength);
  else if (fitsInt32_ && avx2)
    FilterAvx2(weights_.data(), groups_, A_, B_, h_, in, inLength, out, outLength);
  else if (fitsInt32_)
    FilterPlain<int32_t>(weights_.data(), groups_, A_, B_, h_, in, inLength, out, outLength);
  else
    FilterPlain<int64_t>(weights_.data(), groups_, A_, B_, h_, in, inLength, out, outLength);
}

}  // namespace resona
