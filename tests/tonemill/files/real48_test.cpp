#include "tonemill/files/real48.h"
#include "tonemill/render/songrender.h"

#include <gtest/gtest.h>

using tonemill::Real48;

namespace {

TEST(Real48, HasTheDocumentedBytes) {
  EXPECT_EQ(Real48::FromDouble(1.0).bytes, (std::array<uint8_t, 6>{0x81, 0, 0, 0, 0, 0}));
  // 99.0: the 32-bit word 135 followed by the 16-bit word 17920.
  EXPECT_EQ(Real48::FromDouble(99.0).bytes, (std::array<uint8_t, 6>{135, 0, 0, 0, 0x00, 0x46}));
  EXPECT_EQ(Real48::FromDouble(0.0).bytes, (std::array<uint8_t, 6>{}));
  EXPECT_EQ(Real48::FromDouble(-2.5).ToDouble(), -2.5);
}

TEST(Real48, KeepsFortySignificantBits) {
  for (double v : {0.1, 0.7, 1.0 / 3, 98.765432109, 1e-30, 12345.678}) {
    double back = Real48::FromDouble(v).ToDouble();
    EXPECT_NEAR(back, v, std::abs(v) * 0x1p-40) << v;
  }
  // Ties of the 40th bit round to even.
  EXPECT_EQ(Real48::FromDouble(1.0 + 0x1p-40).ToDouble(), 1.0);
  EXPECT_EQ(Real48::FromDouble(1.0 + 3 * 0x1p-40).ToDouble(), 1.0 + 0x1p-38);
}

TEST(GainFromVolume, RoundsHalvesToEven) {
  auto gain = [](double v) { return tonemill::GainFromVolume(Real48::FromDouble(v)); };
  EXPECT_EQ(gain(1.0), 256);
  EXPECT_EQ(gain(0.0), 0);
  EXPECT_EQ(gain(99.0), 25344);
  EXPECT_EQ(gain(0.5 / 256), 0);  // 0.5 -> 0
  EXPECT_EQ(gain(1.5 / 256), 2);  // 1.5 -> 2
  EXPECT_EQ(gain(2.5 / 256), 2);  // 2.5 -> 2
  EXPECT_EQ(gain(0.7), 179);      // 179.2
}

}  // namespace
