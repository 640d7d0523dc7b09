// The integer arguments the dialogs compute from their fields, and the fields from patches.
#include "tonemill/effects/effectarguments.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace tonemill;

namespace {

LaunchValues Launch(bool msMode, double framesPerMs) {
  LaunchValues l;
  l.msMode = msMode;
  l.framesPerMs = framesPerMs;
  l.rate = 44100;
  return l;
}

EffectFields Fields(EffectKind kind, const LaunchValues& launch) {
  return FieldsFromPatch(kind, DefaultPatch(LayoutOf(kind)), launch);
}

TEST(EffectArguments, PercentagesAndLevels) {
  const LaunchValues ms = Launch(true, 44.1);
  EffectFields echo = Fields(EffectKind::Echo, ms);
  struct Case {
    double percent;
    int32_t per256;
  } cases[] = {{100, 256}, {50, 128}, {99.9, 255}, {-100, -256}, {12.5, 32}, {-0.3, 0}, {0.4, 1}};
  for (const Case& c : cases) {
    echo.values[echo::kLevel] = c.percent;
    EXPECT_EQ(EchoArgumentsOf(echo, ms).level, c.per256) << c.percent;
  }
  EffectFields flange = Fields(EffectKind::Flange, ms);
  flange.values[flange::kOriginal] = 0.999;
  flange.values[flange::kEffect] = -1;
  flange.values[flange::kFeedback] = -99.9;
  FlangeArguments f = FlangeArgumentsOf(flange, ms, 44100);
  EXPECT_EQ(f.dryLevel, 255);
  EXPECT_EQ(f.wetLevel, -256);
  EXPECT_EQ(f.feedback, -255);
  flange.values[flange::kOriginal] = 1e12;  // saturates instead of overflowing
  EXPECT_EQ(FlangeArgumentsOf(flange, ms, 44100).dryLevel, INT32_MAX);
  // The chorus passes no feedback.
  EXPECT_EQ(FlangeArgumentsOf(Fields(EffectKind::Chorus, ms), ms, 44100).feedback, 0);
}

TEST(EffectArguments, RateIsReducedByTheGreatestCommonDivisor) {
  const LaunchValues ms = Launch(true, 44.1);
  EffectFields f = Fields(EffectKind::Flange, ms);
  struct Case {
    double hz;
    int32_t rate, num, den;
  } cases[] = {{1.0, 44100, 1, 44100}, {0, 44100, 0, 1}, {2.5, 22050, 1, 8820}, {0.3, 11025, 1, 36750},
               {7.7, 44100, 11, 63000}};
  for (const Case& c : cases) {
    f.values[flange::kRate] = c.hz;
    const FlangeArguments a = FlangeArgumentsOf(f, ms, c.rate);
    EXPECT_EQ(a.rateNum, c.num) << c.hz;
    EXPECT_EQ(a.rateDen, c.den) << c.hz;
  }
}

TEST(EffectArguments, TimesFollowTheEditorsFramesPerMillisecond) {
  // 12345 frames at 44100 Hz: frames per ms = frames ÷ duration is not exactly 44.1, and a
  // 100 ms delay truncates to one frame less than 100 × 44.1 would.
  const double duration = 12345.0 / 44100 * 1000;
  const double framesPerMs = 12345.0 / duration;
  ASSERT_LT(framesPerMs, 44.1);
  EffectFields echo = Fields(EffectKind::Echo, Launch(true, framesPerMs));
  EXPECT_EQ(EchoArgumentsOf(echo, Launch(true, framesPerMs)).delayFrames, 4409);
  // In frame mode a patch's 100 ms shows as whole frames, and a field truncates.
  const LaunchValues frames = Launch(false, 44.1);
  echo = Fields(EffectKind::Echo, frames);
  EXPECT_EQ(echo.values[echo::kDelay], 4410);
  echo.values[echo::kDelay] = 100.7;
  EXPECT_EQ(EchoArgumentsOf(echo, frames).delayFrames, 100);
  EXPECT_EQ(PatchFromFields(echo, "x", frames).values[echo::kDelay], "2.28");
  // The reverb's decay and delay always travel in milliseconds.
  EffectFields reverb = Fields(EffectKind::Reverb, frames);
  reverb.values[reverb::kDecay] = 11025;
  reverb.values[reverb::kDelay] = 43;
  reverb.values[reverb::kLowpassLeft] = 46.9;
  const ReverbArguments r = ReverbArgumentsOf(reverb, frames);
  EXPECT_EQ(r.decayMs, 250);
  EXPECT_EQ(r.predelayMs, 0);
  EXPECT_EQ(r.levelLeft, 51);
  EXPECT_EQ(r.lowpassLeft[0], 46);
  EXPECT_EQ(r.algorithm, 1);
}

TEST(EffectArguments, VocoderRoundsHalvesToEven) {
  const LaunchValues ms = Launch(true, 44.1), frames = Launch(false, 22.05);
  EffectFields v = Fields(EffectKind::Vocoder, ms);
  VocodeArguments a = VocodeArgumentsOf(v, ms, true);
  EXPECT_EQ(a.windowFrames, 441);
  EXPECT_EQ(a.bandCount, 32);
  EXPECT_EQ(a.amp256, 256);
  EXPECT_EQ(a.normalize, 1);
  EXPECT_EQ(a.controlCenter[0], 780);
  EXPECT_EQ(a.carrierWidth[31], 2650);
  EXPECT_EQ(a.weight256[5], 256);
  v = Fields(EffectKind::Vocoder, frames);
  EXPECT_EQ(v.values[vocoder::kTime], 221);  // 10 ms shown as frames: 220.5 rounded up
  for (auto [time, window] : {std::pair{2.5, 2}, {3.5, 4}, {0.2, 1}, {4410.0, 4410}}) {
    v.values[vocoder::kTime] = time;
    EXPECT_EQ(VocodeArgumentsOf(v, frames, false).windowFrames, window) << time;
  }
  v.values[vocoder::kAmplification] = 2.5 / 256;
  v.bands[3][vocoder::kWeight] = "0.005859375";  // 1.5 / 256
  a = VocodeArgumentsOf(v, frames, false);
  EXPECT_EQ(a.amp256, 2);
  EXPECT_EQ(a.weight256[3], 2);
}

TEST(EffectArguments, DefaultBandTableAndEquidistant) {
  const int32_t widths[32] = {390, 260, 260, 260, 260, 260, 260, 260, 260, 260, 260,
                              260, 260, 260, 260, 260, 260, 260, 260, 260, 260, 260,
                              260, 260, 260, 260, 260, 260, 260, 1450, 2645, 2650};
  for (int b = 0; b < 32; ++b) EXPECT_EQ(DefaultBandWidth(b), widths[b]) << b;
  EffectFields v = Fields(EffectKind::Vocoder, Launch(true, 44.1));
  v.values[vocoder::kBands] = 4;
  v.bands[0][vocoder::kControlCentre] = "1000";
  v.bands[3][vocoder::kControlCentre] = "2000";
  v.bands[0][vocoder::kCarrierCentre] = "100";
  v.bands[3][vocoder::kCarrierCentre] = "107";
  MakeEquidistant(v);
  EXPECT_EQ(v.bands[1][vocoder::kControlCentre], "1250");
  EXPECT_EQ(v.bands[2][vocoder::kControlCentre], "1500");
  EXPECT_EQ(v.bands[3][vocoder::kControlCentre], "2000");
  EXPECT_EQ(v.bands[30][vocoder::kControlWidth], "250");
  EXPECT_EQ(v.bands[1][vocoder::kCarrierCentre], "102");  // 101.75
  EXPECT_EQ(v.bands[0][vocoder::kCarrierWidth], "2");     // 1.75
}

TEST(EffectArguments, FieldChecksGiveTheDialogsMessages) {
  const LaunchValues ms = Launch(true, 44.1), frames = Launch(false, 44.1);
  struct Case {
    EffectKind kind;
    size_t column;
    const char* text;
    const char* message;  // empty: accepted
  } cases[] = {
      {EffectKind::Echo, echo::kLevel, "100.5", "Illegal level value!"},
      {EffectKind::Echo, echo::kFeedback, "-99", ""},
      {EffectKind::Echo, echo::kFeedback, "99.5", "Illegal feedback value!"},
      {EffectKind::Echo, echo::kDelay, "-1", "Illegal delay value!"},
      {EffectKind::Flange, flange::kOriginal, "abc", "Illegal amplitude factor!"},
      {EffectKind::Flange, flange::kOffset, "-30", ""},
      {EffectKind::Flange, flange::kVariation, "-1", "Illegal variation value!"},
      {EffectKind::Chorus, chorus::kRate, "-0.1", "Illegal rate value!"},
      {EffectKind::Reverb, reverb::kLevelRight, "1000.5", "Illegal right level value!"},
      {EffectKind::Reverb, reverb::kLowpassRight + 5, "99.1", "Illegal filter gain!"},
      {EffectKind::Vocoder, vocoder::kTime, "0.09", "The allowed time resolution range is 0.10 to 100.00 ms!"},
      {EffectKind::Vocoder, vocoder::kBands, "33", "The allowed number of bands is 1 to 32!"},
      {EffectKind::Vocoder, vocoder::kBands, "2.5", "The allowed number of bands is 1 to 32!"},
  };
  for (const Case& c : cases) {
    EffectFields f = Fields(c.kind, ms);
    const std::optional<Problem> p = SetField(f, c.column, c.text, ms);
    EXPECT_EQ(p ? p->message : "", c.message) << c.text;
  }
  EffectFields v = Fields(EffectKind::Vocoder, frames);
  EXPECT_EQ(SetField(v, vocoder::kTime, "4411", frames)->message,
            "The allowed time resolution range is 1 to 4410 samples!");
  EXPECT_EQ(SetBandCell(v, 0, vocoder::kCarrierCentre, "44101")->message,
            "The allowed frequency range is 0 to 44100 Hz!");
  EXPECT_EQ(SetBandCell(v, 0, vocoder::kWeight, "heavy")->message, "Illegal band weight factor!");
}

TEST(EffectArguments, FlangeTablesInExtendedPrecision) {
  const FlangeTables& t = FlangeWaveTables();
  EXPECT_EQ(t.sine[0], 0);
  EXPECT_EQ(t.cosine[0], 65536);
  EXPECT_EQ(t.sine[402], 65536);
  EXPECT_EQ(t.cosine[804], -65536);
  // Where the stored step in double precision would land on the other side of a whole number.
  EXPECT_EQ(t.sine[670], 32768);
  EXPECT_EQ(t.sine[938], -32767);
  EXPECT_EQ(t.cosine[1340], 32767);
  EXPECT_EQ(t.sine[134], 32767);
  EXPECT_EQ(t.sine[1474], -32768);
}

}  // namespace
