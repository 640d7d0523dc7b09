// The fast paths against their plain definitions: the filter sections' register-stack kernels
// and the inline conversions of extended results to samples.
#include "tonemill/wave/band.h"
#include "tonemill/wave/lohi.h"
#include "tonemill/wave/samples.h"
#include "tonemill/wave/section.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace tonemill {
namespace {

bool SameBits(long double a, long double b) { return std::memcmp(&a, &b, 10) == 0; }

SectionBlock BlockOver(const std::vector<int32_t>& in, std::vector<int32_t>& out) {
  out.assign(in.size() - 2, 0);
  return {in.data() + 2, out.data(), int64_t(out.size()), 0.25L, -1.5L};
}

// Runs the plain loop and the dispatching runs (kernels, or their fallback) over the same
// blocks from the same state, one channel alone and two side by side, and expects the same
// samples and state.
void ExpectSameBits(const SectionSettings& s, const std::vector<int32_t>& left,
                    const std::vector<int32_t>& right) {
  std::vector<int32_t> plainLeft, plainRight, alone, pairLeft, pairRight;
  SectionBlock pl = BlockOver(left, plainLeft), pr = BlockOver(right, plainRight);
  SectionBlock one = BlockOver(left, alone), l = BlockOver(left, pairLeft), r = BlockOver(right, pairRight);
  sectiondetail::Plain(s, pl);
  sectiondetail::Plain(s, pr);
  RunSection(s, one);
  RunSections(s, l, r);
  const bool band = s.kind == SectionKind::Band;
  ASSERT_EQ(alone, plainLeft) << (band ? "band" : "low/high") << " amp " << s.amplification
                              << " complement " << s.complement << " t " << double(s.t);
  ASSERT_EQ(pairLeft, plainLeft) << "pair, " << (band ? "band" : "low/high") << " t " << double(s.t);
  ASSERT_EQ(pairRight, plainRight) << "pair, " << (band ? "band" : "low/high") << " t " << double(s.t);
  for (const SectionBlock* b : {&one, &l})
    EXPECT_TRUE(SameBits(b->y1, pl.y1) && SameBits(b->y2, pl.y2));
  EXPECT_TRUE(SameBits(r.y1, pr.y1) && SameBits(r.y2, pr.y2));
}

std::vector<int32_t> RandomSamples(size_t n, uint32_t seed, int32_t divisor = 1) {
  std::mt19937 rng(seed);
  std::vector<int32_t> v(n);
  for (auto& x : v) x = (int32_t(rng() % 65536) - 32768) / divisor;
  return v;
}

TEST(SectionKernels, GiveTheBitsOfThePlainLoops) {
  if (!sectiondetail::HaveKernels()) GTEST_SKIP() << "no kernels on this processor";
  const std::vector<int32_t> input = RandomSamples(20002, 3), other = RandomSamples(20002, 4);
  const std::vector<int32_t> quiet = RandomSamples(20002, 3, 300), otherQuiet = RandomSamples(20002, 4, 300);
  for (const SampleLimits limits : {SampleLimits::For(false), SampleLimits::For(true)}) {
    for (double rate : {11025.0, 44100.0}) {
      // Cutoffs and widths from 0 through half the rate to beyond it (an unstable section).
      for (double f : {0.0, 1.0, 100.0, 1000.0, 5512.5, rate / 2, rate * 0.7}) {
        for (double amplification : {1.0, -1.0, 0.37, 100.0, 1e300}) {
          const LowHighDesign lh = DesignLowHigh(f, int32_t(rate));
          const BandDesign bd = DesignBand(rate / 4 + f / 3, f, int32_t(rate));
          for (bool complement : {false, true}) {
            const bool eight = limits.high == 127;
            const auto& left = eight ? quiet : input;
            const auto& right = eight ? otherQuiet : other;
            ExpectSameBits({SectionKind::LowHigh, lh.t, 2 * lh.t, lh.a1, lh.a2, amplification, complement, limits}, left, right);
            ExpectSameBits({SectionKind::Band, bd.t, 0, bd.a1, bd.a2, amplification, complement, limits}, left, right);
          }
        }
      }
    }
  }
}

// Blocks of odd length and across the kernels' chunks run in the kernels themselves; an output
// that is no integer in one channel late in a block sends the block back to the plain loop.
TEST(SectionKernels, RunEveryLengthAndFallBackLate) {
  if (!sectiondetail::HaveKernels()) GTEST_SKIP() << "no kernels on this processor";
  const LowHighDesign lh = DesignLowHigh(3000, 44100);
  const BandDesign bd = DesignBand(2000, 700, 44100);
  const SectionSettings designs[] = {{SectionKind::LowHigh, lh.t, 2 * lh.t, lh.a1, lh.a2, 1.5, true},
                                     {SectionKind::Band, bd.t, 0, bd.a1, bd.a2, -0.7, false}};
  for (const SectionSettings& s : designs) {
    for (size_t n : {1, 2, 3, 255, 256, 257, 511, 513, 1000}) {
      const std::vector<int32_t> left = RandomSamples(n + 2, uint32_t(n)), right = RandomSamples(n + 2, 7);
      std::vector<int32_t> plain, kernel, pairLeft, pairRight;
      SectionBlock p = BlockOver(left, plain), k = BlockOver(left, kernel);
      SectionBlock l = BlockOver(left, pairLeft), r = BlockOver(right, pairRight);
      sectiondetail::Plain(s, p);
      ASSERT_TRUE(sectiondetail::Kernel(s, k));
      ASSERT_TRUE(sectiondetail::Kernel(s, l, r));
      EXPECT_EQ(kernel, plain) << n;
      EXPECT_EQ(pairLeft, plain) << n;
      EXPECT_TRUE(SameBits(k.y1, p.y1) && SameBits(k.y2, p.y2) && SameBits(l.y1, p.y1)) << n;
    }
    // Quiet but for one loud sample in the third chunk, where amplification × y passes 2^63.
    SectionSettings loud = s;
    loud.amplification = 1e16;
    std::vector<int32_t> left = RandomSamples(1002, 9, 3000), right = left;
    right[600] = 30000;
    std::vector<int32_t> outLeft, outRight;
    SectionBlock l = BlockOver(left, outLeft), r = BlockOver(right, outRight);
    EXPECT_TRUE(sectiondetail::Kernel(loud, l));
    EXPECT_FALSE(sectiondetail::Kernel(loud, l, r));
    ExpectSameBits(loud, left, right);
  }
}

// The halves of a coefficient add up to it and keep its sign when the low one is zero.
TEST(SectionKernels, SplitCoefficientsExactly) {
  for (long double c : {1.0L / 3, -1.0L / 3, 1e-8L, -0x1p-20L, 0x1.fffffffffffffffep3L, 2.0L, -0.0L}) {
    const sectiondetail::ExactHalves h = sectiondetail::SplitForSamples(c);
    EXPECT_TRUE(SameBits((long double)h.high + h.low, c)) << double(c);
    EXPECT_EQ(std::signbit(h.low), std::signbit(c)) << double(c);
    if (c != 0) {  // a zero has no exponent to count the bits from
      EXPECT_EQ(std::fmod(std::ldexp(h.high, 31 - std::ilogb(c)), 1.0), 0.0) << "32 bits, " << double(c);
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
