// Expand and Compress: a level-dependent gain driven by a moving average of each channel's
// magnitude, out = Round(amplification × s ÷ (average + 1)^p).
#pragma once

#include "rangeframe.h"

#include <cstdint>
#include <vector>

namespace tonemill {

// The moving average of the last N magnitudes. The slots are 64-bit, so that 2^31 (the
// magnitude of the most negative 32-bit sample) fits. While the ring is still filling the sum is divided by N all the
// same, so the average rises from 0.
class Tavrg {
 public:
  static constexpr int32_t kMaxItems = 4420;

  void Init(int32_t n);
  void Push(int64_t x) {
    sum_ = sum_ - items_[size_t(index_)] + x;
    items_[size_t(index_)] = x;
    if (++index_ == n_) index_ = 0;
  }
  // The sum is a whole number well within 64 bits, so the quotient is that of the exact sum.
  long double Average() const { return (long double)sum_ / n_; }
  int64_t Sum() const { return sum_; }
  int32_t N() const { return int32_t(n_); }

 private:
  std::vector<int64_t> items_;
  int64_t index_ = 0, n_ = 1;
  int64_t sum_ = 0;
};

struct EnhanceSettings {
  double amplification = 1;
  double exponent = 0;   // p: positive compresses, negative expands
  int32_t window = 1;    // N, the frames of the moving average (1..4420)
};

// One output sample: Round(amplification × s ÷ Exp(exponent × Ln(average + 1))) clipped to the
// limits, in extended precision.
int32_t EnhancedSample(int32_t s, long double average, const EnhanceSettings& settings,
                       SampleLimits limits);
// The same for a run of samples, each with the sum of its window of n magnitudes (the
// average being sum ÷ n), by a double-precision power, falling back to the definition wherever
// the power's error bound could reach a rounding boundary: the same results for every input.
// The samples are replaced by the results.
void EnhanceRun(int32_t* samples, const int64_t* sums, int32_t count, int32_t n,
                const EnhanceSettings& settings, SampleLimits limits);

RangeResult ExpandRange(const RangeRequest& request, const EnhanceSettings& settings,
                        Progress& progress);

}  // namespace tonemill
