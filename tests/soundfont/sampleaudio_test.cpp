// Sample files: loops in whole frames (the bank's loop end is exclusive, the file's inclusive),
// rate conversion with the tuning folded in, names.
#include "tests/soundfont/sf2builder.h"
#include "tests/support/testfiles.h"
#include "tonemill/soundfont/sampleaudio.h"
#include "tonemill/soundfont/samplefiles.h"
#include "tonemill/soundfont/sf2file.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace tonemill::soundfont;
using namespace testing_support;

namespace {

Bank OneSample(uint32_t rate, double period, uint32_t loopStart, uint32_t loopEnd) {
  Sf2Builder b;
  b.samples.push_back(SineSample("S", 4000, period, loopStart, loopEnd, rate));
  b.instruments.push_back({"I", {{{{53, 0}}, {}}}});
  b.presets.push_back({"P", 0, 0, {{{{41, 0}}, {}}}});
  return ParseSoundFont(b.Build());
}

SampleSource Source(uint32_t rate, uint32_t outRate, int cents, bool looped, uint32_t loopFirst,
                    uint32_t loopLength) {
  SampleSource s;
  s.left = 0;
  s.length = looped ? loopFirst + loopLength : 4000;
  s.looped = looped;
  s.loopFirst = loopFirst;
  s.loopLength = loopLength;
  s.sourceRate = rate;
  s.outRate = outRate;
  s.cents = cents;
  return s;
}

// The frequency of a sine from its upward zero crossings, interpolated.
double Frequency(const std::vector<int16_t>& s, size_t from, size_t to, double rate) {
  double first = -1, last = -1;
  int crossings = 0;
  for (size_t i = from + 1; i < to; ++i)
    if (s[i - 1] < 0 && s[i] >= 0) {
      const double at = double(i - 1) + double(-s[i - 1]) / double(s[i] - s[i - 1]);
      if (first < 0) first = at;
      last = at;
      ++crossings;
    }
  return (crossings - 1) * rate / (last - first);
}

double Cents(double a, double b) { return 1200.0 * std::log2(a / b); }

}  // namespace

TEST(SampleAudio, LoopsAreCopiedWholeAndRepeatedToAUsefulLength) {
  // Bank loop 1000..1800 exclusive: 800 frames, repeated twice to pass 1024.
  const Bank bank = OneSample(44100, 100, 1000, 1800);
  SampleAudio a = MakeSampleAudio(bank, Source(44100, 44100, 0, true, 1000, 800));
  EXPECT_EQ(a.rate, 44100u);
  EXPECT_EQ(a.loopStart, 1000);
  EXPECT_EQ(a.loopEnd, 2599);  // inclusive
  ASSERT_EQ(a.Frames(), 2600u);
  for (size_t i = 0; i < 2600; ++i)
    ASSERT_EQ(a.samples[i], bank.Point(i < 1800 ? i : i - 800)) << i;
}

TEST(SampleAudio, OtherRatesAreConvertedWithSeamlessLoops) {
  // 32000 Hz, a period of 64 points (500 Hz), loop of 5 periods.
  const Bank bank = OneSample(32000, 64, 640, 960);
  for (int cents : {0, 30, -50}) {
    SampleAudio a = MakeSampleAudio(bank, Source(32000, 44100, cents, true, 640, 320));
    const double loop = a.loopEnd - a.loopStart + 1;
    ASSERT_GE(loop, 1024);
    // The loop holds whole periods of the tuned tone.
    const double periods = std::round(loop * 500.0 * std::exp2(cents / 1200.0) / 44100.0);
    EXPECT_LT(std::abs(Cents(periods * 44100.0 / loop, 500.0 * std::exp2(cents / 1200.0))), 0.3) << cents;
    EXPECT_LT(std::abs(Cents(Frequency(a.samples, 0, a.Frames(), 44100), 500.0 * std::exp2(cents / 1200.0))), 0.5);
    // Seamless: the frames before the loop start repeat the end of the loop.
    for (int i = 1; i <= 64; ++i)
      ASSERT_NEAR(a.samples[size_t(a.loopStart - i)], a.samples[size_t(a.loopEnd + 1 - i)], 3) << cents << " " << i;
  }
}

TEST(SampleAudio, UnloopedSamplesKeepTheirLengthInTime) {
  const Bank bank = OneSample(22050, 50, 0, 0);
  SampleAudio same = MakeSampleAudio(bank, Source(22050, 22050, 0, false, 0, 0));
  EXPECT_EQ(same.Frames(), 4000u);
  EXPECT_EQ(same.loopStart, -1);
  SampleAudio tuned = MakeSampleAudio(bank, Source(22050, 22050, -20, false, 0, 0));
  EXPECT_EQ(tuned.Frames(), size_t(std::llround(4000 * std::exp2(20 / 1200.0))));
  EXPECT_LT(std::abs(Cents(Frequency(tuned.samples, 100, 3900, 22050), 441.0 * std::exp2(-20 / 1200.0))), 0.5);
}

TEST(SampleAudio, LoopRepeatsLandOnWholeFrames) {
  EXPECT_EQ(LoopRepeats(800, 1.0), 2u);
  EXPECT_EQ(LoopRepeats(5000, 1.0), 1u);
  const uint32_t k = LoopRepeats(37, 44100.0 / 22500.0);
  const double x = k * 37 * 44100.0 / 22500.0;
  EXPECT_GE(x, 1024.0);
  EXPECT_LT(std::abs(x - std::round(x)) / x, std::exp2(0.25 / 1200.0) - 1.0);
}

TEST(SampleNames, ShortUpperCaseAndTellingTheNote) {
  EXPECT_EQ(ShortSampleName("Piano C4"), "PIANOC4");
  EXPECT_EQ(ShortSampleName("Acoustic Bass A51"), "ACSTCA51");
  EXPECT_EQ(ShortSampleName("Bb ff Clar Gb6"), "BBFFCGB6");
  EXPECT_EQ(ShortSampleName("Timpani-Roll"), "TMPNRLL");
  EXPECT_EQ(ShortSampleName("*** ???"), "SAMPLE");
  EXPECT_EQ(ShortSampleName("\xC3\xA9t\xC3\xA9 loop"), "TLOOP");
}

TEST(SampleNames, ExistingFilesAreNeverOverwritten) {
  TempDir dir;
  SampleAudio a;
  a.rate = 22050;
  a.samples = {1, 2, 3};
  const std::vector<uint8_t> bytes = WavFileBytes(a);
  WriteBytes(dir.File("piano.wav"), {9, 9, 9});  // someone else's file, another case
  SampleDirectory samples(dir.Dir());
  SampleDirectory::Placed first = samples.Place("PIANO", bytes);
  EXPECT_EQ(first.name, "PIANO1");
  EXPECT_TRUE(first.written);
  EXPECT_EQ(ReadBytes(dir.File("piano.wav")), (std::vector<uint8_t>{9, 9, 9}));
  // A second sample of the same preferred name gets the next one.
  SampleDirectory::Placed second = samples.Place("PIANO", WavFileBytes(SampleAudio{44100, 1, {5}, -1, -1}));
  EXPECT_EQ(second.name, "PIANO2");
  // A later import finds its identical file and leaves it alone.
  SampleDirectory again(dir.Dir());
  SampleDirectory::Placed reused = again.Place("PIANO", bytes);
  EXPECT_EQ(reused.name, "PIANO1");
  EXPECT_FALSE(reused.written);
  WavData w = ReadWav(dir.File("PIANO1.WAV"));
  EXPECT_EQ(w.rate, 22050);
  EXPECT_EQ(w.bits, 16);
  EXPECT_EQ(w.samples, (std::vector<int32_t>{1, 2, 3}));
}
