#include "truepeak.h"

#include <immintrin.h>

#include <algorithm>

namespace tonemill {
namespace truepeak {

// Every weight is a multiple of 2^-13, so float holds them exactly.
const float kCoefficients[kPhases][kTaps] = {
    {0.0017089843750f, 0.0109863281250f, -0.0196533203125f, 0.0332031250000f, -0.0594482421875f,
     0.1373291015625f, 0.9721679687500f, -0.1022949218750f, 0.0476074218750f, -0.0266113281250f,
     0.0148925781250f, -0.0083007812500f},
    {-0.0291748046875f, 0.0292968750000f, -0.0517578125000f, 0.0891113281250f, -0.1665039062500f,
     0.4650878906250f, 0.7797851562500f, -0.2003173828125f, 0.1015625000000f, -0.0582275390625f,
     0.0330810546875f, -0.0189208984375f},
    {-0.0189208984375f, 0.0330810546875f, -0.0582275390625f, 0.1015625000000f, -0.2003173828125f,
     0.7797851562500f, 0.4650878906250f, -0.1665039062500f, 0.0891113281250f, -0.0517578125000f,
     0.0292968750000f, -0.0291748046875f},
    {-0.0083007812500f, 0.0148925781250f, -0.0266113281250f, 0.0476074218750f, -0.1022949218750f,
     0.9721679687500f, 0.1373291015625f, -0.0594482421875f, 0.0332031250000f, -0.0196533203125f,
     0.0109863281250f, 0.0017089843750f},
};

int Oversampling(int32_t rate) { return rate < 96000 ? 4 : rate < 192000 ? 2 : 1; }

namespace {

// The larger magnitude; a NaN value leaves the peak as it is.
inline float Larger(float value, float peak) {
  const float magnitude = value < 0 ? -value : value;
  return magnitude > peak ? magnitude : peak;
}

inline float Output(const float* x, const float* h) {
  float sum = h[0] * x[0];
  for (int j = 1; j < kTaps; ++j) sum = sum + h[j] * x[-j];
  return sum;
}

}  // namespace

float PortableKernel(const float* x, size_t count, const int* phases, int phaseCount, float peak) {
  for (size_t n = 0; n < count; ++n) {
    peak = Larger(x[n], peak);
    for (int p = 0; p < phaseCount; ++p) peak = Larger(Output(x + n, kCoefficients[phases[p]]), peak);
  }
  return peak;
}

namespace {

// max(|v|, peak): with the operands in this order a NaN in v yields peak, as Larger does.
__attribute__((target("avx2"))) inline __m256 LargerAvx2(__m256 v, __m256 peak) {
  return _mm256_max_ps(_mm256_andnot_ps(_mm256_set1_ps(-0.0f), v), peak);
}

// Eight outputs of the phases in `h` at x[0..8), with Output's operations in Output's order.
template <int Phases>
__attribute__((target("avx2"))) inline __m256 EightAvx2(const float* x, const float (*h)[kTaps],
                                                       __m256 peak) {
  const __m256 first = _mm256_loadu_ps(x);
  __m256 sums[Phases];
  // Unrolled whatever the optimisation level, so that the sums stay in registers.
#pragma GCC unroll 4
  for (int p = 0; p < Phases; ++p) sums[p] = _mm256_mul_ps(_mm256_set1_ps(h[p][0]), first);
#pragma GCC unroll 12
  for (int j = 1; j < kTaps; ++j) {
    const __m256 v = _mm256_loadu_ps(x - j);
#pragma GCC unroll 4
    for (int p = 0; p < Phases; ++p)
      sums[p] = _mm256_add_ps(sums[p], _mm256_mul_ps(_mm256_set1_ps(h[p][j]), v));
  }
  peak = LargerAvx2(first, peak);
#pragma GCC unroll 4
  for (int p = 0; p < Phases; ++p) peak = LargerAvx2(sums[p], peak);
  return peak;
}

template <int Phases>
__attribute__((target("avx2"))) size_t RunAvx2(const float* x, size_t count,
                                               const float (*h)[kTaps], float& peak) {
  __m256 a = _mm256_set1_ps(peak), b = a;
  size_t n = 0;
  // Two groups of eight side by side, so that their sums do not wait on each other.
  for (; n + 16 <= count; n += 16) {
    a = EightAvx2<Phases>(x + n, h, a);
    b = EightAvx2<Phases>(x + n + 8, h, b);
  }
  for (; n + 8 <= count; n += 8) a = EightAvx2<Phases>(x + n, h, a);
  alignas(32) float lanes[16];
  _mm256_store_ps(lanes, a);
  _mm256_store_ps(lanes + 8, b);
  for (float lane : lanes) peak = lane > peak ? lane : peak;
  return n;
}

}  // namespace

__attribute__((target("avx2"))) float Avx2Kernel(const float* x, size_t count, const int* phases,
                                                 int phaseCount, float peak) {
  float h[kPhases][kTaps];
  for (int p = 0; p < phaseCount; ++p) std::copy_n(kCoefficients[phases[p]], kTaps, h[p]);
  size_t done = 0;
  switch (phaseCount) {
    case 4: done = RunAvx2<4>(x, count, h, peak); break;
    case 2: done = RunAvx2<2>(x, count, h, peak); break;
    case 1: done = RunAvx2<1>(x, count, h, peak); break;
    default: break;  // the sample peak alone: the portable loop is as quick
  }
  return PortableKernel(x + done, count - done, phases, phaseCount, peak);
}

bool HaveAvx2() {
  static const bool have = __builtin_cpu_supports("avx2");
  return have;
}

}  // namespace truepeak

namespace {

constexpr size_t kLineFrames = 4096;

}  // namespace

TruePeakMeter::TruePeakMeter(int32_t channels, int32_t rate, truepeak::Kernel kernel)
    : channels_(std::max(channels, 1)),
      kernel_(kernel ? kernel : truepeak::HaveAvx2() ? truepeak::Avx2Kernel : truepeak::PortableKernel),
      lines_(size_t(channels_), std::vector<float>(kHistory + kLineFrames, 0.0f)),
      peaks_(size_t(channels_), 0.0f) {
  const int factor = truepeak::Oversampling(rate);
  for (int p = 0; p < truepeak::kPhases; p += truepeak::kPhases / factor) phases_[phaseCount_++] = p;
  if (factor == 1) phaseCount_ = 0;
}

void TruePeakMeter::Run(size_t frames) {
  for (size_t c = 0; c < lines_.size(); ++c) {
    float* line = lines_[c].data();
    peaks_[c] = kernel_(line + kHistory, frames, phases_, phaseCount_, peaks_[c]);
    std::copy(line + frames, line + frames + kHistory, line);
  }
}

void TruePeakMeter::Add(const double* interleaved, size_t frames) {
  if (finished_) return;
  const size_t channels = lines_.size();
  while (frames > 0) {
    const size_t take = std::min(frames, kLineFrames);
    for (size_t c = 0; c < channels; ++c) {
      float* line = lines_[c].data() + kHistory;
      const double* in = interleaved + c;
      for (size_t i = 0; i < take; ++i) line[i] = float(in[i * channels]);
    }
    Run(take);
    interleaved += take * channels;
    frames -= take;
  }
}

double TruePeakMeter::Finish() {
  if (!finished_) {
    // Silence after the end lets the interpolation run out past the last samples.
    for (auto& line : lines_) std::fill(line.begin() + kHistory, line.begin() + 2 * kHistory, 0.0f);
    Run(kHistory);
    finished_ = true;
  }
  return *std::max_element(peaks_.begin(), peaks_.end());
}

}  // namespace tonemill
