// The true peak of a signal: the largest absolute value of the signal interpolated between its
// samples (and of the samples themselves), as a converter to analogue would reproduce it.
//
// The interpolator is the 48-tap polyphase FIR of four phases of 12 taps that the broadcast
// loudness recommendation publishes. Below 96 kHz every input sample yields four interpolated
// values (the four phases), below 192 kHz two (phases 0 and 2, evenly spaced half a sample
// apart), from 192 kHz on none: the true peak is then the sample peak. The signal is taken as
// silent before its first and after its last sample, so the filter's tail is measured too.
//
// The sums are in float, each output's twelve products added in tap order starting from the
// first, so the vector kernel and the portable one give the same bits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tonemill {

namespace truepeak {

constexpr int kTaps = 12;
constexpr int kPhases = 4;
// Phase p, tap j: the weight of x[n - j] in the p-th of the four values between x[n - 6] and
// x[n - 5].
extern const float kCoefficients[kPhases][kTaps];

// How many interpolated values each input sample yields at `rate`: 4, 2 or 1.
int Oversampling(int32_t rate);

// The largest absolute value of `peak`, of x[0..count) and of the interpolated values of the
// phases `phases[0..phaseCount)` for the outputs n in [0, count): sum over j of
// kCoefficients[p][j] * x[n - j]. x[-11..-1] must be readable (the history). A NaN never wins.
using Kernel = float (*)(const float* x, size_t count, const int* phases, int phaseCount,
                         float peak);
float PortableKernel(const float* x, size_t count, const int* phases, int phaseCount, float peak);
// Eight outputs at a time; only where the processor has AVX2.
float Avx2Kernel(const float* x, size_t count, const int* phases, int phaseCount, float peak);
bool HaveAvx2();

}  // namespace truepeak

// Fed interleaved blocks in order; memory does not grow with the length of the signal.
class TruePeakMeter {
 public:
  // `kernel` null: the fastest the processor runs.
  TruePeakMeter(int32_t channels, int32_t rate, truepeak::Kernel kernel = nullptr);

  void Add(const double* interleaved, size_t frames);
  // The largest of the channels, at full scale 1.0, the filter's tail included; 0 for silence.
  // Ends the measure: nothing is added after it.
  double Finish();

 private:
  static constexpr size_t kHistory = truepeak::kTaps - 1;
  void Run(size_t frames);

  int32_t channels_;
  truepeak::Kernel kernel_;
  int phases_[truepeak::kPhases] = {};
  int phaseCount_ = 0;
  // Per channel: the last kHistory samples of the previous block, then the block's.
  std::vector<std::vector<float>> lines_;
  std::vector<float> peaks_;
  bool finished_ = false;
};

}  // namespace tonemill
