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

// Converting an extended result to a sample. The value is clipped while still extended, then
// stored as an integer: rounded to nearest with halves to even (the processor's rounding), or
// truncated. Clipping first gives the same sample as clipping the integer, and keeps the
// integer out of the general registers on the way, which matters in the effects' loops.

// Not a number (a filter driven unstable) gives silence.
inline long double ClippedValue(long double x, long double low, long double high) {
  if (!(x == x)) return 0;
  return x > high ? high : x < low ? low : x;
}

#if defined(__x86_64__) || defined(__i386__)
inline void StoreRounded(long double x, int32_t* to) {
  __asm__("fistpl %0" : "=m"(*to) : "t"(x) : "st");
}
inline int32_t StoreRounded(long double x) {
  int32_t r;
  StoreRounded(x, &r);
  return r;
}
// The truncating store of SSE3 processors (every x86-64 processor since 2005, but not part of
// the baseline), looked up once.
inline const bool kHaveTruncatingStore = (__builtin_cpu_init(), __builtin_cpu_supports("sse3"));
// Without it: the nearest integer, stepped back towards zero when it lies beyond x.
inline int32_t TruncatedViaNearest(long double x) {
  const int32_t r = StoreRounded(x);
  return r - int32_t((x >= 0) & ((long double)r > x)) + int32_t((x < 0) & ((long double)r < x));
}
inline int32_t StoreTruncated(long double x) {
  if (kHaveTruncatingStore) {
    int32_t t;
    __asm__("fisttpl %0" : "=m"(t) : "t"(x) : "st");
    return t;
  }
  return TruncatedViaNearest(x);
}
#else
inline int32_t StoreRounded(long double x) { return int32_t(std::lrint(x)); }
inline void StoreRounded(long double x, int32_t* to) { *to = StoreRounded(x); }
inline int32_t StoreTruncated(long double x) { return int32_t(x); }
inline int32_t TruncatedViaNearest(long double x) { return int32_t(x); }
#endif

// Round(o) clipped to the limits.
inline int32_t RoundClipped(long double o, SampleLimits limits) {
  return StoreRounded(ClippedValue(o, limits.low, limits.high));
}
// The same, stored straight into the sample.
inline void StoreRoundClipped(long double o, SampleLimits limits, int32_t* sample) {
  StoreRounded(ClippedValue(o, limits.low, limits.high), sample);
}

// x above the high limit gives it, below the low limit gives that, otherwise Trunc(x).
inline int32_t TruncClipped(long double x, SampleLimits limits) {
  return StoreTruncated(ClippedValue(x, limits.low, limits.high));
}

// The 8-bit rule of Fade and Ring: x = centred × factor + 128 taken to 0..255 and truncated;
// returned centred again. Truncating after the offset floors the centred product.
inline int32_t TruncClippedOffset8(long double centredProduct) {
  return StoreTruncated(ClippedValue(centredProduct + 128.0L, 0, 255)) - 128;
}

// Trunc(x) of a value known to lie within the sample limits.
inline int32_t Truncated(long double x) { return StoreTruncated(x); }

}  // namespace tonemill
