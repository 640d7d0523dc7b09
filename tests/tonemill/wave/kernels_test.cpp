// The fast paths against their plain definitions: the filter sections' register-stack kernels
// and the inline conversions of extended results to samples.
#include "tonemill/wave/band.h"
#include "tonemill/wave/lohi.h"
#include "tonemill/wave/samples.h"
#include "tonemill/wave/section.h"

#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace tonemill {
namespace {

struct Designed {
  long double t, twoT, a1, a2;
};

// Runs the plain loop and the dispatching run (kernel and clipping, or its fallback) over the
// same block from the same state and expects the same samples and state.
void ExpectSameBits(bool band, const Designed& d, double amplification, bool complement,
                    const std::vector<int32_t>& input, SampleLimits limits) {
  const int64_t n = int64_t(input.size()) - 2;
  std::vector<int32_t> plainOut(input.size() - 2), fastOut(input.size() - 2);
  std::vector<int64_t> rounded(input.size() - 2);
  SectionRun plain{input.data() + 2, plainOut.data(), rounded.data(), n, d.t, d.twoT, d.a1, d.a2,
                   0.25L, -1.5L, amplification, float(limits.low), float(limits.high), complement};
  SectionRun fast = plain;
  fast.out = fastOut.data();
  if (band) {
    sectiondetail::BandPlain(plain);
    RunBandSection(fast);
  } else {
    sectiondetail::LowHighPlain(plain);
    RunLowHighSection(fast);
  }
  ASSERT_EQ(fastOut, plainOut) << (band ? "band" : "low/high") << " amp " << amplification
                               << " complement " << complement << " t " << double(d.t);
  if (plain.y1 == plain.y1) {
    EXPECT_EQ(fast.y1, plain.y1);
  }
}

TEST(SectionKernels, GiveTheBitsOfThePlainLoops) {
  if (!sectiondetail::HaveKernels()) GTEST_SKIP() << "no kernels on this processor";
  std::mt19937 rng(3);
  std::vector<int32_t> input(20002);
  for (auto& v : input) v = int32_t(rng() % 65536) - 32768;
  std::vector<int32_t> quiet(input);
  for (auto& v : quiet) v /= 300;
  for (const SampleLimits limits : {SampleLimits::For(false), SampleLimits::For(true)}) {
    for (double rate : {11025.0, 44100.0}) {
      // Cutoffs and widths from 0 through half the rate to beyond it (an unstable section).
      for (double f : {0.0, 1.0, 100.0, 1000.0, 5512.5, rate / 2, rate * 0.7}) {
        for (double amplification : {1.0, -1.0, 0.37, 100.0, 1e300}) {
          const LowHighDesign lh = DesignLowHigh(f, int32_t(rate));
          const BandDesign bd = DesignBand(rate / 4 + f / 3, f, int32_t(rate));
          for (bool complement : {false, true}) {
            const auto& in = limits.high == 127 ? quiet : input;
            ExpectSameBits(false, {lh.t, 2 * lh.t, lh.a1, lh.a2}, amplification, complement, in, limits);
            ExpectSameBits(true, {bd.t, 0, bd.a1, bd.a2}, amplification, complement, in, limits);
          }
        }
      }
    }
  }
}

TEST(SampleConversions, AgreeWithTheLibrary) {
  std::mt19937_64 rng(5);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  std::vector<long double> values = {0.5L, 1.5L, 2.5L, -0.5L, -1.5L, -2.5L, 32767.5L, -32768.5L,
                                     127.4999999999999999L, -0.0L, 1e-30L, 3.0L - 0x1p-62L,
                                     -3.0L + 0x1p-62L, 1e300L, -1e300L};
  for (int i = 0; i < 200000; ++i) values.push_back((long double)unit(rng) * 40000 + unit(rng) * 1e-9L);
  const SampleLimits limits = SampleLimits::For(false);
  for (long double x : values) {
    const long double clipped = x > limits.high ? limits.high : x < limits.low ? limits.low : x;
    ASSERT_EQ(RoundClipped(x, limits), int32_t(std::lrint(clipped))) << double(x);
    ASSERT_EQ(TruncClipped(x, limits), int32_t(std::trunc(clipped))) << double(x);
    ASSERT_EQ(TruncatedViaNearest(clipped), int32_t(std::trunc(clipped))) << double(x);  // no SSE3
    const long double offset = x / 200 + 128;
    const long double byte = offset > 255 ? 255 : offset < 0 ? 0 : offset;
    ASSERT_EQ(TruncClippedOffset8(x / 200), int32_t(std::trunc(byte)) - 128) << double(x);
  }
  EXPECT_EQ(RoundClipped(std::nanl(""), limits), 0);
}

}  // namespace
}  // namespace tonemill
