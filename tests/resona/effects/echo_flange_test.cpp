// Echo and flanger impulse responses worked out from their definitions.
#include "effecttest.h"
#include "resona/effects/echo.h"
#include "resona/effects/flange.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>

using namespace resona::effects;
using namespace testing_support;
using effecttest::Call;
using effecttest::Counters;
using effecttest::Impulse;

namespace {

// The non-zero samples of a mono result, by frame.
std::map<int, int32_t> NonZero(const std::vector<int32_t>& s) {
  std::map<int, int32_t> m;
  for (size_t i = 0; i < s.size(); ++i)
    if (s[i] != 0) m[int(i)] = s[i];
  return m;
}

std::vector<int32_t> RunOnImpulse(int32_t amplitude, const EchoParameters& p, int frames = 40) {
  TempDir dir;
  WriteWav(dir.File("in.wav"), {22050, 16, 1}, Impulse(frames, 2, amplitude));
  Counters n;
  EXPECT_EQ(RunEcho(Call(dir.File("in.wav"), dir.File("out.wav"), n), p), 0);
  return ReadWav(dir.File("out.wav")).samples;
}

TEST(Echo, ImpulseResponseShiftsRightRoundingDown) {
  // w = (64 w[n-3] + 128 x) >> 8: 500, 125, 31, 7, 1, 0 ...
  EXPECT_EQ(NonZero(RunOnImpulse(1000, {3, 64, 128})),
            (std::map<int, int32_t>{{2, 1000}, {5, 500}, {8, 125}, {11, 31}, {14, 7}, {17, 1}}));
  // ... and for a negative impulse -500, -125, -32, -8, -2, -1, -1, ...: the arithmetic shift
  // rounds toward minus infinity, so the tail never dies away.
  std::map<int, int32_t> negative = NonZero(RunOnImpulse(-1000, {3, 64, 128}));
  EXPECT_EQ(negative[5], -500);
  EXPECT_EQ(negative[8], -125);
  EXPECT_EQ(negative[11], -32);
  EXPECT_EQ(negative[14], -8);
  EXPECT_EQ(negative[17], -2);
  EXPECT_EQ(negative[38], -1);
  // Negative feedback inverts every second echo; level 0 leaves the file as it was.
  EXPECT_EQ(NonZero(RunOnImpulse(1000, {2, -128, 256})),
            (std::map<int, int32_t>{{2, 1000}, {4, 1000}, {6, -500}, {8, 250}, {10, -125},
                                    {12, 62}, {14, -31}, {16, 15}, {18, -8}, {20, 4}, {22, -2},
                                    {24, 1}, {26, -1}}));
  EXPECT_EQ(NonZero(RunOnImpulse(1000, {5, 100, 0})), (std::map<int, int32_t>{{2, 1000}}));
  // A delay of 0 frames works as the shortest line, one frame.
  EXPECT_EQ(NonZero(RunOnImpulse(1000, {0, 0, 128})), (std::map<int, int32_t>{{2, 1000}, {3, 500}}));
}

TEST(Echo, OutputClipsButTheLineKeepsTheFullValue) {
  TempDir dir;
  // Full scale, level 256, feedback 128, delay 1: the line holds 32767, 49150, ... unclamped.
  WriteWav(dir.File("in.wav"), {22050, 16, 1}, {32767, 0, 0, -20000});
  Counters n;
  ASSERT_EQ(RunEcho(Call(dir.File("in.wav"), dir.File("out.wav"), n), {1, 128, 256}), 0);
  // y: 32767; 0 + 32767; 0 + 16383; -20000 + 8191.
  EXPECT_EQ(ReadWav(dir.File("out.wav")).samples, (std::vector<int32_t>{32767, 32767, 16383, -11809}));
  WriteWav(dir.File("in.wav"), {22050, 8, 1}, {255, 255, 0, 0});
  ASSERT_EQ(RunEcho(Call(dir.File("in.wav"), dir.File("out.wav"), n), {1, 0, 256}), 0);
  EXPECT_EQ(ReadWav(dir.File("out.wav")).samples, (std::vector<int32_t>{255, 255, 127, 0}));
}

// The oscillator tables as the dialogs build them.
struct Tables {
  std::vector<int32_t> sine, cosine;
  Tables() {
    for (int i = 0; i < kFlangeTableSize; ++i) {
      const long double a = i * 0.003907453549241036L;
      sine.push_back(int32_t(std::sin(a) * 65536.0L));
      cosine.push_back(int32_t(std::cos(a) * 65536.0L));
    }
  }
};

FlangeParameters Flange(int32_t offset, int32_t variation, int32_t dry, int32_t wet,
                        int32_t feedback, const Tables& t, int32_t rateNum = 0,
                        int32_t rateDen = 1) {
  return {offset, variation, rateNum, rateDen, dry, wet, feedback, t.sine.data(), t.cosine.data()};
}

TEST(Flanger, SmoothingWeights) {
  // t = 0: w = π, h = 5/3, a = -1/3.
  EXPECT_EQ(FlangeSmoothing(0).A, -85);
  EXPECT_EQ(FlangeSmoothing(0).B, 170);
  // The weights slow down as the sweep speeds up, and never stop passing the signal.
  int32_t lastB = 256;
  for (int64_t t : {1, 10, 100, 400, 463, 464, 465, 5754, 100000}) {
    const SmoothingWeights w = FlangeSmoothing(t);
    EXPECT_GE(w.B, 1) << t;
    EXPECT_LE(w.B, lastB) << t;
    EXPECT_GT(w.A, -256) << t;
    lastB = w.B;
  }
  EXPECT_EQ(FlangeSmoothing(100000).A, -255);
}

TEST(Flanger, FixedDelayImpulseResponses) {
  TempDir dir;
  const Tables t;
  const auto in = dir.File("in.wav"), out = dir.File("out.wav");
  WriteWav(in, {22050, 16, 1}, Impulse(16, 2, 1000));
  Counters n;
  // N = 1, one frame of delay; wet only: the smoothed impulse s = (170 x + 85 s) >> 8.
  ASSERT_EQ(RunFlange(Call(in, out, n), Flange(0, 0, 0, 256, 0, t)), 0);
  EXPECT_EQ(NonZero(ReadWav(out).samples),
            (std::map<int, int32_t>{{3, 664}, {4, 220}, {5, 73}, {6, 24}, {7, 7}, {8, 2}}));
  // Dry 256 and wet 0 is an exact copy; dry 128 halves (rounding down).
  ASSERT_EQ(RunFlange(Call(in, out, n), Flange(0, 0, 256, 0, 0, t)), 0);
  EXPECT_EQ(NonZero(ReadWav(out).samples), (std::map<int, int32_t>{{2, 1000}}));
  // Feedback 256: the swept signal is only the earlier output, itself delayed.
  ASSERT_EQ(RunFlange(Call(in, out, n), Flange(0, 0, 256, 128, 256, t)), 0);
  EXPECT_EQ(NonZero(ReadWav(out).samples),
            (std::map<int, int32_t>{{2, 1000}, {3, 500}, {4, 250}, {5, 125}, {6, 62}, {7, 31},
                                    {8, 15}, {9, 7}, {10, 3}, {11, 1}}));
  // Feedback -256: the earlier output inverted.
  ASSERT_EQ(RunFlange(Call(in, out, n), Flange(0, 0, 256, 128, -256, t)), 0);
  EXPECT_EQ(NonZero(ReadWav(out).samples)[3], -500);
  EXPECT_EQ(NonZero(ReadWav(out).samples)[4], 250);
  // A positive offset wraps the read around the lines: offset 3, no variation, m = 0 < 3:
  // the delay is m + variation + 2 = 2 frames.
  ASSERT_EQ(RunFlange(Call(in, out, n), Flange(3, 0, 0, 256, 0, t)), 0);
  EXPECT_EQ(NonZero(ReadWav(out).samples).begin()->first, 4);
}

TEST(Flanger, ChannelsUseTheirOwnTablesAQuarterCycleApart) {
  TempDir dir;
  const Tables t;
  const auto in = dir.File("in.wav"), out = dir.File("out.wav");
  std::vector<int32_t> x(40, 0);
  x[4] = x[5] = 1000;  // frame 2, both channels
  WriteWav(in, {22050, 16, 2}, x);
  Counters n;
  // No oscillation (rate 0), variation 4: index 0 gives m = v = 2 on the left (sin 0 = 0) and
  // m = 0 on the right (cos 0 = 1): delays of 3 and 1 frames.
  ASSERT_EQ(RunFlange(Call(in, out, n), Flange(0, 4, 0, 256, 0, t)), 0);
  const std::vector<int32_t> y = ReadWav(out).samples;
  EXPECT_EQ(y[2 * 5], 664);
  EXPECT_EQ(y[2 * 3 + 1], 664);
  EXPECT_EQ(y[2 * 3], 0);
  // A line longer than 32 bits can index is out of memory, before any output.
  WriteWav(in, {22050, 16, 1}, std::vector<int32_t>(12, 0));
  std::filesystem::remove(out);
  EXPECT_EQ(RunFlange(Call(in, out, n), Flange(INT32_MAX, 10, 0, 256, 0, t)), kEffectOutOfMemory);
  EXPECT_FALSE(std::filesystem::exists(out));
}

// One channel of the flanger read literally: the sweep's phase and index, the read m frames
// before the offset, the mix at full precision, the smoothing.
std::vector<int32_t> ReferenceFlange(const std::vector<int32_t>& x, int bits, const FlangeParameters& p,
                                     const int32_t* table) {
  const int64_t hi = (int64_t(1) << (bits - 1)) - 1, lo = -hi - 1;
  auto clamp = [&](__int128 v) { return int64_t(v < lo ? lo : v > hi ? hi : v); };
  const int64_t size = std::llabs(p.offsetFrames) + p.variationFrames + 1;
  std::vector<int64_t> in(size_t(size), 0), out(size_t(size), 0);
  const SmoothingWeights w = FlangeSmoothing(std::llabs(int64_t(p.variationFrames) * p.rateNum) / p.rateDen);
  int64_t pos = 0, phase = 0, index = 0, s = 0;
  std::vector<int32_t> y;
  for (int32_t v : x) {
    const int64_t m = (((65536 - int64_t(table[index])) >> 8) * (p.variationFrames / 2)) >> 8;
    const int64_t i = ((pos + p.offsetFrames - 1 - m) % size + size) % size;
    const int64_t swept = (in[size_t(i)] * (256 - std::abs(p.feedback)) + out[size_t(i)] * p.feedback) >> 8;
    const int64_t o = clamp((__int128(p.wetLevel) * swept + __int128(p.dryLevel) * v) >> 8);
    s = clamp((int64_t(w.B) * v - int64_t(w.A) * s) >> 8);
    in[size_t(pos)] = s;
    out[size_t(pos)] = o;
    pos = (pos + 1) % size;
    phase = (phase + int64_t(p.rateNum) * kFlangeTableSize) % (int64_t(p.rateDen) * kFlangeTableSize);
    index = phase / p.rateDen;
    y.push_back(int32_t(o));
  }
  return y;
}

// Random stereo input at 16, 24 and 32 bits over several blocks: slow and fast sweeps (more than a
// table place a frame), feedback of both signs, a negative offset and levels whose products
// leave 64 bits.
TEST(Flanger, SweptMixFollowsItsDefinition) {
  const Tables t;
  struct Case {
    int bits;
    int32_t offset, variation, rateNum, rateDen, dry, wet, feedback;
  };
  const Case cases[] = {{16, 441, 132, 25, 441000, 256, 200, 0},    {24, 960, 240, 25, 4800000, 256, 200, 128},
                        {24, 48, 144, 1000003, 7, 256, 256, -200},  {16, -30, 100, 3, 7, 300, -180, -256},
                        {32, 10, 50, 9, 1000, INT32_MAX, INT32_MIN + 1, 256}};
  uint32_t seed = 10;
  for (const Case& k : cases) {
    SCOPED_TRACE(std::to_string(k.bits) + " bits, offset " + std::to_string(k.offset) + ", rate " +
                 std::to_string(k.rateNum) + "/" + std::to_string(k.rateDen));
    const size_t frames = 12000;
    const std::vector<int32_t> x = effecttest::RandomSamples(2 * frames, k.bits, seed++);
    TempDir dir;
    effecttest::WritePcm(dir.File("in.wav"), k.bits, 48000, 2, x);
    Counters n;
    const FlangeParameters p = Flange(k.offset, k.variation, k.dry, k.wet, k.feedback, t, k.rateNum, k.rateDen);
    ASSERT_EQ(RunFlange(Call(dir.File("in.wav"), dir.File("out.wav"), n), p), 0);
    const std::vector<int32_t> y = effecttest::ReadPcm(dir.File("out.wav"), k.bits);
    ASSERT_EQ(y.size(), x.size());
    for (int c = 0; c < 2; ++c) {
      std::vector<int32_t> in, got;
      for (size_t i = size_t(c); i < x.size(); i += 2) in.push_back(x[i]), got.push_back(y[i]);
      EXPECT_EQ(got, ReferenceFlange(in, k.bits, p, c == 0 ? t.sine.data() : t.cosine.data())) << "channel " << c;
    }
  }
}

}  // namespace
