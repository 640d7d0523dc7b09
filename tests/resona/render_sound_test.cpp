#include "reference.h"
#include "render_harness.h"
#include "resona/status.h"
#include "song_builder.h"

#include <gtest/gtest.h>

#include <random>

using namespace resona;
using namespace testing_support;

namespace {

std::vector<int32_t> Noise(size_t samples, int bits, uint32_t seed) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> d(bits == 8 ? 0 : -32768, bits == 8 ? 255 : 32767);
  std::vector<int32_t> v(samples);
  for (auto& s : v) s = d(rng);
  return v;
}

std::string StrikeEvents(const reference::Strike& s) {
  return std::to_string(s.onMs) + " ON " + std::to_string(s.velocity) + "\r\n" +
         std::to_string(s.offMs) + " OFF " + std::to_string(s.releaseVelocity);
}

// Renders the song through the driver and through the reference, and compares the data.
void ExpectRenderMatchesReference(const reference::Song& song, const std::string& instLine) {
  SongFixture f;
  WriteSample(f, "SMP", {song.sample.rate, song.sample.bits, song.sample.channels},
              song.sample.interleaved);
  std::string text = std::to_string(song.durationMs) + "\r\n{\r\n" + instLine + "\r\n";
  for (const auto& s : song.strikes)
    text += "[\r\n" + std::to_string(s.note) + "\r\n" + StrikeEvents(s) + "\r\n]\r\n";
  text += "}\r\n";
  RenderRun run = f.Render(text, {song.bits, song.channels, song.rate, song.gain});
  ASSERT_EQ(run.status, kOk) << text;
  WavData w = ReadWav(f.wav);
  std::vector<int32_t> expected = reference::Render(song);
  ASSERT_EQ(w.dataSize, expected.size() * size_t(song.bits / 8)) << text;
  ASSERT_EQ(w.samples.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i)
    ASSERT_EQ(w.samples[i], expected[i]) << "sample " << i << " of " << text << " at "
                                         << song.bits << "/" << song.channels << "/" << song.rate;
}

struct SampleCase {
  int bits, channels, rate;
};

TEST(RenderSound, EveryOutputFormatMatchesTheDefinition) {
  const SampleCase samples[] = {{16, 1, 44100}, {8, 2, 22050}, {16, 2, 11025}, {16, 2, 48000}};
  const char* instruments[] = {
      // attack, decay, falling sustain and release, panned right of centre
      "SMP 60 64 80 64 0 0 30 2 0 0 1.00 0.50 -0.80 -3.00 20 30 10 2500 -1 -1 ",
      // no attack: the first segment starts at the decay end factor; loud, saturating
      "SMP 62 20 10 100 0 0 0 2 0 0 2.00 1.50 0.00 -10.00 0 0 0 3000 -1 -1 ",
      // attack only, decay to a level, release slope 0 (plays the sample out)
      "SMP 55 64 127 -50 0 0 0 2 0 0 0.70 0.70 0.25 0.00 7 0 100 1800 -1 -1 ",
  };
  int seed = 1;
  for (const auto& sc : samples)
    for (const char* line : instruments)
      for (int bits : {8, 16})
        for (int channels : {1, 2})
          for (int rate : {11025, 22050, 44100}) {
            reference::Song song;
            song.bits = bits;
            song.channels = channels;
            song.rate = rate;
            song.gain = 300;
            song.durationMs = 120;
            song.sample = {sc.bits, sc.channels, sc.rate, Noise(size_t(4000 * sc.channels), sc.bits, seed++)};
            ASSERT_EQ(ParseInstrumentLine(line, song.instrument, true), kOk);
            song.strikes = {{60, 0, 100, 40, 64}, {67, 10, 127, 10, 0}, {48, 30, 64, 90, 100},
                            {73, 80, 90, 110, 64}, {62, 5, 110, 60, 30}};
            ExpectRenderMatchesReference(song, line);
          }
}

TEST(RenderSound, LongRampsCrossBlockBoundaries) {
  // A 3-second attack at 44100 Hz stereo spans two mixing blocks of 88200 frames; the level
  // restarts from its block's start value at each boundary.
  reference::Song song;
  song.durationMs = 3500;
  song.sample = {16, 2, 44100, Noise(2 * 150000, 16, 99)};
  const char* line = "SMP 60 64 64 64 0 0 0 2 0 0 1.30 0.20 -0.30 -0.50 3000 400 0 149999 -1 -1 ";
  ASSERT_EQ(ParseInstrumentLine(line, song.instrument, true), kOk);
  song.strikes = {{60, 0, 100, 3300, 64}};
  ExpectRenderMatchesReference(song, line);
}

TEST(RenderSound, BaseNoteAtUnityGainIsMixedBitExactly) {
  SongFixture f;
  std::vector<int32_t> sample = Noise(3000, 16, 5);
  WriteSample(f, "S", {44100, 16, 1}, sample);
  Inst s;
  s.end = 2999;
  // gain 256, velocity 100, sensitivity 64, base volume 64: a note-on gain of exactly 1.
  ASSERT_EQ(f.Render(Song(100, Block(s, {{60, {"0 ON 100", "90 OFF 64"}}})), {16, 1, 44100}).status,
            kOk);
  WavData w = ReadWav(f.wav);
  ASSERT_GE(w.samples.size(), sample.size());
  for (size_t i = 0; i < sample.size(); ++i) ASSERT_EQ(w.samples[i], sample[i]) << i;
}

// The sound of a song with and without some change, for comparisons.
std::vector<int32_t> RenderWith(const std::string& text, RenderFormat format = {}) {
  SongFixture f;
  WriteSample(f, "S", {44100, 16, 1}, Noise(1000, 16, 3));
  Inst loop;
  loop.name = "L";
  WriteSample(f, "L", {44100, 16, 1}, Noise(1000, 16, 4));
  EXPECT_EQ(f.Render(text, format).status, kOk) << text;
  return ReadWav(f.wav).samples;
}

TEST(RenderSound, OnAndOffTogetherWithAnAttackAreSilent) {
  Inst s;
  s.attackMs = 10;
  for (int32_t v : RenderWith(Song(50, Block(s, {{60, {"5 ON 100", "5 OFF 64"}}})))) ASSERT_EQ(v, 0);
}

TEST(RenderSound, PanFullyRightSilencesTheLeftOnlyInStereo) {
  // Given with the ON, before anything sounds: the level starts from the panned gain.
  Inst s;
  auto stereo = RenderWith(Song(30, Block(s, {{60, {"0 ON 100", "0 PAN 127", "20 OFF 64"}}})));
  bool rightSounds = false;
  for (size_t i = 0; i < stereo.size(); i += 2) {
    ASSERT_EQ(stereo[i], 0) << i;
    rightSounds |= stereo[i + 1] != 0;
  }
  EXPECT_TRUE(rightSounds);
  auto mono = RenderWith(Song(30, Block(s, {{60, {"0 ON 100", "0 PAN 127", "20 OFF 64"}}})), {16, 1});
  auto monoPlain = RenderWith(Song(30, Block(s, {{60, {"0 ON 100", "20 OFF 64"}}})), {16, 1});
  EXPECT_EQ(mono, monoPlain);
}

TEST(RenderSound, NegativeVelocitySensitivityIsSilentUntilTheRelease) {
  Inst s;
  s.velocitySens = -50;
  s.releaseSlope = "-0.50";
  auto v = RenderWith(Song(30, Block(s, {{60, {"0 ON 100", "10 OFF 64"}}})));
  for (size_t i = 0; i < 2 * 441; ++i) ASSERT_EQ(v[i], 0) << i;
}

TEST(RenderSound, ControllersChangeTheSlopeNotTheLevel) {
  Inst s;  // flat sustain: a VOL changes nothing before the release (whose gain it enters)
  auto with = RenderWith(Song(30, Block(s, {{60, {"0 ON 100", "5 VOL 120", "20 OFF 64"}}})));
  auto without = RenderWith(Song(30, Block(s, {{60, {"0 ON 100", "20 OFF 64"}}})));
  ASSERT_EQ(with.size(), without.size());
  EXPECT_TRUE(std::equal(with.begin(), with.begin() + 2 * 881, without.begin()));
  EXPECT_NE(with, without);
  Inst ramp = s;  // a rising sustain rises faster after the VOL
  ramp.sustainSlope = "1.00";
  EXPECT_NE(RenderWith(Song(30, Block(ramp, {{60, {"0 ON 100", "5 VOL 120", "20 OFF 64"}}}))),
            RenderWith(Song(30, Block(ramp, {{60, {"0 ON 100", "20 OFF 64"}}}))));
}

TEST(RenderSound, EightBitOutputSaturatesInsteadOfWrapping) {
  SongFixture f;
  WriteSample(f, "S", {44100, 16, 1}, std::vector<int32_t>(1000, 30000));
  Inst s;
  std::string text = Song(20, Block(s, {{60, {"0 ON 127", "20 OFF 64"}}, {60, {"0 ON 127", "20 OFF 64"}}}));
  ASSERT_EQ(f.Render(text, {8, 1, 44100}).status, kOk);
  for (int32_t v : ReadWav(f.wav).samples) ASSERT_TRUE(v == 255 || v == 128) << v;
  WriteSample(f, "S", {44100, 16, 1}, std::vector<int32_t>(1000, -30000));
  ASSERT_EQ(f.Render(text, {8, 1, 44100}).status, kOk);
  for (int32_t v : ReadWav(f.wav).samples) ASSERT_TRUE(v == 0 || v == 128) << v;
}

// A ramp sample shows where playback reads: at unity gain each output is the value read.
class Playback : public ::testing::Test {
 protected:
  void SetUp() override {
    std::vector<int32_t> ramp(4000);
    for (int i = 0; i < 4000; ++i) ramp[size_t(i)] = i * 8;
    WriteSample(f, "S", {44100, 16, 1}, ramp);
    inst.end = 3999;
    inst.bendRange = 12;
  }
  std::vector<int32_t> Render(const std::vector<std::string>& events) {
    EXPECT_EQ(f.Render(Song(100, Block(inst, {{60, events}})), {16, 1, 44100}).status, kOk);
    return ReadWav(f.wav).samples;
  }
  SongFixture f;
  Inst inst;
};

TEST_F(Playback, BendInterpolatesBetweenSamplesAtItsStep) {
  // A full bend of an octave doubles the step: 65536 in Q15.
  auto v = Render({"0 ON 100", "10 BND 8192", "50 OFF 64"});
  const int start = 440;  // 10 ms is frame trunc(10 × 44.099998) = 440
  EXPECT_EQ(v[start - 1], (start - 1) * 8);
  // Interpolation starts with prev = sample[position - 1] and a fraction of 0.
  int prev = (start - 1) * 8, position = start, fraction = 0;
  int delta = position * 8 - prev;
  for (int j = 0; j < 500; ++j) {
    ASSERT_EQ(v[size_t(start + j)], prev + ((delta * fraction) >> 15)) << j;
    fraction += 65536;
    if (fraction > 32767) {
      prev = position * 8;
      position += fraction >> 15;
      fraction &= 32767;
      delta = position * 8 - prev;
    }
  }
}

TEST_F(Playback, ModulationBackToZeroReturnsToDirectPlayback) {
  inst.modSens = 100;
  inst.modRate = 7;
  auto v = Render({"0 ON 100", "5 MOD 127", "20 MOD 0", "60 OFF 64"});
  // After the vibrato ends, samples follow each other one per frame again.
  for (size_t i = 882 + 1; i < 2000; ++i) ASSERT_EQ(v[i] - v[i - 1], 8) << i;
  // During it they did not.
  bool irregular = false;
  for (size_t i = 221 + 2; i < 882; ++i) irregular |= v[i] - v[i - 1] != 8;
  EXPECT_TRUE(irregular);
}

TEST_F(Playback, ModulationRateZeroMeansNoVibrato) {
  inst.modSens = 100;
  inst.modRate = 0;
  EXPECT_EQ(Render({"0 ON 100", "5 MOD 127", "60 OFF 64"}), Render({"0 ON 100", "60 OFF 64"}));
}

TEST_F(Playback, LoopsRepeatTheMiddleCopyUntilTheReleaseEnds) {
  inst.loopStart = 1000;
  inst.loopEnd = 1099;
  inst.end = 1100;
  inst.releaseSlope = "-20.00";  // 1 / (20 / 44100) = 2205 frames of release
  auto v = Render({"0 ON 100", "50 OFF 64"});
  ASSERT_EQ(v.size(), 4409u);
  // Straight up to the loop end, then the loop again and again.
  for (int i = 0; i < 1100; ++i) ASSERT_EQ(v[size_t(i)], i * 8) << i;
  for (int i = 1100; i < 2204; ++i) ASSERT_EQ(v[size_t(i)], (1000 + (i - 1000) % 100) * 8) << i;
  // From frame 2204 the release fades, looping on, for 1 / (20 / 44100) = 2205 frames.
  for (int i = 2204; i < 4409; ++i) {
    const int looped = (1000 + (i - 1000) % 100) * 8;
    ASSERT_LE(v[size_t(i)], looped) << i;
    ASSERT_GE(v[size_t(i)], looped * (2204 + 2205 - i) / 2205 - 8) << i;
  }
}

TEST_F(Playback, AShallowReleaseInsideALoopStillEnds) {
  inst.loopStart = 1000;
  inst.loopEnd = 1099;
  inst.end = 1100;
  inst.releaseSlope = "-0.000001";  // gain × step is above -0.00001 per frame
  auto v = Render({"0 ON 100", "10 OFF 64"});
  // Level 1 at -0.00001 per frame: 100000 frames of release, then the file ends.
  EXPECT_EQ(v.size(), size_t(440 + 100000));
}

}  // namespace
