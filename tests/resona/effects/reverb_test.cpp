// The reverb against values worked out from its definition: the early reflections' taps, the
// custom model's first frames (only early reflections reach the output before the shortest
// comb returns), and the chamber against a plain frame-by-frame reading of the definition.
#include "effecttest.h"
#include "resona/effects/reverb.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace resona::effects;
using namespace testing_support;
using effecttest::Call;
using effecttest::Counters;
using effecttest::Impulse;

namespace {

constexpr double kTapSeconds[19] = {0.0043, 0.0043, 0.0215, 0.0225, 0.0268, 0.0270, 0.0298,
                                    0.0458, 0.0485, 0.0572, 0.0587, 0.0595, 0.0612, 0.0707,
                                    0.0708, 0.0726, 0.0741, 0.0753, 0.0797};
constexpr float kTapGains[19] = {0.75f,  0.841f, 0.504f, 0.491f, 0.379f, 0.380f, 0.346f,
                                 0.289f, 0.272f, 0.192f, 0.193f, 0.217f, 0.181f, 0.180f,
                                 0.181f, 0.176f, 0.142f, 0.167f, 0.134f};

std::vector<int32_t> Reverberate(const std::vector<int32_t>& x, tonemill::AudioFormat format,
                         const ReverbParameters& p, int32_t leftOnly = 0, int32_t rightOnly = 0) {
  TempDir dir;
  WriteWav(dir.File("in.wav"), format, x);
  Counters n;
  EXPECT_EQ(RunReverb(Call(dir.File("in.wav"), dir.File("out.wav"), n, 0, INT32_MAX, leftOnly,
                           rightOnly),
                      p),
            0);
  return ReadWav(dir.File("out.wav")).samples;
}

ReverbParameters Parameters(int32_t algorithm, int32_t decay, int32_t predelay, int32_t level) {
  ReverbParameters p;
  p.algorithm = algorithm;
  p.decayMs = decay;
  p.predelayMs = predelay;
  p.levelLeft = p.levelRight = level;
  const int32_t lowpass[6] = {46, 48, 50, 52, 53, 55};
  for (int k = 0; k < 6; ++k) p.lowpassLeft[k] = p.lowpassRight[k] = lowpass[k];
  return p;
}

TEST(Reverb, EarlyTapFrames) {
  int64_t taps[19];
  EarlyTapFrames(4, 44100, 0, taps);
  const int64_t custom[19] = {189,  189,  948,  992,  1181, 1190, 1314, 2019, 2138, 2522,
                              2588, 2623, 2698, 3117, 3122, 3201, 3267, 3320, 3514};
  for (int k = 0; k < 19; ++k) EXPECT_EQ(taps[k], custom[k]) << k;
  // The room models stretch the pattern so that the last tap falls 125, 299 or 282 ms after
  // the pre-delay (10 ms = 441 frames here).
  for (auto [algorithm, ms] : {std::pair{1, 125.0}, {2, 299.0}, {3, 282.0}}) {
    EarlyTapFrames(algorithm, 44100, 10, taps);
    const float scale = float(44100.0 * ms / 79.7);
    for (int k = 0; k < 19; ++k)
      EXPECT_EQ(taps[k], 441 + int64_t(std::trunc(double(scale) * kTapSeconds[k]))) << k;
    EXPECT_NEAR(double(taps[18]), 441 + 44.1 * ms, 1.0);
  }
}

TEST(Reverb, CustomModelStartsWithNineteenEarlyReflections) {
  const int32_t a = 10000;
  int64_t taps[19];
  EarlyTapFrames(4, 44100, 0, taps);
  // Short of the first echo from the combs (frame 2392); the reflections that fall later are
  // left out.
  const size_t frames = 2300;
  const std::vector<int32_t> y = Reverberate(Impulse(frames, 0, a), {44100, 16, 1}, Parameters(4, 300, 0, 256));
  std::vector<int32_t> expected(frames, 0);
  expected[0] = a;
  // A tap of T frames delivers the input written T - 1 frames earlier; taps 1 and 2 coincide.
  expected[188] = int32_t(kTapGains[0] * float(a) + kTapGains[1] * float(a));
  for (int k = 2; k < 19; ++k)
    if (size_t(taps[k] - 1) < frames) expected[size_t(taps[k] - 1)] = int32_t(kTapGains[k] * float(a));
  EXPECT_EQ(y, expected);
}

// Step 6: the input plus the wet signal, written back at the width (8 bits unsigned; 32 bits
// with the wet signal 256 times as loud, in double).
int32_t ReferenceOutput(int32_t x, float wet, int bits) {
  if (bits == 32) {
    const double o = double(x) + double(wet) * 256.0;
    return o >= 2147483647.0 ? INT32_MAX : o <= -2147483648.0 ? INT32_MIN : int32_t(o);
  }
  const float o = float(x) + wet;
  if (bits == 8) return o < -128.0f ? 0 : o > 127.0f ? 255 : int32_t(o + 128.0f);
  const float top = bits == 16 ? 32768.0f : 8388608.0f;
  return int32_t(std::min(std::max(o, -top), top - 1.0f));
}

// One channel of the chamber (0 left, 1 right), read literally: every index taken modulo the
// buffer, the shared position advanced after the output taps have been read one place further
// on. At 32 bits the network hears x >> 8 and its wet signal comes back 256 times as loud.
std::vector<int32_t> ReferenceChamber(const std::vector<int32_t>& x, int bits, int rate,
                                      const ReverbParameters& p, int channel = 0) {
  const bool eight = bits == 8, full = bits == 32;
  const float top = eight ? 128.0f : bits == 16 ? 32768.0f : 8388608.0f;
  const float lo = -top, hi = top - 1.0f;
  const int32_t* lowpass = channel == 0 ? p.lowpassLeft : p.lowpassRight;
  auto ms = [rate](double n) { return int64_t(std::trunc(double(rate) * n / 1000.0)); };
  int64_t taps[19];
  const float scale = float(double(rate) * 125.0 / 79.7);
  int64_t longest = 1;
  for (int k = 0; k < 19; ++k) {
    taps[k] = ms(p.predelayMs) + int64_t(std::trunc(double(scale) * kTapSeconds[k]));
    longest = std::max(longest, taps[k]);
  }
  std::vector<int32_t> early(size_t(longest), 0);
  int64_t ep = 0;
  const int64_t S = ms(125) + 1;
  std::vector<int32_t> ring(size_t(S), 0);
  int64_t pos = 0;
  auto at = [&](int64_t off) -> int32_t& { return ring[size_t((pos + off) % S)]; };
  struct Sec {
    int64_t a, b;
    float g;
  } sections[5] = {{ms(24), ms(59), 0.3f},
                   {ms(24) + 1, ms(46) + 1, 0.4f},
                   {ms(46) + 2, ms(54.3), 0.6f},
                   {ms(59), ms(125), 0.1f},
                   {ms(59) + 1, ms(89) + 1, 0.4f}};
  const float G = p.decayMs <= 0 ? 0.1f : 0.1f + 0.0002f * float(p.decayMs);
  int sum = 0;
  for (int k = 0; k < 6; ++k) sum += lowpass[k];
  const float pi = 2.0f * float(std::acos(0.0));
  const float w = 1.0f / float(std::tan(double(pi * float(100 - sum / 6) / 200.0f)));
  const float r2 = float(std::sqrt(2.0));
  const float a0 = 1.0f / (1.0f + r2 * w + w * w), a1 = 2.0f * a0;
  const float b1 = 2.0f * (1.0f - w * w) * a0, b2 = (1.0f - r2 * w + w * w) * a0;
  float x1 = 0, x2 = 0, y1 = 0, y2 = 0;
  const float wet = float(channel == 0 ? p.levelLeft : p.levelRight) * 0.00390625f;
  std::vector<int32_t> out;
  for (int32_t v : x) {
    const int32_t xs = eight ? v - 128 : v;
    early[size_t(ep)] = full ? xs >> 8 : xs;
    ep = (ep + 1) % longest;
    float e = 0;
    for (int k = 0; k < 19; ++k)
      e += kTapGains[k] * float(early[size_t(((ep - taps[k]) % longest + longest) % longest)]);
    e = e + float(int32_t(y1)) * G;
    e = std::min(std::max(e, lo), hi);
    at(0) = int32_t(e);
    for (const Sec& s : sections) {
      const float pa = float(at(s.a)), qb = float(at(s.b));
      const float u = qb - s.g * pa;
      at(s.a) = int32_t(pa + s.g * u);
      at(s.b) = int32_t(u);
    }
    const float in = float(at(ms(89) + 1));
    const float y = (in + x2) * a0 + a1 * x1 - b1 * y1 - b2 * y2;
    x2 = x1;
    x1 = in;
    y2 = y1;
    y1 = y;
    pos = (pos + 1) % S;
    e = e + (0.5f * float(at(ms(59))) + 0.5f * float(at(ms(125))));
    out.push_back(ReferenceOutput(xs, wet * e, bits));
  }
  return out;
}

struct RefLowpass {
  float a0, a1, b1, b2, x1 = 0, x2 = 0, y1 = 0, y2 = 0;
  explicit RefLowpass(int p) {
    const float pi = 2.0f * float(std::acos(0.0));
    const float w = 1.0f / float(std::tan(double(pi * float(100 - p) / 200.0f)));
    const float r2 = float(std::sqrt(2.0));
    a0 = 1.0f / (1.0f + r2 * w + w * w);
    a1 = 2.0f * a0;
    b1 = 2.0f * (1.0f - w * w) * a0;
    b2 = (1.0f - r2 * w + w * w) * a0;
  }
  float Step(int32_t v) {
    const float in = float(v);
    const float y = (in + x2) * a0 + a1 * x1 - b1 * y1 - b2 * y2;
    x2 = x1;
    x1 = in;
    y2 = y1;
    y1 = y;
    return y;
  }
};

// The custom model on one channel (0 left, 1 right), read literally. At 32 bits the network
// hears x >> 8 and its wet signal comes back 256 times as loud, in double.
std::vector<int32_t> ReferenceCustom(const std::vector<int32_t>& x, int bits, int rate,
                                     const ReverbParameters& p, int channel = 0) {
  const bool eight = bits == 8, full = bits == 32;
  const float top = eight ? 128.0f : bits == 16 ? 32768.0f : 8388608.0f;
  const float lo = -top, hi = top - 1.0f;
  const int32_t* lowpass = channel == 0 ? p.lowpassLeft : p.lowpassRight;
  auto ms = [rate](double n) { return size_t(std::trunc(double(rate) * n / 1000.0)); };
  int64_t taps[19], longest = 1;
  for (int k = 0; k < 19; ++k) {
    taps[k] = int64_t(ms(p.predelayMs)) + int64_t(std::trunc(double(float(rate)) * kTapSeconds[k]));
    longest = std::max(longest, taps[k]);
  }
  std::vector<int32_t> early(size_t(longest), 0);
  int64_t ep = 0;
  const float f = p.decayMs > 0 ? std::max(0.0f, 1.0f - 366.0f / float(p.decayMs)) : 0.0f;
  const float G = 0.7f * f;
  struct Line {
    std::vector<int32_t> v;
    size_t pos = 0;
  };
  std::vector<Line> combs, allpasses;
  std::vector<RefLowpass> combLowpass;
  for (int k = 0; k < 6; ++k) {
    const double d[6] = {50, 56, 61, 68, 72, 78};
    combs.push_back({std::vector<int32_t>(ms(d[k]), 0)});
    combLowpass.emplace_back(lowpass[k]);
  }
  for (double d : {6.0, 9.1, 9.9}) allpasses.push_back({std::vector<int32_t>(ms(d), 0)});
  const float g[3] = {0.7f, 0.683f, 0.721f};
  int sum = 0;
  for (int k = 0; k < 6; ++k) sum += lowpass[k];
  RefLowpass loop(sum / 6);
  const float wet = float(channel == 0 ? p.levelLeft : p.levelRight) * 0.00390625f;
  auto allpass = [&](int k, int32_t v) {
    Line& l = allpasses[size_t(k)];
    const float u = float(l.v[l.pos]) - g[k] * float(v);
    l.v[l.pos] = int32_t(float(v) + g[k] * u);
    l.pos = (l.pos + 1) % l.v.size();
    return int32_t(u);
  };
  std::vector<int32_t> out;
  for (int32_t sample : x) {
    const int32_t xs = eight ? sample - 128 : sample;
    early[size_t(ep)] = full ? xs >> 8 : xs;
    ep = (ep + 1) % longest;
    float e = 0;
    for (int k = 0; k < 19; ++k)
      e += kTapGains[k] * float(early[size_t(((ep - taps[k]) % longest + longest) % longest)]);
    e = std::min(std::max(e, lo), hi);
    const int32_t v = int32_t(e);
    int64_t s = 0;
    for (int k = 0; k < 6; ++k) {
      Line& l = combs[size_t(k)];
      float y = combLowpass[size_t(k)].Step(l.v[l.pos]);
      if (std::abs(int32_t(y)) > std::abs(v)) y = std::copysign(float(std::abs(v)), y);
      l.v[l.pos] = int32_t(float(v) + f * y);
      l.pos = (l.pos + 1) % l.v.size();
      s += l.v[l.pos];
    }
    int32_t m = int32_t(std::trunc(double(s) / 6.0));
    m = int32_t(std::min(std::max(float(m) + float(int32_t(loop.y1)) * G, lo), hi));
    const int32_t a1 = allpass(0, m);
    e += float(a1 / 3);
    const int32_t a2 = allpass(1, a1);
    e += float(a2 / 3);
    const int32_t a3 = allpass(2, a2);
    e += float(a3 / 3);
    loop.Step(a2);
    out.push_back(ReferenceOutput(xs, wet * e, bits));
  }
  return out;
}

std::vector<int32_t> Noise(int n, int32_t amplitude, int32_t centre) {
  std::vector<int32_t> s;
  uint32_t r = 12345;
  for (int i = 0; i < n; ++i) {
    r = r * 1103515245u + 12345u;
    s.push_back(centre + int32_t((r >> 8) % uint32_t(2 * amplitude + 1)) - amplitude);
  }
  return s;
}

TEST(Reverb, ChamberFollowsItsDefinition) {
  for (int decay : {0, 500}) {
    const ReverbParameters p = Parameters(1, decay, 3, 300);
    std::vector<int32_t> x = Noise(6000, 30000, 0);
    for (int i = 3000; i < 6000; ++i) x[size_t(i)] = 0;  // the tail
    EXPECT_EQ(Reverberate(x, {11025, 16, 1}, p), ReferenceChamber(x, 16, 11025, p)) << decay;
    const std::vector<int32_t> x8 = Noise(4000, 120, 128);
    EXPECT_EQ(Reverberate(x8, {22050, 8, 1}, p), ReferenceChamber(x8, 8, 22050, p)) << decay;
  }
}

TEST(Reverb, CustomModelFollowsItsDefinition) {
  // Decay 900 ms gives the combs feedback (f = 1 - 366/900) and the loop a gain of 0.7 f.
  for (int decay : {200, 900, 3000}) {
    ReverbParameters p = Parameters(4, decay, 1, 256);
    p.lowpassLeft[2] = 0;
    p.lowpassLeft[5] = 99;
    std::vector<int32_t> x = Noise(9000, 25000, 0);
    for (int i = 4000; i < 9000; ++i) x[size_t(i)] = 0;
    EXPECT_EQ(Reverberate(x, {11025, 16, 1}, p), ReferenceCustom(x, 16, 11025, p)) << decay;
    const std::vector<int32_t> x8 = Noise(5000, 127, 128);
    EXPECT_EQ(Reverberate(x8, {22050, 8, 1}, p), ReferenceCustom(x8, 8, 22050, p)) << decay;
  }
}

// Random input at every width, each channel against the definitions: the channels have their
// own settings, a channel left out keeps its samples, and low rates make combs shorter than
// the stretches the network works at once.
TEST(Reverb, CustomModelAndChamberFollowTheirDefinitionsOnRandomInput) {
  struct Case {
    int algorithm, bits, rate, channels, leftOnly, rightOnly, decay;
  };
  const Case cases[] = {{4, 16, 11025, 2, 0, 0, 900},  {4, 24, 48000, 2, 0, 0, 3000}, {4, 24, 48000, 2, 1, 0, 30000},
                        {4, 16, 2000, 2, 0, 1, 1500},  {4, 24, 96000, 1, 0, 0, 900},  {4, 32, 44100, 2, 0, 0, 5000},
                        {4, 32, 8000, 1, 0, 0, 20000}, {4, 24, 48000, 2, 0, 0, 250},  {1, 24, 48000, 2, 0, 0, 1500},
                        {1, 32, 44100, 2, 0, 1, 700},  {1, 24, 96000, 1, 0, 0, 3000}};
  uint32_t seed = 1;
  for (const Case& k : cases) {
    SCOPED_TRACE("algorithm " + std::to_string(k.algorithm) + ", " + std::to_string(k.bits) + " bits, " + std::to_string(k.rate) + " Hz, " + std::to_string(k.channels) +
                 " channels, decay " + std::to_string(k.decay));
    ReverbParameters p = Parameters(k.algorithm, k.decay, int32_t(seed % 7), 200);
    p.levelRight = 320;
    for (int j = 0; j < 6; ++j) {
      p.lowpassLeft[j] = int32_t((seed * 37 + uint32_t(j) * 11) % 100);
      p.lowpassRight[j] = int32_t((seed * 53 + uint32_t(j) * 29) % 100);
    }
    const size_t frames = 12000;
    std::vector<int32_t> x = effecttest::RandomSamples(frames * size_t(k.channels), k.bits, seed++);
    for (size_t i = x.size() / 2; i < x.size(); ++i) x[i] = 0;  // the tail
    TempDir dir;
    effecttest::WritePcm(dir.File("in.wav"), k.bits, k.rate, k.channels, x);
    Counters n;
    ASSERT_EQ(RunReverb(Call(dir.File("in.wav"), dir.File("out.wav"), n, 0, INT32_MAX, k.leftOnly, k.rightOnly), p),
              0);
    const std::vector<int32_t> y = effecttest::ReadPcm(dir.File("out.wav"), k.bits);
    ASSERT_EQ(y.size(), x.size());
    for (int c = 0; c < k.channels; ++c) {
      std::vector<int32_t> in, got;
      for (size_t i = size_t(c); i < x.size(); i += size_t(k.channels)) in.push_back(x[i]), got.push_back(y[i]);
      const bool processed = k.channels == 1 || (c == 0 ? k.rightOnly == 0 || k.leftOnly != 0 : k.leftOnly == 0);
      const std::vector<int32_t> expected =
          !processed           ? in
          : k.algorithm == 4 ? ReferenceCustom(in, k.bits, k.rate, p, c)
                               : ReferenceChamber(in, k.bits, k.rate, p, c);
      EXPECT_EQ(got, expected) << "channel " << c;
    }
  }
}

TEST(Reverb, StereoChannelsEachBehaveAsMono) {
  const std::vector<int32_t> a = Noise(5000, 20000, 0), b = Noise(5000, 8000, 0);
  std::vector<int32_t> both;
  for (size_t i = 0; i < a.size(); ++i) {
    both.push_back(a[i]);
    both.push_back(b[i]);
  }
  for (int algorithm = 1; algorithm <= 4; ++algorithm) {
    const ReverbParameters p = Parameters(algorithm, 900, 2, 200);
    const std::vector<int32_t> ya = Reverberate(a, {11025, 16, 1}, p), yb = Reverberate(b, {11025, 16, 1}, p);
    const std::vector<int32_t> y = Reverberate(both, {11025, 16, 2}, p);
    const std::vector<int32_t> right = Reverberate(both, {11025, 16, 2}, p, 0, 1);
    bool sameLeft = true, sameRight = true, rightOnly = true;
    for (size_t i = 0; i < a.size(); ++i) {
      sameLeft &= y[2 * i] == ya[i];
      sameRight &= y[2 * i + 1] == yb[i];
      rightOnly &= right[2 * i] == a[i] && right[2 * i + 1] == yb[i];
    }
    EXPECT_TRUE(sameLeft) << algorithm;
    EXPECT_TRUE(sameRight) << algorithm;
    EXPECT_TRUE(rightOnly) << algorithm;
    EXPECT_NE(ya, a) << algorithm;
  }
  // A left level of 0 leaves the left channel as it was.
  ReverbParameters p = Parameters(3, 2000, 0, 256);
  p.levelLeft = 0;
  const std::vector<int32_t> y = Reverberate(both, {11025, 16, 2}, p);
  for (size_t i = 0; i < a.size(); ++i) ASSERT_EQ(y[2 * i], a[i]);
}

}  // namespace
