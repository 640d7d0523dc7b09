#include "real48.h"

#include <cmath>

namespace tonemill {

Real48 Real48::FromDouble(double value) {
  Real48 r;
  if (value == 0 || std::isnan(value)) return r;
  const bool negative = value < 0;
  int exponent = 0;
  double fraction = std::frexp(std::fabs(value), &exponent);  // [0.5, 1)
  // 40 significant bits: the implicit 1 and the 39 stored ones.
  uint64_t mantissa = uint64_t(std::nearbyint(std::ldexp(fraction, 40)));
  if (mantissa == (uint64_t(1) << 40)) {
    mantissa >>= 1;
    ++exponent;
  }
  int biased = exponent + 128;  // value = 0.1xxx × 2^exponent = 1.xxx × 2^(biased - 129)
  if (biased <= 0) return r;
  if (biased > 255) {
    biased = 255;
    mantissa = (uint64_t(1) << 40) - 1;
  }
  mantissa &= (uint64_t(1) << 39) - 1;
  r.bytes[0] = uint8_t(biased);
  for (int i = 1; i < 6; ++i) r.bytes[size_t(i)] = uint8_t(mantissa >> (8 * (i - 1)));
  if (negative) r.bytes[5] |= 0x80;
  return r;
}

double Real48::ToDouble() const {
  if (bytes[0] == 0) return 0;
  uint64_t mantissa = 0;
  for (int i = 1; i < 6; ++i) mantissa |= uint64_t(bytes[size_t(i)]) << (8 * (i - 1));
  const bool negative = (mantissa >> 39) & 1;
  mantissa &= (uint64_t(1) << 39) - 1;
  double v = std::ldexp(double(mantissa | (uint64_t(1) << 39)), int(bytes[0]) - 129 - 39);
  return negative ? -v : v;
}

}  // namespace tonemill
