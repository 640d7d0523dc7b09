// The dialogs' parameter edits and the settings their OK buttons compute.
#include "tonemill/wave/effectparams.h"

#include <cstdio>
#include <gtest/gtest.h>

namespace tonemill {
namespace {

LaunchValues Launch(bool ms, int32_t bits = 16, int32_t rate = 44100) {
  LaunchValues l;
  l.msMode = ms;
  l.framesPerMs = rate / 1000.0;
  l.bits = bits;
  l.rate = rate;
  return l;
}

TEST(EffectFields, ChecksRewriteAndMessages) {
  const LaunchValues ms = Launch(true), samples = Launch(false), eight = Launch(true, 8);
  const struct {
    RealField field;
    const char* text;
    const char* shown;  // nullptr: refused with the field's message
  } cases[] = {
      {EnhanceDialogFields(true, ms).parameter, "0.3", "0.300"},
      {EnhanceDialogFields(true, ms).parameter, "-0.1", nullptr},
      {EnhanceDialogFields(false, ms).amplification, "-2", "-2.000"},
      {EnhanceDialogFields(true, ms).time, "0.1", "0.10"},
      {EnhanceDialogFields(true, ms).time, "100.004", nullptr},
      {EnhanceDialogFields(true, samples).time, "4410", "4410"},
      {EnhanceDialogFields(true, samples).time, "0.5", nullptr},
      {GateDialogFields(eight).threshold, "128", "128"},
      {GateDialogFields(eight).threshold, "129", nullptr},
      {GateDialogFields(ms).threshold, "32768", "32768"},
      {GateDialogFields(ms).attack, "1.005", "1.01"},
      {GateDialogFields(samples).decay, "-1", nullptr},
      {LowHighDialogFields(true, ms).cutoff, " 22050", "22050.0"},
      {LowHighDialogFields(true, ms).cutoff, "1e3x", nullptr},
      {LowHighDialogFields(true, ms).cutoff, "22050.04", nullptr},
      {LowHighDialogFields(true, ms).cutoff, "1e308", nullptr},
      {LowHighDialogFields(false, ms).cutoff, "22051", nullptr},
      {LowHighDialogFields(false, Launch(true, 16, 11025)).cutoff, "5512.5", "5512.5"},
      {RingDialogFields().rate, "0", "0.00"},
      {FadeDialogFields().startFactor, "abc", nullptr},
  };
  for (const auto& c : cases) {
    double value = 0;
    std::string shown;
    const std::optional<Problem> p = CheckField(c.field, c.text, value, shown);
    if (!c.shown) {
      ASSERT_TRUE(p) << c.text;
      EXPECT_EQ(p->message, c.field.message);
    } else {
      ASSERT_FALSE(p) << c.text << ": " << p->message;
      EXPECT_EQ(shown, c.shown);
    }
  }
  EXPECT_EQ(EnhanceDialogFields(true, ms).time.message,
            "The allowed time resolution range is 0.10 to 100.00 ms!");
  EXPECT_EQ(EnhanceDialogFields(false, samples).time.message,
            "The allowed time resolution range is 1 to 4410 samples!");
  EXPECT_EQ(EnhanceDialogFields(false, samples).time.defaultText, "2205");
  EXPECT_EQ(EnhanceDialogFields(true, ms).amplification.defaultText, "0.050");
  EXPECT_EQ(GateDialogFields(eight).threshold.defaultText, "26");
  EXPECT_EQ(BandDialogFields(true, Launch(true, 16, 22050)).width.defaultText, "5512.0");
  EXPECT_EQ(SpinField(RingDialogFields().rate, "0.50", -1), std::nullopt);
  EXPECT_EQ(SpinField(RingDialogFields().rate, "1.5", -1), "0.50");
  EXPECT_EQ(SpinField(GateDialogFields(eight).threshold, "128", 1), std::nullopt);
}

TEST(EffectSettings, AsTheOkButtonsComputeThem) {
  const EnhanceSettings expand = EnhanceSettingsOf(true, 0.3, 0.05, 50, Launch(true));
  EXPECT_EQ(expand.exponent, -0.3);
  EXPECT_EQ(expand.window, 2205);
  EXPECT_EQ(EnhanceSettingsOf(false, 0.3, 5, 0.1, Launch(true, 16, 11025)).window, 1);
  EXPECT_EQ(EnhanceSettingsOf(false, 0.3, 5, 4410, Launch(false)).window, 4410);
  // Round(time × rate × 0.001): 0.5 ms at 11025 Hz is 5.5125 frames; a time of 2.5 samples
  // (never shown so, but computed so) takes the even neighbour.
  EXPECT_EQ(EnhanceSettingsOf(false, 0.3, 5, 0.5, Launch(true, 16, 11025)).window, 6);
  EXPECT_EQ(EnhanceSettingsOf(false, 0.3, 5, 2.5, Launch(false)).window, 2);

  const GateSettings gate = GateSettingsOf(3277.9, 1.5, 0.01, Launch(true));
  EXPECT_EQ(gate.threshold, 3277);
  EXPECT_EQ(gate.attackFrames, 66);  // Trunc(1.5 × 44.1)
  EXPECT_EQ(gate.decayFrames, 0);
  LaunchValues start = Launch(false);
  start.start = 10;
  const ExtendSettings extend = ExtendSettingsOf(5, true, start);
  EXPECT_EQ(extend.startFrame, 10);
  EXPECT_EQ(extend.durationFrames, 5);
  EXPECT_TRUE(extend.append);
}

// The whole file's end in ms must still convert to the last frame: lastFrame ÷ frames per ms ×
// frames per ms can land a hair below it, and Trunc would lose the frame.
TEST(LaunchValues, TheWholeFileEndsAtItsLastFrameInEveryUnit) {
  for (int32_t rate : {11025, 22050, 44100}) {
    for (int64_t frames = 1; frames < 3000; frames += 7) {
      EditorInput input;
      input.rate = rate;
      input.channels = 1;
      input.totalFrames = frames;
      input.durationMs = double(frames) / rate * 1000;
      input.framesPerMs = double(frames) / input.durationMs;
      for (bool ms : {true, false}) {
        LaunchValues launch = WholeFile("in.wav", "out.wav", input, ms);
        ASSERT_EQ(FramesOf(launch.end, launch), frames - 1) << rate << " Hz, " << frames << " frames";
        char end[32];
        std::snprintf(end, sizeof end, "%.17g", ms ? input.durationMs : double(frames));
        ASSERT_FALSE(SetSelection(launch, input, "0", end));
        ASSERT_EQ(FramesOf(launch.end, launch), frames - 1) << "clamped end, " << frames << " frames";
      }
    }
  }
}

}  // namespace
}  // namespace tonemill
