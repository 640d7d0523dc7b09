// Samples as the WAV engines compute with them: a frame decoded into centred values (8-bit
// b - 128, 16-bit s), and the ways the effects turn a real result back into a sample.
//
// Parameters are doubles, the precision in which they are entered; every computation on samples
// runs in long double, the 80-bit extended format of x86-64, without rounding to double on the
// way. Outputs are bit-exact on that format.
#pragma once

#include "tonemill/files/wavprocessing.h"

#include <cmath>
#include <cstdint>

namespace tonemill {

// One frame: the left (or only) sample and the right one.
struct FrameValues {
  int32_t left = 0;
  int32_t right = 0;
};

constexpr int32_t kFrameBytes[] = {1, 2, 2, 4};  // by SampleLayout

template <SampleLayout L>
inline FrameValues DecodeFrame(const uint8_t* p) {
  FrameValues v;
  if constexpr (L == Mono8) {
    v.left = int32_t(p[0]) - 128;
  } else if constexpr (L == Mono16) {
    v.left = int16_t(uint16_t(p[0] | p[1] << 8));
  } else if constexpr (L == Stereo8) {
    v.left = int32_t(p[0]) - 128;
    v.right = int32_t(p[1]) - 128;
  } else {
    v.left = int16_t(uint16_t(p[0] | p[1] << 8));
    v.right = int16_t(uint16_t(p[2] | p[3] << 8));
  }
  return v;
}

// The values must lie within the layout's sample limits.
template <SampleLayout L>
inline void EncodeFrame(const FrameValues& v, uint8_t* p) {
  if constexpr (L == Mono8) {
    p[0] = uint8_t(v.left + 128);
  } else if constexpr (L == Mono16) {
    p[0] = uint8_t(v.left);
    p[1] = uint8_t(uint32_t(v.left) >> 8);
  } else if constexpr (L == Stereo8) {
    p[0] = uint8_t(v.left + 128);
    p[1] = uint8_t(v.right + 128);
  } else {
    p[0] = uint8_t(v.left);
    p[1] = uint8_t(uint32_t(v.left) >> 8);
    p[2] = uint8_t(v.right);
    p[3] = uint8_t(uint32_t(v.right) >> 8);
  }
}

// The limits of centred values: -128..127 for 8 bits, -32768..32767 for 16.
struct SampleLimits {
  int32_t low, high;
  static constexpr SampleLimits For(bool eightBit) {
    return eightBit ? SampleLimits{-128, 127} : SampleLimits{-32768, 32767};
  }
};

// Round(o) clipped to the limits; halves go to the even neighbour (the processor's rounding).
// A result that is not a number (a filter driven unstable) gives silence.
inline int32_t RoundClipped(long double o, SampleLimits limits) {
  if (!(o == o)) return 0;
  if (o >= limits.high) return limits.high;
  if (o <= limits.low) return limits.low;
  return int32_t(std::lrint(o));
}

// x above the high limit gives it, below the low limit gives that, otherwise Trunc(x).
inline int32_t TruncClipped(long double x, SampleLimits limits) {
  if (!(x == x)) return 0;
  if (x > limits.high) return limits.high;
  if (x < limits.low) return limits.low;
  return int32_t(x);
}

// The 8-bit rule of Fade and Ring: x = centred × factor + 128 taken to 0..255 and truncated;
// returned centred again. Truncating after the offset floors the centred product.
inline int32_t TruncClippedOffset8(long double centredProduct) {
  const long double x = centredProduct + 128.0L;
  if (!(x == x)) return 0;
  if (x > 255.0L) return 127;
  if (x < 0.0L) return -128;
  return int32_t(x) - 128;
}

}  // namespace tonemill
