// Samples as the WAV engines compute with them: a frame decoded into centred values (8-bit
// b - 128, 16, 24 and 32-bit s, floats taken to -1..1 and scaled by 2^31), and the ways the effects turn a real result back into a sample.
//
// Parameters are doubles, the precision in which they are entered; every computation on samples
// runs in long double, the 80-bit extended format of x86-64, without rounding to double on the
// way. Outputs are bit-exact on that format.
#pragma once

#include "tonemill/files/wavprocessing.h"

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace tonemill {

// One frame: the left (or only) sample and the right one.
struct FrameValues {
  int32_t left = 0;
  int32_t right = 0;
};

constexpr int32_t kFrameBytes[] = {1, 2, 2, 4, 3, 6, 4, 8, 4, 8, 8, 16};  // by SampleLayout

constexpr bool IsStereo(SampleLayout l) {
  return l == Stereo8 || l == Stereo16 || l == Stereo24 || l == Stereo32 || l == StereoFloat ||
         l == StereoDouble;
}

constexpr int32_t BitsOf(SampleLayout l) {
  return l == Mono8 || l == Stereo8     ? 8
         : l == Mono16 || l == Stereo16 ? 16
         : l == Mono24 || l == Stereo24 ? 24
                                        : 32;  // 32-bit integers, and floats as the engines carry them
}

// The layout of an encoding the engines process.
SampleLayout LayoutOf(const WaveEncoding& encoding);

namespace samples {

// Floats are taken to -1..1 and carried as 32-bit integers, full scale 2^31.
constexpr long double kFloatScale = 2147483648.0L;

inline int32_t FromFloat(long double x) {
  if (!(x == x)) return 0;
  x = x > 1 ? 1 : x < -1 ? -1 : x;
  const long double scaled = x * kFloatScale;
  return scaled >= 2147483647.0L ? INT32_MAX : int32_t(std::llrint(scaled));
}

template <SampleLayout L>
inline int32_t DecodeOne(const uint8_t* p) {
  if constexpr (L == Mono8 || L == Stereo8) {
    return int32_t(p[0]) - 128;
  } else if constexpr (L == Mono16 || L == Stereo16) {
    return int16_t(uint16_t(p[0] | p[1] << 8));
  } else if constexpr (L == Mono24 || L == Stereo24) {
    return int32_t(uint32_t(p[0]) << 8 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 24) >> 8;
  } else if constexpr (L == Mono32 || L == Stereo32) {
    return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
  } else if constexpr (L == MonoFloat || L == StereoFloat) {
    float f;
    std::memcpy(&f, p, 4);
    return FromFloat(f);
  } else {
    double d;
    std::memcpy(&d, p, 8);
    return FromFloat(d);
  }
}

template <SampleLayout L>
inline void EncodeOne(int32_t v, uint8_t* p) {
  if constexpr (L == Mono8 || L == Stereo8) {
    p[0] = uint8_t(v + 128);
  } else if constexpr (L == Mono16 || L == Stereo16) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(uint32_t(v) >> 8);
  } else if constexpr (L == Mono24 || L == Stereo24 || L == Mono32 || L == Stereo32) {
    constexpr int bytes = L == Mono24 || L == Stereo24 ? 3 : 4;
    for (int i = 0; i < bytes; ++i) p[i] = uint8_t(uint32_t(v) >> (8 * i));
  } else if constexpr (L == MonoFloat || L == StereoFloat) {
    const float f = float((long double)v / kFloatScale);
    std::memcpy(p, &f, 4);
  } else {
    const double d = double((long double)v / kFloatScale);
    std::memcpy(p, &d, 8);
  }
}

}  // namespace samples

template <SampleLayout L>
inline FrameValues DecodeFrame(const uint8_t* p) {
  FrameValues v;
  v.left = samples::DecodeOne<L>(p);
  if constexpr (IsStereo(L)) v.right = samples::DecodeOne<L>(p + kFrameBytes[L] / 2);
  return v;
}

// The values must lie within the layout's sample limits.
template <SampleLayout L>
inline void EncodeFrame(const FrameValues& v, uint8_t* p) {
  samples::EncodeOne<L>(v.left, p);
  if constexpr (IsStereo(L)) samples::EncodeOne<L>(v.right, p + kFrameBytes[L] / 2);
}

// The limits of centred values: -128..127 for 8 bits, -32768..32767 for 16, -2^23..2^23-1 for
// 24, and the whole 32-bit range for 32-bit integers and floats.
struct SampleLimits {
  int32_t low, high;
  static constexpr SampleLimits For(bool eightBit) {
    return eightBit ? SampleLimits{-128, 127} : SampleLimits{-32768, 32767};
  }
  static constexpr SampleLimits ForBits(int32_t bits) {
    return bits == 8    ? SampleLimits{-128, 127}
           : bits == 24 ? SampleLimits{-8388608, 8388607}
           : bits >= 32 ? SampleLimits{INT32_MIN, INT32_MAX}
                        : SampleLimits{-32768, 32767};
  }
};

// |s| without the overflow of the most negative 32-bit sample.
inline int64_t Magnitude(int32_t s) { return s < 0 ? -int64_t(s) : int64_t(s); }

// A level entered on the 16-bit scale (0-32768), at the scale of samples within `limits`: the
// same share of full scale for 24 and 32 bits and floats.
inline int64_t ScaledLevel(int64_t level, SampleLimits limits) {
  return limits.high > 32767 ? level * ((int64_t(limits.high) + 1) / 32768) : level;
}

// Calls `f.template operator()<L>()` with the layout as a constant, so that an engine's loop
// is compiled for each layout.
template <class F>
inline decltype(auto) WithLayout(SampleLayout layout, F&& f) {
  switch (layout) {
    case Mono8: return f.template operator()<Mono8>();
    case Mono16: return f.template operator()<Mono16>();
    case Stereo8: return f.template operator()<Stereo8>();
    case Stereo16: return f.template operator()<Stereo16>();
    case Mono24: return f.template operator()<Mono24>();
    case Stereo24: return f.template operator()<Stereo24>();
    case Mono32: return f.template operator()<Mono32>();
    case Stereo32: return f.template operator()<Stereo32>();
    case MonoFloat: return f.template operator()<MonoFloat>();
    case StereoFloat: return f.template operator()<StereoFloat>();
    case MonoDouble: return f.template operator()<MonoDouble>();
    case StereoDouble: return f.template operator()<StereoDouble>();
  }
  return f.template operator()<Mono8>();
}

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
