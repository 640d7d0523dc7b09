// The true-peak meter against the plain definition, bit for bit, and on signals of known peak.
#include "tonemill/wave/truepeak.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <random>

namespace {

namespace tp = tonemill::truepeak;

// The definition as written: the signal silent around its samples, every output of every phase
// the oversampling uses summed over its twelve taps in order, and the samples themselves.
float ReferencePeak(const std::vector<double>& interleaved, int channels, int rate) {
  const int factor = tp::Oversampling(rate);
  const int frames = int(interleaved.size()) / channels;
  float peak = 0;
  auto larger = [&peak](float v) { peak = std::fabs(v) > peak ? std::fabs(v) : peak; };
  for (int c = 0; c < channels; ++c) {
    auto x = [&](int n) { return n < 0 || n >= frames ? 0.0f : float(interleaved[size_t(n * channels + c)]); };
    for (int n = 0; n < frames; ++n) larger(x(n));
    if (factor == 1) continue;
    for (int n = 0; n < frames + tp::kTaps - 1; ++n)
      for (int p = 0; p < tp::kPhases; p += tp::kPhases / factor) {
        float y = tp::kCoefficients[p][0] * x(n);
        for (int j = 1; j < tp::kTaps; ++j) y = y + tp::kCoefficients[p][j] * x(n - j);
        larger(y);
      }
  }
  return peak;
}

uint32_t Bits(double value) {
  const float f = float(value);
  uint32_t bits;
  std::memcpy(&bits, &f, 4);
  return bits;
}

TEST(TruePeak, KernelsEqualTheDefinitionBitForBit) {
  const struct {
    int channels, rate, frames;
    std::vector<int> blocks;  // the sizes fed in turn, the last repeated
  } rows[] = {
      {1, 44100, 5, {5}},                 // shorter than the filter
      {2, 48000, 20000, {20000}},         // longer than the meter's line
      {2, 48000, 9001, {1, 7, 4099, 3}},  // history carried across odd blocks
      {1, 96000, 3000, {16, 17}},
      {2, 176400, 10000, {4096}},
      {2, 192000, 1000, {333}},  // the sample peak alone
      {1, 8000, 0, {1}},
  };
  std::vector<tp::Kernel> kernels{tp::PortableKernel};
  if (tp::HaveAvx2()) kernels.push_back(tp::Avx2Kernel);
  std::mt19937 random(21);
  std::uniform_real_distribution<double> level(-1.0, 1.0);
  for (const auto& row : rows) {
    std::vector<double> signal(size_t(row.frames * row.channels));
    for (double& s : signal) s = level(random);
    // An isolated spike, whose ringing must be found wherever it lands in a block, and a NaN
    // (a float file may hold one), which never wins.
    if (row.frames > 100) {
      signal[size_t(row.frames / 2 * row.channels)] = 1.5;
      signal[size_t(row.frames / 3 * row.channels)] = NAN;
    }
    const uint32_t expected = Bits(ReferencePeak(signal, row.channels, row.rate));
    for (tp::Kernel kernel : kernels) {
      SCOPED_TRACE(testing::Message() << row.channels << " ch, " << row.rate << " Hz, "
                                      << row.frames << " frames, kernel " << (kernel == tp::Avx2Kernel ? "avx2" : "portable"));
      tonemill::TruePeakMeter meter(row.channels, row.rate, kernel);
      size_t at = 0;
      for (size_t b = 0; at < size_t(row.frames); ++b) {
        const size_t take = std::min(size_t(row.blocks[std::min(b, row.blocks.size() - 1)]), size_t(row.frames) - at);
        meter.Add(signal.data() + at * size_t(row.channels), take);
        at += take;
      }
      EXPECT_EQ(Bits(meter.Finish()), expected);
    }
  }
}

TEST(TruePeak, FindsThePeaksBetweenSamples) {
  // At fs/4 with a 45 degree phase every sample is at 0.707 of the peak (-3.01 dB); the
  // interpolated values find it, a little high, as this filter's gain there is (+0.05 dB).
  // At 192 kHz nothing is interpolated and the sample peak stays. Faded in and out, so that the
  // ringing of an abrupt start or end (real, and measured) stays out of these figures.
  const struct {
    int rate;
    double frequencyRatio, phaseDegrees, expectedDb, tolerance;
  } rows[] = {
      {48000, 0.25, 45, 0.045, 0.01},
      {96000, 0.25, 45, 0.045, 0.01},
      {192000, 0.25, 45, -3.01, 0.01},
      {44100, 1000.0 / 44100, 0, 0, 0.05},
      {48000, 0.0, 90, 0.01, 0.01},  // full-scale direct current: the filter's gain at 0 Hz
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.rate);
    std::vector<double> signal(48000);
    for (size_t i = 0; i < signal.size(); ++i)
      signal[i] = std::sin(2 * M_PI * row.frequencyRatio * double(i) + row.phaseDegrees * M_PI / 180);
    for (size_t i = 0; i < 2000; ++i) {
      const double fade = 0.5 - 0.5 * std::cos(M_PI * double(i) / 2000);
      signal[i] *= fade;
      signal[signal.size() - 1 - i] *= fade;
    }
    tonemill::TruePeakMeter meter(1, row.rate);
    meter.Add(signal.data(), signal.size());
    EXPECT_NEAR(20 * std::log10(meter.Finish()), row.expectedDb, row.tolerance);
  }
}

}  // namespace
