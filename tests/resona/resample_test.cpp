#include "reference.h"
#include "resona/resample.h"
#include "resona/voice.h"

#include <gtest/gtest.h>

#include <random>

using namespace resona;

namespace {

std::vector<int16_t> ResampleFast(const ResampleKernel& k, const std::vector<int16_t>& in) {
  std::vector<int16_t> out(size_t(int64_t(in.size()) * k.A / k.B));
  Resampler(k).Run(in.data(), int64_t(in.size()), out.data(), int64_t(out.size()));
  return out;
}

// Signals that stress different parts: random, full-scale square waves (clamping), extremes.
std::vector<std::vector<int16_t>> Signals(size_t length, uint32_t seed) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> any(-32768, 32767);
  std::vector<int16_t> random(length), square(length), extremes(length);
  for (size_t i = 0; i < length; ++i) {
    random[i] = int16_t(any(rng));
    square[i] = (i / 3) % 2 ? int16_t(32767) : int16_t(-32768);
    extremes[i] = i % 2 ? int16_t(-32768) : int16_t(32767);
  }
  return {random, square, extremes};
}

void ExpectSameAsDefinition(int32_t A, int32_t B, size_t length) {
  ResampleKernel k = BuildKernel(A, B);
  for (const auto& signal : Signals(length, uint32_t(A * 1000 + B))) {
    ASSERT_EQ(ResampleFast(k, signal), reference::Resample(k, signal))
        << "ratio " << A << "/" << B << " (h = " << k.h << ")";
  }
}

TEST(Resample, FastEqualsDefinitionForEveryNoteRatio) {
  for (int d = -kMaxPitchDifference; d <= kMaxPitchDifference; ++d) {
    if (d == 0) continue;
    int32_t A, B;
    NoteRatio(d, A, B);
    // Long enough for every window position (interior and both edges) to occur.
    ExpectSameAsDefinition(A, B, size_t(200 + 3 * std::max(A, B)));
  }
}

TEST(Resample, FastEqualsDefinitionForSampleRateConversions) {
  for (int from : {8000, 11025, 22050, 32000, 44100, 48000})
    for (int to : {11025, 22050, 44100})
      if (from != to) ExpectSameAsDefinition(to, from, 1500);
}

TEST(Resample, FastEqualsDefinitionForIntegerKernels) {
  for (int32_t m : {2, 3, 4, 5, 8, 64, 127, 128, 1600, 4000}) {
    ExpectSameAsDefinition(1, m, size_t(3 * m + 50));
    if (m <= 128) ExpectSameAsDefinition(m, 1, 60);
  }
}

TEST(Resample, IntegerKernelsHaveTheirDefinedTaps) {
  ResampleKernel octaveUp = BuildKernel(1, 2);  // +12 semitones: sum 2/3
  EXPECT_EQ(octaveUp.taps, (std::vector<int32_t>{5461, 10922, 5461}));
  ResampleKernel twelfthUp = BuildKernel(1, 3);  // +19 semitones: sum 1
  EXPECT_EQ(twelfthUp.taps, (std::vector<int32_t>{10922, 10922, 10922}));
  EXPECT_EQ(BuildKernel(1, 4000).h, 768);
}

TEST(Resample, SincKernelIsNormalisedAndSymmetric) {
  ResampleKernel k = BuildKernel(128, 119);
  EXPECT_EQ(k.h, 768);
  int64_t sum = 0;
  for (size_t i = 0; i < k.taps.size(); ++i) {
    sum += k.taps[i];
    EXPECT_EQ(k.taps[i], k.taps[k.taps.size() - 1 - i]);
  }
  EXPECT_NEAR(double(sum), 32768.0, 800.0);
  EXPECT_LT(k.taps[size_t(k.h)], 32768);
}

TEST(NoteRatio, ReducesToSmallTerms) {
  auto ratio = [](int d) {
    int32_t A, B;
    NoteRatio(d, A, B);
    return std::make_pair(A, B);
  };
  EXPECT_EQ(ratio(0), std::make_pair(1, 1));
  EXPECT_EQ(ratio(1), std::make_pair(16, 17));
  EXPECT_EQ(ratio(-1), std::make_pair(128, 119));
  EXPECT_EQ(ratio(13), std::make_pair(15, 32));
  EXPECT_EQ(ratio(7), std::make_pair(2, 3));
  EXPECT_EQ(ratio(12), std::make_pair(1, 2));
  EXPECT_EQ(ratio(-12), std::make_pair(2, 1));
  EXPECT_EQ(ratio(84), std::make_pair(1, 128));
  EXPECT_EQ(ratio(-84), std::make_pair(128, 1));
  for (int d = -84; d <= 84; ++d) {
    auto [A, B] = ratio(d);
    EXPECT_GE(A, 1) << d;
    EXPECT_GE(B, 1) << d;
    EXPECT_LE(A, 128) << d;
    EXPECT_LE(B, 128) << d;
  }
}

}  // namespace
