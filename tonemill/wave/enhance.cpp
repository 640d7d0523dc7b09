#include "enhance.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace tonemill {

void Tavrg::Init(int32_t n) {
  n_ = std::clamp<int32_t>(n, 1, kMaxItems);
  items_.assign(size_t(n_), 0);
  index_ = 0;
  sum_ = 0;
}

int32_t EnhancedSample(int32_t s, long double average, const EnhanceSettings& settings,
                       SampleLimits limits) {
  const long double amplification = settings.amplification, exponent = settings.exponent;
  return RoundClipped(amplification * s / std::exp(exponent * std::log(average + 1)), limits);
}

namespace {

// ln and exp in double by tables and short series, for the arguments the effect meets
// (1 <= x <= 32769, |y| < 700): ln within 2^-48 absolutely (its last rounding, at most 2^-49
// for results up to 16, dominates), exp within 2^-51 relatively. The bound in
// EnhanceRun rests on these.
struct PowerTables {
  double lnCentre[257];   // ln(1 + i/256)
  double inverse[257];    // 1 / (1 + i/256)
  double exp2Step[256];   // 2^(j/256)
  PowerTables() {
    for (int i = 0; i <= 256; ++i) {
      lnCentre[i] = double(std::log(1.0L + i / 256.0L));
      inverse[i] = double(1.0L / (1.0L + i / 256.0L));
    }
    for (int j = 0; j < 256; ++j) exp2Step[j] = double(std::exp2(j / 256.0L));
  }
};
const PowerTables kTables;

constexpr double kLn2High = 0.693147180369123816490;     // ln 2 to 32 bits
constexpr double kLn2Low = 1.90821492927058770002e-10;  // the rest
constexpr double kRoundingShift = 6755399441055744.0;   // 1.5 × 2^52: rounds to whole numbers

inline double FastLn(double x) {
  uint64_t bits;
  std::memcpy(&bits, &x, 8);
  const int e = int(bits >> 52) - 1023;  // x >= 1: no sign, no subnormals
  const uint64_t mantissa = bits & ((uint64_t(1) << 52) - 1);
  const int i = int(mantissa >> 44);  // the top 8 bits
  const uint64_t mBits = mantissa | (uint64_t(1023) << 52);
  double m;  // 1 <= m < 2
  std::memcpy(&m, &mBits, 8);
  const double c = 1 + i * (1.0 / 256);
  const double u = (m - c) * kTables.inverse[i];  // 0 <= u < 2^-8
  // ln(1 + u) to five terms: the rest is below u^6 / 6 < 2^-50.
  const double series = u * (1 - u * (0.5 - u * (1.0 / 3 - u * (0.25 - u * 0.2))));
  return e * kLn2High + (e * kLn2Low + (kTables.lnCentre[i] + series));
}

inline double FastExp(double y) {
  // y = (k / 256) ln 2 + r with |r| <= ln 2 / 512; exp(r) to six terms.
  const double k = (y * (256 / 0.6931471805599453094172321) + kRoundingShift) - kRoundingShift;
  const double r = (y - k * (kLn2High / 256)) - k * (kLn2Low / 256);
  const double er = 1 + r * (1 + r * (0.5 + r * (1.0 / 6 + r * (1.0 / 24 + r * (1.0 / 120)))));
  const int64_t ki = int64_t(k);
  const int64_t whole = ki >> 8;  // floor(k / 256)
  const uint64_t scaleBits = uint64_t(whole + 1023) << 52;
  double scale;
  std::memcpy(&scale, &scaleBits, 8);
  return kTables.exp2Step[ki & 255] * er * scale;
}

// (average + 1)^-p as exp(-p ln(base)) in double. Relative to the definition: the base is off
// by 2^-51 (|p| × that through the power), ln by 2^-48 (|p| × that), the product p ln by one
// unit of at most 11 |p|, exp by 2^-51, the products by 2^-52 each; less than
// (|p| + 1/4) × 2^-47 in all. Sixteen times that and more keeps every result farther from a
// half than it is on the side that the definition rounds to.
inline bool FastPathHolds(double p) { return std::fabs(p) < 32; }

}  // namespace

void EnhanceRun(int32_t* samples, const int64_t* sums, int32_t count, int32_t n,
                const EnhanceSettings& settings, SampleLimits limits) {
  const double p = settings.exponent, amplification = settings.amplification;
  // The average is taken on the 16-bit scale whatever the width (a power of two divides it
  // exactly), so that a file gives the same gains at every width.
  const int64_t divisor = int64_t(n) * ScaledLevel(1, limits);
  if (!FastPathHolds(p)) {
    for (int32_t j = 0; j < count; ++j)
      samples[j] = EnhancedSample(samples[j], (long double)sums[j] / divisor, settings, limits);
    return;
  }
  // In short runs of separate passes, so that many samples' chains are in flight at once.
  const double inverseN = 1.0 / double(divisor);
  constexpr double kUnit = 1.0 / 140737488355328.0;  // 2^-47
  const double boundScale = (16 * std::fabs(p) + 8) * kUnit;
  const double low = limits.low, high = limits.high;
  constexpr int32_t kRun = 256;
  double values[kRun];
  for (int32_t start = 0; start < count; start += kRun) {
    const int32_t run = std::min(kRun, count - start);
    int32_t* chunk = samples + start;
    const int64_t* chunkSums = sums + start;
    for (int32_t j = 0; j < run; ++j) values[j] = -p * FastLn(double(chunkSums[j]) * inverseN + 1);
    for (int32_t j = 0; j < run; ++j) values[j] = amplification * double(chunk[j]) * FastExp(values[j]);
    // Round(v) clipped where v lies farther from a half than the bound (the nearest whole
    // number by the shift, which any rounding gives there); the definition elsewhere.
    for (int32_t j = 0; j < run; ++j) {
      const double v = values[j];
      const double nearest = (v + kRoundingShift) - kRoundingShift;
      if (std::fabs(v) < 1e9 && std::fabs(v - nearest) < 0.5 - std::fabs(v) * boundScale)
        chunk[j] = int32_t(std::min(std::max(nearest, low), high));
      else
        chunk[j] = EnhancedSample(chunk[j], (long double)chunkSums[j] / divisor, settings, limits);
    }
  }
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
    int64_t sums[256];
    for (int32_t start = 0; start < count; start += 256) {
      const int32_t run = std::min(256, count - start);
      for (int32_t j = 0; j < run; ++j) {
        average.Push(Magnitude(samples[start + j]));
        sums[j] = average.Sum();
      }
      EnhanceRun(samples + start, sums, run, average.N(), s_, info_.limits);
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
