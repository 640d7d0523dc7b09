// Resampling of sample arrays to a length ratio A/B: each input sample is held for A steps of
// a fine grid, the grid is filtered with an FIR kernel in Q15 and every B-th step is taken.
#pragma once

#include <cstdint>
#include <vector>

namespace resona {

int64_t Gcd(int64_t a, int64_t b);

struct ResampleKernel {
  int32_t A = 1;  // reduced ratio
  int32_t B = 1;
  int32_t h = 0;              // half-width after dropping trailing zero taps
  std::vector<int32_t> taps;  // 2h + 1 taps, symmetric, Q15
};

// Builds the kernel for the ratio A/B (reduced here by their greatest common divisor).
ResampleKernel BuildKernel(int32_t A, int32_t B);

// Output length for an input of `inLength` frames: inLength × A / B (integer division).
inline int64_t ResampledLength(int64_t inLength, int32_t A, int32_t B) {
  return inLength * A / B;
}

// Filters one array. Produces exactly the samples of the definition (the sum over all taps of
// tap × held input, shifted right by 15 and clamped), but adds up the taps that fall on the same
// held input once per phase of the fine grid, so each output costs about (2h + 1) / A + 1
// multiply-adds instead of 2h + 1.
class Resampler {
 public:
  explicit Resampler(const ResampleKernel& kernel);
  void Run(const int16_t* in, int64_t inLength, int16_t* out, int64_t outLength) const;

 private:
  int32_t A_, B_, h_;
  int32_t groups_;                // weights per phase
  std::vector<int32_t> weights_;  // A × groups_
  bool fitsInt32_;                // |sum| < 2^31 for any input
  // The weights in 16 bits where they all fit, each phase's row padded with zeros to a
  // multiple of 16 (padded_ per row); empty otherwise.
  int32_t padded_ = 0;
  std::vector<int16_t> narrow_;
};

}  // namespace resona
