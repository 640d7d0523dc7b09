// The fast paths against definitions of their own: the filter sections' register-stack kernels
// against the recursion written out below, and the inline conversions of extended results to
// samples against the library.
#include "tonemill/wave/band.h"
#include "tonemill/wave/enhance.h"
#include "tonemill/wave/lohi.h"
#include "tonemill/wave/ring.h"
#include "tonemill/wave/samples.h"
#include "tonemill/wave/section.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace tonemill {
namespace {

bool SameBits(long double a, long double b) { return std::memcmp(&a, &b, 10) == 0; }

// The filters as defined, one sample after the other in extended precision, each expression
// evaluated left to right:
//   low/high pass: y = t × (x + x2) + 2t × x1 − a1 × y1 − a2 × y2
//   band pass:     y = t × (x − x2) − a1 × y1 − a2 × y2
// then x2 = x1, x1 = x, y2 = y1, y1 = y. The output o is amplification × y, or amplification ×
// (x − y) for the high pass and the notch; the sample is Round(o) clipped to the limits, with
// halves to even, and silence where o is not a number (a section driven unstable).
struct Defined {
  std::vector<int32_t> out;
  long double y1, y2;
};

int32_t DefinedSample(long double o, SampleLimits limits) {
  if (std::isnan(o)) return 0;
  return int32_t(std::lrint(std::clamp<long double>(o, limits.low, limits.high)));
}

// `in` starts with the two inputs before the block (x2, then x1).
Defined Define(const SectionSettings& s, const std::vector<int32_t>& in, long double y1,
               long double y2) {
  Defined d;
  long double x2 = in[0], x1 = in[1];
  for (size_t i = 2; i < in.size(); ++i) {
    const long double x = in[i];
    const long double y = s.kind == SectionKind::LowHigh
                              ? s.t * (x + x2) + 2 * s.t * x1 - s.a1 * y1 - s.a2 * y2
                              : s.t * (x - x2) - s.a1 * y1 - s.a2 * y2;
    x2 = x1;
    x1 = x;
    y2 = y1;
    y1 = y;
    d.out.push_back(DefinedSample(s.amplification * (s.complement ? x - y : y), s.limits));
  }
  d.y1 = y1;
  d.y2 = y2;
  return d;
}

constexpr long double kFirstY1 = 0.25L, kFirstY2 = -1.5L;  // a state left by an earlier block

SectionBlock BlockOver(const std::vector<int32_t>& in, std::vector<int32_t>& out) {
  out.assign(in.size() - 2, 0);
  return {in.data() + 2, out.data(), int64_t(out.size()), kFirstY1, kFirstY2};
}

// The block gave the defined samples and left the defined state.
::testing::AssertionResult AsDefined(const SectionBlock& block, const std::vector<int32_t>& out,
                                     const Defined& d) {
  if (out != d.out) {
    const auto miss = std::mismatch(out.begin(), out.end(), d.out.begin());
    return ::testing::AssertionFailure()
           << "sample " << (miss.first - out.begin()) << " of " << out.size() << ": "
           << *miss.first << ", defined " << *miss.second;
  }
  if (!SameBits(block.y1, d.y1) || !SameBits(block.y2, d.y2))
    return ::testing::AssertionFailure() << "state " << double(block.y1) << ", " << double(block.y2)
                                         << ", defined " << double(d.y1) << ", " << double(d.y2);
  return ::testing::AssertionSuccess();
}

SectionSettings LowHighSection(const LowHighDesign& d, double amplification, bool complement,
                               SampleLimits limits = SampleLimits::For(false)) {
  return {SectionKind::LowHigh, d.t, 2 * d.t, d.a1, d.a2, amplification, complement, limits};
}
SectionSettings BandSection(const BandDesign& d, double amplification, bool complement,
                            SampleLimits limits = SampleLimits::For(false)) {
  return {SectionKind::Band, d.t, 0, d.a1, d.a2, amplification, complement, limits};
}

std::string Describe(const SectionSettings& s) {
  std::ostringstream o;
  o << (s.kind == SectionKind::Band ? "band" : "low/high") << " t " << double(s.t) << " amp "
    << s.amplification << " complement " << s.complement << " limit " << s.limits.high;
  return o.str();
}

// The runs the filters call (the kernels, or the plain loop they fall back to) over the same
// blocks from the same state, one channel alone and two side by side, give the defined samples
// and state.
void ExpectDefined(const SectionSettings& s, const std::vector<int32_t>& left,
                   const std::vector<int32_t>& right) {
  const Defined definedLeft = Define(s, left, kFirstY1, kFirstY2);
  const Defined definedRight = Define(s, right, kFirstY1, kFirstY2);
  std::vector<int32_t> alone, pairLeft, pairRight;
  SectionBlock one = BlockOver(left, alone), l = BlockOver(left, pairLeft),
               r = BlockOver(right, pairRight);
  RunSection(s, one);
  RunSections(s, l, r);
  ASSERT_TRUE(AsDefined(one, alone, definedLeft)) << "alone, " << Describe(s);
  ASSERT_TRUE(AsDefined(l, pairLeft, definedLeft)) << "pair left, " << Describe(s);
  ASSERT_TRUE(AsDefined(r, pairRight, definedRight)) << "pair right, " << Describe(s);
}

std::vector<int32_t> RandomSamples(size_t n, uint32_t seed, int32_t divisor = 1) {
  std::mt19937 rng(seed);
  std::vector<int32_t> v(n);
  for (auto& x : v) x = (int32_t(rng() % 65536) - 32768) / divisor;
  return v;
}

TEST(SectionKernels, GiveTheDefinedBits) {
  const std::vector<int32_t> input = RandomSamples(20002, 3), other = RandomSamples(20002, 4);
  const std::vector<int32_t> quiet = RandomSamples(20002, 3, 300), otherQuiet = RandomSamples(20002, 4, 300);
  for (const SampleLimits limits : {SampleLimits::For(false), SampleLimits::For(true)}) {
    const bool eight = limits.high == 127;
    const auto& left = eight ? quiet : input;
    const auto& right = eight ? otherQuiet : other;
    for (double rate : {11025.0, 44100.0}) {
      // Cutoffs and widths from 0 through half the rate to beyond it (an unstable section).
      for (double f : {0.0, 1.0, 100.0, 1000.0, 5512.5, rate / 2, rate * 0.7}) {
        const LowHighDesign lh = DesignLowHigh(f, int32_t(rate));
        const BandDesign bd = DesignBand(rate / 4 + f / 3, f, int32_t(rate));
        for (double amplification : {1.0, -1.0, 0.37, 100.0, 1e300}) {
          for (bool complement : {false, true}) {
            ExpectDefined(LowHighSection(lh, amplification, complement, limits), left, right);
            ExpectDefined(BandSection(bd, amplification, complement, limits), left, right);
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
  const SectionSettings sections[] = {LowHighSection(DesignLowHigh(3000, 44100), 1.5, true),
                                      BandSection(DesignBand(2000, 700, 44100), -0.7, false)};
  for (const SectionSettings& s : sections) {
    for (size_t n : {1, 2, 3, 255, 256, 257, 511, 513, 1000}) {
      const std::vector<int32_t> left = RandomSamples(n + 2, uint32_t(n)), right = RandomSamples(n + 2, 7);
      std::vector<int32_t> alone, pairLeft, pairRight;
      SectionBlock k = BlockOver(left, alone), l = BlockOver(left, pairLeft), r = BlockOver(right, pairRight);
      ASSERT_TRUE(sectiondetail::Kernel(s, k)) << n;
      ASSERT_TRUE(sectiondetail::Kernel(s, l, r)) << n;
      const Defined definedLeft = Define(s, left, kFirstY1, kFirstY2);
      EXPECT_TRUE(AsDefined(k, alone, definedLeft)) << n << " alone, " << Describe(s);
      EXPECT_TRUE(AsDefined(l, pairLeft, definedLeft)) << n << " pair left, " << Describe(s);
      EXPECT_TRUE(AsDefined(r, pairRight, Define(s, right, kFirstY1, kFirstY2)))
          << n << " pair right, " << Describe(s);
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
    ExpectDefined(loud, left, right);
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

// Expand and Compress as defined: Round(amp × s ÷ Exp(p × Ln(average + 1))) clipped, halves
// to even, the average being the window's integer sum over N.
int32_t DefinedEnhance(int32_t s, long double average, long double amp, long double p,
                       SampleLimits limits) {
  const long double o = amp * s / std::exp(p * std::log(average + 1));
  return int32_t(std::lrint(std::clamp<long double>(o, limits.low, limits.high)));
}

TEST(EnhanceKernel, GivesTheDefinedSampleOverTheWholeDomain) {
  // p = 0 with amplification 0.5 puts every odd sample on a half; the others are the
  // dialogs' defaults and beyond, both ways.
  const std::vector<std::pair<double, double>> settings = {
      {0.30, 5.0}, {-0.30, 0.05}, {0.0, 0.5}, {2.5, 3000.0}, {-1.7, 1e-6}, {0.999, 1.0}, {12.0, 1e30},
      {40.0, 1e100}};
  std::mt19937_64 rng(9);
  for (const auto& setting : settings) {
    const double p = setting.first, amp = setting.second;
    const EnhanceSettings e{amp, p, 1};
    // Every sample value with each sum, in one run, against the definition.
    auto check = [&](int64_t sum, int32_t n, int32_t low, int32_t high) {
      const SampleLimits limits{low, high};
      std::vector<int32_t> samples;
      for (int32_t s = low; s <= high; ++s) samples.push_back(s);
      const std::vector<int64_t> sums(samples.size(), sum);
      EnhanceRun(samples.data(), sums.data(), int32_t(samples.size()), n, e, limits);
      for (int32_t s = low; s <= high; ++s)
        ASSERT_EQ(samples[size_t(s - low)], DefinedEnhance(s, (long double)sum / n, amp, p, limits))
            << p << " " << amp << " " << sum << "/" << n << " " << s;
    };
    // 8 bits: every sum a window of 7 can hold; 16 bits: sums of a window of 4420 at the ends
    // and in between.
    for (int32_t sum = 0; sum <= 7 * 128; ++sum) check(sum, 7, -128, 127);
    std::vector<int64_t> sums = {0, 1, 4419, 4420, 4421, 4420LL * 32768, 4420LL * 32768 - 1};
    std::uniform_int_distribution<int64_t> any(0, 4420LL * 32768);
    while (sums.size() < 16) sums.push_back(any(rng));
    for (int64_t sum : sums) check(sum, 4420, -32768, 32767);
  }
}

// Ring as defined: the sine of the phase times the sample, truncated and clipped; 8-bit
// samples offset by 128 before the truncation.
int32_t DefinedRing(long double phase, int32_t s, bool eightBit) {
  const long double x = std::sin(phase) * s;
  if (eightBit) return int32_t(std::trunc(std::clamp<long double>(x + 128, 0, 255))) - 128;
  return int32_t(std::trunc(std::clamp<long double>(x, -32768, 32767)));
}

TEST(RingKernel, GivesTheDefinedSampleForEverySampleValue) {
  // Phases where the product lands on integers (a quarter turn, whole turns) or next to
  // them, the first frames and frames hours into a file, at several rates.
  std::vector<long double> phases = {0, kPi / 2, kPi, 3 * kPi / 2, 2 * kPi, 1000 * kPi,
                                     kPi / 6, 5 * kPi / 6, 1e8L, 9.99e8L, 1e9L, 3e9L};
  for (double rate : {1000.0, 1.0, 12345.6, 22050.0}) {
    const long double step = rate * 2 * kPi / 44100;
    for (int64_t k : {int64_t(1), int64_t(2), int64_t(3), int64_t(441), int64_t(44100),
                      int64_t(44100) * 3600, int64_t(7777777)})
      phases.push_back(step * k);
  }
  const SampleLimits word = SampleLimits::For(false), byte = SampleLimits::For(true);
  for (long double phase : phases) {
    for (int32_t s = -32768; s < 32768; ++s)
      ASSERT_EQ(RingSampleFast(RingWave::Sine, phase, s, false, word), DefinedRing(phase, s, false))
          << double(phase) << " " << s;
    for (int32_t s = -128; s < 128; ++s)
      ASSERT_EQ(RingSampleFast(RingWave::Sine, phase, s, true, byte), DefinedRing(phase, s, true))
          << double(phase) << " " << s;
  }
}

}  // namespace
}  // namespace tonemill
