// The 6-byte real in which volume factors travel between dialogs: one exponent byte with bias
// 129, a 39-bit mantissa with an implicit leading 1, the sign in the top bit of the last byte.
#pragma once

#include <array>
#include <cstdint>

namespace tonemill {

struct Real48 {
  std::array<uint8_t, 6> bytes{};

  // Rounds to the nearest representable value (ties to even); magnitudes beyond the format's
  // range saturate, those below it become 0.
  static Real48 FromDouble(double value);
  double ToDouble() const;
};

}  // namespace tonemill
