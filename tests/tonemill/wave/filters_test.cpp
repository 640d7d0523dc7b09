// Low/high pass, band pass/notch and ring modulation: their limiting cases exactly, their
// responses against what a second-order section must do.
#include "tonemill/wave/band.h"
#include "tonemill/wave/lohi.h"
#include "tonemill/wave/ring.h"
#include "wavetest.h"

#include <cmath>

namespace tonemill {
namespace {

using V = std::vector<int32_t>;
constexpr AudioFormat kMono44{44100, 16, 1};

RangeEngine LowHigh(double cutoff, double amp, bool low) {
  return [=](const RangeRequest& r, Progress& p) { return LowHighRange(r, {cutoff, amp, low}, p); };
}
RangeEngine Band(double center, double width, double amp, bool notch) {
  return [=](const RangeRequest& r, Progress& p) {
    return BandNotchRange(r, {center, width, amp, notch}, p);
  };
}
RangeEngine Ring(double rate, RingWave wave) {
  return [=](const RangeRequest& r, Progress& p) { return RingRange(r, {rate, wave}, p); };
}

V Noise(size_t n, int32_t amplitude, uint32_t seed = 1) {
  V v;
  for (size_t i = 0; i < n; ++i) {
    seed = seed * 1664525u + 1013904223u;
    v.push_back(int32_t(seed >> 8) % (2 * amplitude + 1) - amplitude);
  }
  return v;
}

V Sine(double frequency, double rate, size_t n, double amplitude) {
  V v;
  for (size_t i = 0; i < n; ++i)
    v.push_back(int32_t(std::lround(amplitude * std::sin(2 * M_PI * frequency * double(i) / rate))));
  return v;
}

// The largest magnitude over the second half, once the section has settled.
int32_t SettledPeak(const V& v) {
  int32_t peak = 0;
  for (size_t i = v.size() / 2; i < v.size(); ++i) peak = std::max(peak, std::abs(v[i]));
  return peak;
}

TEST(LowHigh, HalfTheRateIsTheIdentityAndItsComplementSilence) {
  const V in = Noise(5000, 20000);
  EXPECT_EQ(Processed(kMono16, in, LowHigh(5512.5, 1, true)), in);
  EXPECT_EQ(Processed(kMono16, in, LowHigh(5512.5, 1, false)), V(in.size(), 0));
  V inverted;
  for (int32_t s : in) inverted.push_back(-s);
  EXPECT_EQ(Processed(kMono16, in, LowHigh(5512.5, -1, true)), inverted);
  const V loud = Processed(kMono16, in, LowHigh(5512.5, 100, true));
  for (size_t i = 0; i < in.size(); ++i)  // clipped, never wrapped
    ASSERT_EQ(loud[i], std::clamp(in[i] * 100, -32768, 32767)) << i;
}

TEST(LowHigh, CutoffIsWhereTheGainFallsByThreeDecibels) {
  const V below = Sine(100, 44100, 20000, 10000), at = Sine(1000, 44100, 20000, 10000);
  EXPECT_NEAR(SettledPeak(Processed(kMono44, below, LowHigh(1000, 1, true))), 10000, 30);
  EXPECT_NEAR(SettledPeak(Processed(kMono44, at, LowHigh(1000, 1, true))), 7071, 30);
  // The high pass is the input minus the low pass: at the cutoff |1 - e^(-iπ/2)/√2| = √1.5,
  // a decade below it about the low pass's phase lag, √2 × 0.1.
  EXPECT_NEAR(SettledPeak(Processed(kMono44, at, LowHigh(1000, 1, false))), 12247, 30);
  EXPECT_NEAR(SettledPeak(Processed(kMono44, below, LowHigh(1000, 1, false))), 1414, 30);
  // A cutoff of 0 uses L = 10000: the high pass lets a step through and then follows it down.
  const V step = Processed(kMono16, V(4000, 1000), LowHigh(0, 1, false));
  EXPECT_EQ(step[0], 1000);
  EXPECT_LT(step.back(), 1000);
  EXPECT_EQ(Processed(kMono16, V(100, 1000), LowHigh(0, 1, true))[0], 0);
}

TEST(BandNotch, PassAndNotchSumToTheInput) {
  const V in = Noise(20000, 8000, 7);
  const V band = Processed(kStereo16, in, Band(3000, 1500, 1, false));
  const V notch = Processed(kStereo16, in, Band(3000, 1500, 1, true));
  for (size_t i = 0; i < in.size(); ++i) ASSERT_LE(std::abs(band[i] + notch[i] - in[i]), 1) << i;
  const V center = Sine(5000, 44100, 20000, 10000);
  EXPECT_NEAR(SettledPeak(Processed(kMono44, center, Band(5000, 1000, 1, false))), 10000, 30);
  EXPECT_LT(SettledPeak(Processed(kMono44, center, Band(5000, 1000, 1, true))), 30);
  EXPECT_LT(SettledPeak(Processed(kMono44, Sine(500, 44100, 20000, 10000), Band(5000, 1000, 1, false))), 1500);
}

TEST(Filters, OneChannelLeavesTheOtherAndEightBitsRecentre) {
  const V in = Noise(4000, 20000, 3);
  const V left = Processed(kStereo16, in, LowHigh(300, 1, true), 0, 1999, true, false);
  for (size_t i = 1; i < in.size(); i += 2) ASSERT_EQ(left[i], in[i]) << i;
  EXPECT_NE(left, in);
  V bytes;
  for (int32_t s : Noise(2000, 100, 5)) bytes.push_back(s + 128);
  EXPECT_EQ(Processed(kMono8, bytes, LowHigh(5512.5, 1, true)), bytes);
}

// Both channels of a stereo file run side by side: each gives what it gives alone, over more
// than one block of the frame and an odd number of frames.
TEST(Filters, BothChannelsAtOnceGiveWhatEachGivesAlone) {
  const V in = Noise(2 * 12345, 30000, 11);
  for (const RangeEngine& engine : {LowHigh(2000, 1, true), LowHigh(2000, 3, false),
                                    Band(1000, 200, 1, false), Band(1000, 200, -2, true)}) {
    const V both = Processed(kStereo16, in, engine);
    const V left = Processed(kStereo16, in, engine, 0, -1, true, false);
    const V right = Processed(kStereo16, in, engine, 0, -1, false, true);
    for (size_t i = 0; i < in.size(); ++i) ASSERT_EQ(both[i], i % 2 ? right[i] : left[i]) << i;
  }
}

TEST(Ring, WaveformsAndTheirLimitingRates) {
  const V in = {1000, -1000, 500, 7};
  EXPECT_EQ(Processed(kMono16, in, Ring(0, RingWave::Sine)), (V{0, 0, 0, 0}));
  EXPECT_EQ(Processed(kMono16, in, Ring(0, RingWave::Square)), in);
  // A quarter of the rate: sin(kπ/2) is 0, 1, 0, -1.
  EXPECT_EQ(Processed(kMono16, V(4, 1000), Ring(11025 / 4.0, RingWave::Sine)), (V{0, 1000, 0, -1000}));
  EXPECT_EQ(Processed(kMono16, V(4, 1000), Ring(11025 / 4.0, RingWave::Square)), (V{1000, 1000, 1000, -1000}));
  const struct {
    RingWave wave;
    long double phase, value;
  } cases[] = {
      {RingWave::Triangle, 0, -1},          {RingWave::Triangle, M_PI / 2, 0},
      {RingWave::Triangle, 3 * M_PI / 2, 0}, {RingWave::Saw, 0, -1},
      {RingWave::Saw, M_PI, -0.5},          {RingWave::Square, 3 * M_PI / 2, -1},
      {RingWave::Square, 2 * M_PI + 1, 1},
  };
  for (const auto& c : cases) EXPECT_NEAR(double(RingModulator(c.wave, c.phase)), double(c.value), 1e-8);
  // 8-bit floors the centred product: Saw at phase 0 halves nothing, -1 × (27 - 128) = 101.
  EXPECT_EQ(Processed(kMono8, {27, 255}, Ring(0, RingWave::Saw)), (V{229, 1}));
}

}  // namespace
}  // namespace tonemill
