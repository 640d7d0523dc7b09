// The frame every effect runs in, driven through the echo (whose arithmetic is simple enough to
// know the output of): range clamping, prefix and suffix, channels, pad byte, pump and cancel,
// and inputs the dialogs never pass.
#include "effecttest.h"
#include "resona/effects/echo.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace resona::effects;
using namespace testing_support;
using effecttest::Call;
using effecttest::Counters;

namespace {

// An echo that doubles every processed sample one frame later is easy to spot: level 256,
// delay 1, no feedback gives y[n] = x[n] + x[n-1] inside the range.
const EchoParameters kDoubler{1, 0, 256};

std::vector<int32_t> Ramp(int n, int32_t base = 100) {
  std::vector<int32_t> s;
  for (int i = 0; i < n; ++i) s.push_back(base + i);
  return s;
}

TEST(EffectFrame, RangeIsClampedToWholeFramesAndOutsideBytesAreCopied) {
  TempDir dir;
  const auto in = dir.File("in.wav"), out = dir.File("out.wav");
  const std::vector<int32_t> x = Ramp(10);
  WriteWav(in, {22050, 16, 1}, x);
  struct Case {
    int32_t start, end;
    int first, last;  // processed frames
  } cases[] = {{3, 6, 3, 6}, {-5, 2, 0, 2}, {7, 1000, 7, 9}, {5, 2, 5, 5}, {50, 60, 9, 9}};
  for (const Case& c : cases) {
    Counters n;
    ASSERT_EQ(RunEcho(Call(in, out, n, c.start, c.end), kDoubler), 0);
    const WavData w = ReadWav(out);
    ASSERT_EQ(w.samples.size(), x.size());
    EXPECT_EQ(w.dataSize, 20u);
    EXPECT_EQ(n.total, 20);
    for (int i = 0; i < 10; ++i) {
      const bool processed = i >= c.first && i <= c.last;
      const int32_t expected = processed && i > c.first ? x[i] + x[i - 1] : x[i];
      EXPECT_EQ(w.samples[size_t(i)], expected) << c.start << ".." << c.end << " frame " << i;
    }
  }
}

TEST(EffectFrame, StereoChannelSelectionAndOddEightBitPad) {
  TempDir dir;
  const auto in = dir.File("in.wav"), out = dir.File("out.wav");
  // Stereo 16-bit: "Right" leaves every left sample alone, "Left" every right one.
  WriteWav(in, {11025, 16, 2}, {10, 20, 30, 40, 50, 60});
  Counters n;
  ASSERT_EQ(RunEcho(Call(in, out, n, 0, 2, 0, 1), kDoubler), 0);
  EXPECT_EQ(ReadWav(out).samples, (std::vector<int32_t>{10, 20, 30, 60, 50, 100}));
  ASSERT_EQ(RunEcho(Call(in, out, n, 0, 2, 1, 0), kDoubler), 0);
  EXPECT_EQ(ReadWav(out).samples, (std::vector<int32_t>{10, 20, 40, 40, 80, 60}));
  ASSERT_EQ(RunEcho(Call(in, out, n, 0, 2, 0, 0), kDoubler), 0);
  EXPECT_EQ(ReadWav(out).samples, (std::vector<int32_t>{10, 20, 40, 60, 80, 100}));

  // 8-bit mono with an odd number of frames: one pad byte of 128, counted in the header.
  WriteWav(in, {11025, 8, 1}, {128, 138, 148});
  ASSERT_EQ(RunEcho(Call(in, out, n), kDoubler), 0);
  const WavData w = ReadWav(out);
  EXPECT_EQ(w.dataSize, 4u);
  EXPECT_EQ(w.riffSize, 40u);
  EXPECT_EQ(w.samples, (std::vector<int32_t>{128, 138, 158, 128}));
}

TEST(EffectFrame, PumpsEvery5001StepsAndACancelLeavesAValidShorterFile) {
  TempDir dir;
  const auto in = dir.File("in.wav"), out = dir.File("out.wav");
  const std::vector<int32_t> x = Ramp(20000, -10000);
  WriteWav(in, {44100, 16, 1}, x);
  // 1000 frames of prefix are 2000 copy steps, then 19000 processing steps: 21000 in all.
  int pumps = 0;
  {
    effecttest::PumpHook hook([&] { ++pumps; });
    Counters n;
    ASSERT_EQ(RunEcho(Call(in, out, n, 1000, 19999), kDoubler), 0);
    EXPECT_EQ(n.progress, 40000);
  }
  EXPECT_EQ(pumps, 4);

  // A cancel at the first pump (after 2000 bytes of prefix and 3001 frames) ends the range
  // there and copies nothing after it.
  Counters n;
  effecttest::PumpHook hook([&] {
    if (n.progress < n.total) n.progress = n.total + 1;
  });
  ASSERT_EQ(RunEcho(Call(in, out, n, 1000, 19999), kDoubler), 0);
  const WavData w = ReadWav(out);
  ASSERT_EQ(w.samples.size(), 4001u);
  EXPECT_EQ(w.dataSize, 8002u);
  EXPECT_EQ(w.samples[999], x[999]);
  EXPECT_EQ(w.samples[1000], x[1000]);
  EXPECT_EQ(w.samples[4000], x[4000] + x[3999]);
}

TEST(EffectFrame, UnusableInputsGiveAStatusAndNoOutput) {
  TempDir dir;
  const auto out = dir.File("out.wav");
  WriteWav(dir.File("empty.wav"), {22050, 16, 1}, {});
  WriteWav(dir.File("one.wav"), {22050, 16, 1}, {5});
  WriteBytes(dir.File("junk.wav"), std::vector<uint8_t>(100, 'x'));
  // A 24-bit file and a data chunk that claims more than the file holds.
  std::vector<uint8_t> wide = ReadBytes(dir.File("one.wav"));
  wide[34] = 24;
  WriteBytes(dir.File("wide.wav"), wide);
  std::vector<uint8_t> lying = ReadBytes(dir.File("one.wav"));
  lying[40] = 200;
  lying.push_back(1);  // and a partial frame
  WriteBytes(dir.File("lying.wav"), lying);

  for (const char* name : {"missing.wav", "empty.wav", "junk.wav", "wide.wav"}) {
    Counters n;
    EXPECT_EQ(RunEcho(Call(dir.File(name), out, n), kDoubler), kEffectBadInput) << name;
    EXPECT_FALSE(std::filesystem::exists(out)) << name;
  }
  Counters n;
  ASSERT_EQ(RunEcho(Call(dir.File("lying.wav"), out, n), kDoubler), 0);
  EXPECT_EQ(ReadWav(out).samples, std::vector<int32_t>{5});
  auto call = Call(dir.File("one.wav"), out, n);
  call.progress = nullptr;
  EXPECT_EQ(RunEcho(call, kDoubler), kEffectBadArgument);
  EXPECT_EQ(RunEcho(Call(dir.File("one.wav"), dir.File("no/such/dir.wav"), n), kDoubler),
            kEffectCantCreate);
}

}  // namespace
