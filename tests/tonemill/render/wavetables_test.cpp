#include "tonemill/render/wavetables.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(WaveTables, HoldTruncatedCosineAndSineWithTheChosenRoundingAtExactPoints) {
  const tonemill::WaveTables t = tonemill::BuildWaveTables();
  EXPECT_EQ(t.cosine[0], 65536);
  EXPECT_EQ(t.sine[0], 0);
  EXPECT_EQ(t.sine[402], 65536);
  EXPECT_EQ(t.cosine[804], -65536);
  // cos of a sixth of a turn is 0.5 exactly; extended-precision evaluation lands on either side.
  EXPECT_EQ(t.cosine[268], 32768);
  EXPECT_EQ(t.cosine[536], -32767);
  EXPECT_EQ(t.cosine[1072], -32768);
  EXPECT_EQ(t.cosine[1340], 32768);
  for (int i = 0; i < tonemill::kWaveTableSize; ++i) {
    const double angle = 2 * M_PI * i / tonemill::kWaveTableSize;
    ASSERT_LE(std::abs(t.cosine[size_t(i)] - std::cos(angle) * 65536), 1.000001) << i;
    ASSERT_LE(std::abs(t.sine[size_t(i)] - std::sin(angle) * 65536), 1.000001) << i;
  }
}

}  // namespace
