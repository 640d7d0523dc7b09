#include "resona/mix.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <algorithm>
#include <random>

using namespace resona;

namespace {

// Every implementation the machine the tests run on has (the portable one everywhere), of the
// contribution at the sample scale and of the wide one.
template <class V>
void ExpectFastEqualsDefinition(const std::vector<V>& values, float ls, float slope, int64_t m0) {
  using Kernel = void (*)(const V*, int32_t, float, float, int64_t, int32_t*);
  struct Implementation {
    const char* name;
    bool present;
    Kernel kernel[2];  // at the sample scale, wide
  };
  using namespace mixdetail;
  const Implementation implementations[] = {
      {"portable", true, {RampProductsPortable<false, V>, RampProductsPortable<true, V>}},
      {"avx2", HaveAvx2(), {RampProductsAvx2<false, V>, RampProductsAvx2<true, V>}},
      {"avx512", HaveAvx512(), {RampProductsAvx512<false, V>, RampProductsAvx512<true, V>}}};
  const int32_t n = int32_t(values.size());
  for (bool wide : {false, true})
    for (const Implementation& i : implementations) {
      if (!i.present) continue;
      std::vector<int32_t> fast(values.size());
      i.kernel[wide](values.data(), n, ls, slope, m0, fast.data());
      for (size_t j = 0; j < values.size(); ++j) {
        const int64_t m = m0 + int64_t(j);
        ASSERT_EQ(fast[j], wide ? WideRampProduct(values[j], ls, slope, m)
                                : RampProduct(values[j], ls, slope, m))
            << (wide ? "wide " : "") << i.name << ": value " << values[j] << " level " << ls
            << " slope " << slope << " m " << m;
      }
    }
}

TEST(RampProducts, FastEqualsExtendedPrecisionOnRandomRamps) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> sample(-32768, 32767);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  std::uniform_int_distribution<int> exponent(-30, 8);
  for (int round = 0; round < 400; ++round) {
    std::vector<int16_t> values(3000);
    for (auto& v : values) v = int16_t(sample(rng));
    float ls = std::ldexp(unit(rng), exponent(rng)) * (round % 5 == 0 ? -1.0f : 1.0f);
    float slope = std::ldexp(unit(rng) - 0.5f, exponent(rng) - 16);
    ExpectFastEqualsDefinition(values, ls, slope, int64_t(rng() % 170000));
  }
}

// Levels with few mantissa bits make many products land exactly on or next to integers, where
// only the extended evaluation decides the truncation.
TEST(RampProducts, FastEqualsExtendedPrecisionNearIntegers) {
  std::mt19937 rng(11);
  std::vector<int16_t> values(5000);
  for (size_t i = 0; i < values.size(); ++i) values[i] = int16_t(int(i) - 2500);
  const float levels[] = {1.0f, 0.5f, 0.75f, 3.0f, 127.0f, 0.1f, 1.0f / 3.0f, 0.984375f};
  // Slopes far below the level's last bit make levels that double precision rounds back onto
  // the level itself while extended precision keeps them just off it: 3 × (1 − 2^-60) truncates
  // to 2, not 3.
  const float slopes[] = {0.0f,          1e-7f,           -1e-7f,         0x1p-20f,
                          -0x1p-24f,     0x1.000002p-17f, 3.0517578e-05f, -1.0f / 44100,
                          1.0f / 88200,  -0x1p-60f,       0x1p-60f,       -0x1.8p-58f};
  for (float ls : levels)
    for (float slope : slopes)
      for (int64_t m0 : {int64_t(0), int64_t(1), int64_t(88199), int64_t(176399)})
        ExpectFastEqualsDefinition(values, ls, slope, m0);
  // Products just above and below integers: value × level = k ± tiny.
  std::vector<int32_t> odd;
  for (int32_t v = 1; v < 40000; v += 7) odd.push_back(v);
  for (int i = 0; i < 200; ++i) {
    float ls = std::nextafter(float(rng() % 1000) / 64.0f, i % 2 ? 2.0f : 0.0f);
    ExpectFastEqualsDefinition(odd, ls, 0.0f, 0);
    ExpectFastEqualsDefinition(odd, ls, std::nextafter(0.0f, 1.0f), 5);
  }
}

TEST(RampProducts, TruncatesTheExtendedProductWhereDoubleWouldRoundOntoAnInteger) {
  std::vector<int16_t> three(9, 3);
  std::vector<int32_t> out(9);
  RampProducts(three.data(), 9, 1.0f, -0x1p-60f, 1, out.data());
  EXPECT_EQ(out, std::vector<int32_t>(9, 2));
}

TEST(RampProducts, ExtremeAndNonFiniteLevelsSaturateOrVanish) {
  std::vector<int32_t> values = {0, 1, -1, 32767, -32768, 100000, -100000, INT32_MAX, INT32_MIN};
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  for (float ls : {0.0f, 1e30f, -1e30f, 3.4e38f, inf, -inf, nan})
    for (float slope : {0.0f, 1e30f, -1e-30f, inf, nan})
      ExpectFastEqualsDefinition(values, ls, slope, 3);
  EXPECT_EQ(RampProduct(1, inf, 0, 0), 1048576);
  EXPECT_EQ(RampProduct(-1, inf, 0, 0), -1048576);
  EXPECT_EQ(RampProduct(0, inf, 0, 0), 0);  // 0 × ∞ is NaN: nothing is added
  EXPECT_EQ(RampProduct(5, nan, 0, 0), 0);
}

// The one-pass mix of 16-bit blocks against the two steps it stands for, on random runs that
// start and end anywhere in the block (and cover none of it), loud enough to saturate.
template <class V>
void ExpectMixRampsEqualsTwoSteps(std::mt19937& rng, int channels) {
  std::uniform_int_distribution<int> sample(-32768, 32767);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  std::uniform_int_distribution<int> exponent(-12, 4);
  for (int round = 0; round < 300; ++round) {
    const int32_t frames = int32_t(rng() % 3000) + 1;
    const int32_t first = int32_t(rng() % uint32_t(frames)), last = first + int32_t(rng() % uint32_t(frames - first + 1));
    std::vector<V> values[2];
    RampRun<V> runs[2];
    for (int c = 0; c < channels; ++c) {
      values[c].resize(size_t(frames));
      for (auto& v : values[c]) v = V(round % 7 == 0 ? sample(rng) * 3 : sample(rng));
      const int32_t lo = int32_t(rng() % uint32_t(frames + 1));
      // Levels with few mantissa bits put products on and next to integers.
      const float level = round % 4 == 0 ? float(rng() % 64) / 32.0f : std::ldexp(unit(rng), exponent(rng));
      const float slope = round % 3 == 0 ? 0.0f : std::ldexp(unit(rng) - 0.5f, exponent(rng) - 14);
      runs[c] = {values[c].data(), level, slope, lo, lo + int32_t(rng() % uint32_t(frames - lo + 1))};
    }
    std::vector<int16_t> block(size_t(frames * channels));
    for (auto& s : block) s = int16_t(sample(rng));
    std::vector<int16_t> expected = block;
    std::vector<int32_t> contributions[2];
    for (int c = 0; c < channels; ++c) {
      contributions[c].assign(size_t(frames), 0);
      const RampRun<V>& r = runs[c];
      const int32_t lo = std::clamp(r.lo, first, last), hi = std::clamp(r.hi, lo, last);
      for (int32_t j = lo; j < hi; ++j) contributions[c][size_t(j)] = RampProduct(r.values[j], r.level, r.slope, j);
    }
    mixdetail::AddSaturatingPortable(expected.data() + first * channels, channels,
                                     contributions[0].data() + first,
                                     channels == 2 ? contributions[1].data() + first : nullptr, last - first);
    if (!MixRamps(block.data(), channels, runs, first, last)) return;  // no such pass here
    ASSERT_EQ(block, expected) << round << ": " << channels << " channels, frames " << first << "-" << last;
  }
}

TEST(MixRamps, EqualsTheProductsThenTheSaturatingAdds) {
  std::mt19937 rng(5);
  for (int channels : {1, 2}) {
    ExpectMixRampsEqualsTwoSteps<int16_t>(rng, channels);
    ExpectMixRampsEqualsTwoSteps<int32_t>(rng, channels);
  }
  // 3 × (1 − j × 2^-60) truncates to 2 past the first frame, where double precision says 3.
  std::vector<int16_t> threes(16, 3), mixed(16, 0);
  const RampRun<int16_t> shallow[1] = {{threes.data(), 1.0f, -0x1p-60f, 0, 16}};
  if (MixRamps(mixed.data(), 1, shallow, 0, 16)) {
    std::vector<int16_t> expected(16, 2);
    expected[0] = 3;
    EXPECT_EQ(mixed, expected);
  }
  std::vector<int16_t> block(16, 100);
  std::vector<int16_t> values(8, 1);
  RampRun<int16_t> nan[1] = {{values.data(), std::nanf(""), 0, 0, 8}};
  EXPECT_FALSE(MixRamps(block.data(), 1, nan, 0, 8));  // left to the two steps
}

TEST(AddSaturating, ClampsInsteadOfWrappingInEveryLayout) {
  std::mt19937 rng(3);
  std::uniform_int_distribution<int> sample(-32768, 32767), contribution(-70000, 70000);
  for (int channels : {1, 2}) {
    for (int32_t count : {0, 1, 7, 8, 15, 16, 17, 31, 32, 33, 100, 1001}) {
      std::vector<int16_t> frames(size_t(count * channels));
      std::vector<int32_t> left(static_cast<size_t>(count)), right(static_cast<size_t>(count));
      for (auto& s : frames) s = int16_t(sample(rng));
      for (auto& c : left) c = contribution(rng);
      for (auto& c : right) c = contribution(rng);
      std::vector<int16_t> expected = frames;
      for (int32_t j = 0; j < count; ++j)
        for (int c = 0; c < channels; ++c) {
          int32_t s = expected[size_t(j * channels + c)] + (c ? right : left)[size_t(j)];
          expected[size_t(j * channels + c)] = int16_t(std::clamp(s, -32768, 32767));
        }
      std::vector<int16_t> portable = frames;
      mixdetail::AddSaturatingPortable(portable.data(), channels, left.data(), right.data(), count);
      EXPECT_EQ(portable, expected);
      for (auto [present, add] : {std::pair{mixdetail::HaveAvx2(), &mixdetail::AddSaturatingAvx2},
                                  std::pair{mixdetail::HaveAvx512(),
                                            &mixdetail::AddSaturatingAvx512}}) {
        if (!present) continue;
        std::vector<int16_t> vector = frames;
        add(vector.data(), channels, left.data(), right.data(), count);
        EXPECT_EQ(vector, expected) << channels << " channels, " << count << " frames";
      }
    }
  }
  std::vector<uint8_t> s8 = {250, 10, 128, 0};
  std::vector<int32_t> l8 = {10, 100}, r8 = {-20, -300};
  AddSaturating(s8.data(), 2, l8.data(), r8.data(), 2);
  EXPECT_EQ(s8, (std::vector<uint8_t>{255, 0, 228, 0}));
  // 24 bits: packed little-endian samples, read with their sign and clamped at ±2^23.
  std::vector<uint8_t> s24 = {0xFF, 0xFF, 0x7F, 0x00, 0x00, 0x80, 0x01, 0x00, 0x00, 0xFF, 0xFF, 0xFF};
  std::vector<int32_t> l24 = {1, -1, 1 << 28, -3};
  mixdetail::AddSaturating24Portable(s24.data(), 1, l24.data(), nullptr, 4);
  EXPECT_EQ(s24, (std::vector<uint8_t>{0xFF, 0xFF, 0x7F, 0x00, 0x00, 0x80, 0xFF, 0xFF, 0x7F, 0xFC, 0xFF, 0xFF}));
  if (!mixdetail::HaveAvx2()) return;
  std::uniform_int_distribution<int> byte(0, 255), wide(-(1 << 24), 1 << 24);
  for (int channels : {1, 2})
    for (int32_t count : {0, 1, 2, 3, 5, 7, 8, 9, 33, 1001}) {
      std::vector<uint8_t> frames(size_t(3 * count * channels));
      std::vector<int32_t> left(size_t(count) + 1), right(size_t(count) + 1);
      for (auto& b : frames) b = uint8_t(byte(rng));
      for (auto& c : left) c = wide(rng);
      for (auto& c : right) c = wide(rng);
      std::vector<uint8_t> portable = frames, vector = frames;
      mixdetail::AddSaturating24Portable(portable.data(), channels, left.data(), right.data(), count);
      mixdetail::AddSaturating24Avx2(vector.data(), channels, left.data(), right.data(), count);
      EXPECT_EQ(vector, portable) << channels << " channels, " << count << " frames";
    }
}

}  // namespace
