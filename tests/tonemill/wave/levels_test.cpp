// Expand/Compress, Fade, Gate, Gated Cut and Extend against worked values.
#include "tonemill/wave/enhance.h"
#include "tonemill/wave/extend.h"
#include "tonemill/wave/fade.h"
#include "tonemill/wave/gate.h"
#include "tonemill/wave/gatedcut.h"
#include "wavetest.h"

namespace tonemill {
namespace {

using V = std::vector<int32_t>;

RangeEngine Fade(double from, double to) {
  return [=](const RangeRequest& r, Progress& p) { return FadeRange(r, {from, to}, p); };
}
RangeEngine Enhance(double amp, double exponent, int32_t window) {
  return [=](const RangeRequest& r, Progress& p) { return ExpandRange(r, {amp, exponent, window}, p); };
}
RangeEngine Gate(int32_t threshold, int32_t attack, int32_t decay) {
  return [=](const RangeRequest& r, Progress& p) { return GateRange(r, {threshold, attack, decay}, p); };
}
RangeEngine GatedCut(int32_t threshold, bool prune) {
  return [=](const RangeRequest& r, Progress& p) { return GatedCutRange(r, {threshold, prune}, p); };
}

TEST(Fade, RampsInBytesTruncatesAndClips) {
  // factor = 1 - D/8 over 8 bytes: 1, 0.75, 0.5, 0.25; 16-bit truncates toward zero.
  EXPECT_EQ(Processed(kMono16, {1000, -1001, 1001, -1001}, Fade(1, 0)), (V{1000, -750, 500, -250}));
  // 8-bit: (b - 128) × factor + 128, then truncated: the centred product is floored.
  EXPECT_EQ(Processed(kMono8, {27, 27}, Fade(0.5, 0.5)), (V{77, 77}));
  EXPECT_EQ(Processed(kMono8, {200, 0, 255, 1}, Fade(2, 2)), (V{255, 0, 255, 0}));
  EXPECT_EQ(Processed(kMono16, {20000, -20000}, Fade(2, 2)), (V{32767, -32768}));
  // Only the right channel of the range; both samples of a frame take the frame's factor.
  EXPECT_EQ(Processed(kStereo16, {100, 100, 100, 100, 100, 100}, Fade(1, 0), 0, 1, false, true),
            (V{100, 100, 100, 50, 100, 100}));
  EXPECT_EQ(Processed(kStereo16, {100, 100, 100, 100}, Fade(1, 0)), (V{100, 100, 50, 50}));
}

TEST(Enhance, MovingAverageGainRoundsHalvesToEven) {
  // Compress p = 1, window 2: averages 50, 100, 100 -> 100/51, 100/101, 100/101.
  EXPECT_EQ(Processed(kMono16, {100, 100, 100}, Enhance(1, 1, 2)), (V{2, 1, 1}));
  // Exponent 0 is a plain gain; halves go to the even neighbour.
  EXPECT_EQ(Processed(kMono16, {3, 5, -3, 7}, Enhance(0.5, 0, 10)), (V{2, 2, -2, 4}));
  EXPECT_EQ(Processed(kMono16, {20000, -20000, 0}, Enhance(5, 0, 10)), (V{32767, -32768, 0}));
  EXPECT_EQ(Processed(kMono8, {128, 128}, Enhance(0.05, -0.3, 100)), (V{128, 128}));
  EXPECT_EQ(Processed(kMono8, {255, 0}, Enhance(5, 0, 1)), (V{255, 0}));
  // Channels keep their own averages: the loud left does not quieten the right.
  EXPECT_EQ(Processed(kStereo16, {30000, 100, 30000, 100}, Enhance(1, 1, 1)), (V{1, 1, 1, 1}));
}

TEST(Enhance, AverageSlotsHoldTheMagnitudeOfTheLowestSample) {
  Tavrg average;
  average.Init(2);
  average.Push(32768);
  EXPECT_EQ(average.Average(), 16384.0L);
  average.Push(0);
  average.Push(0);  // 32768 leaves the ring again
  EXPECT_EQ(average.Average(), 0.0L);
  average.Init(100000);
  EXPECT_EQ(average.N(), Tavrg::kMaxItems);
}

TEST(Gate, StateMachineRampsFromItsStart) {
  // Decay over 4 frames, attack over 2: 1 - k/4 while closing, 0 + k/2 while opening.
  EXPECT_EQ(Processed(kMono16, {1000, 10, 10, 10, 10, 10, 1000, 1000, 1000}, Gate(100, 2, 4)),
            (V{1000, 7, 5, 2, 0, 0, 500, 1000, 1000}));
  // A ramp broken off starts the other one from the gain reached.
  EXPECT_EQ(Processed(kMono16, {1000, 100, 100, 1000, 1000, 1000}, Gate(500, 4, 4)),
            (V{1000, 75, 50, 750, 1000, 1000}));
  // Without ramps it switches within one frame; threshold 0 never closes.
  EXPECT_EQ(Processed(kMono16, {1000, 10, -10, 1000}, Gate(100, 0, 0)), (V{1000, 0, 0, 1000}));
  EXPECT_EQ(Processed(kMono16, {0, 0, 1}, Gate(0, 0, 0)), (V{0, 0, 1}));
  // 8-bit truncates the centred product: (27 - 128) × 0.5 = -50.5 gives -50.
  EXPECT_EQ(Processed(kMono8, {255, 27}, Gate(110, 2, 2)), (V{255, 78}));
}

TEST(Gate, BothChannelsMeetTwiceTheThresholdTogether) {
  const V frames = {60, 60, 60, 60};
  EXPECT_EQ(Processed(kStereo16, frames, Gate(100, 0, 0)), (V{0, 0, 0, 0}));  // 120 < 200
  EXPECT_EQ(Processed(kStereo16, frames, Gate(50, 0, 0)), frames);           // 120 >= 100
  // One channel: its own level against the threshold as entered; the other is copied.
  EXPECT_EQ(Processed(kStereo16, {60, 600, 60, 600}, Gate(100, 0, 0), 0, 1, true, false),
            (V{0, 600, 0, 600}));
  EXPECT_EQ(Processed(kMono16, {60, 60}, Gate(50, 0, 0)), (V{60, 60}));  // mono: never doubled
}

TEST(GatedCut, RemovesQuietFramesWithAndWithoutPrune) {
  const V in = {0, 0, 500, 0, 0, -600, 0, 0};
  EXPECT_EQ(Processed(kMono16, in, GatedCut(100, false)), (V{500, -600}));
  EXPECT_EQ(Processed(kMono16, in, GatedCut(100, true)), (V{500, 0, 0, -600}));
  EXPECT_EQ(Processed(kMono16, {0, 10, 20, 30}, GatedCut(100, false), 1, 2), (V{0, 30}));
  // Stereo compares with the doubled threshold: |L| + |R|, or twice the chosen channel.
  const V stereo = {60, 60, 40, 70};
  EXPECT_EQ(Processed(kStereo16, stereo, GatedCut(50, false)), stereo);
  EXPECT_EQ(Processed(kStereo16, stereo, GatedCut(50, false), 0, 1, true, false), (V{60, 60}));
  EXPECT_EQ(Processed(kStereo8, {128 + 60, 128, 128, 128 + 60}, GatedCut(50, false), 0, 1, false, true),
            (V{128, 128 + 60}));
}

// Quiet frames between passing ones are read again from the input when they span blocks.
TEST(GatedCut, PruneKeepsLongQuietStretchesBetweenPassingFrames) {
  V in(30000, 3);
  in[0] = 0;
  in[100] = 1000;
  in[25000] = -1000;
  const V out = Processed(kMono16, in, GatedCut(500, true));
  EXPECT_EQ(out, V(in.begin() + 100, in.begin() + 25001));
}

TEST(Extend, InsertsOrAppendsSilence) {
  auto extend = [](int64_t start, int64_t frames, bool append) -> RangeEngine {
    return [=](const RangeRequest& r, Progress& p) {
      return ExtendWav(r.input, r.output, {start, frames, append}, p);
    };
  };
  EXPECT_EQ(Processed(kStereo8, {1, 2, 3, 4}, extend(1, 2, false)), (V{1, 2, 128, 128, 128, 128, 3, 4}));
  EXPECT_EQ(Processed(kMono16, {1, 2, 3}, extend(1, 2, true)), (V{1, 2, 3, 0, 0}));
  EXPECT_EQ(Processed(kMono16, {1, 2, 3}, extend(5, 1, false)), (V{1, 2, 3, 0}));
  EXPECT_EQ(Processed(kMono16, {1, 2, 3}, extend(1, 0, false)), (V{1, 2, 3}));
  const EngineOutput out = RunEngine(kMono8, {1, 2, 3}, extend(0, 3, false));
  EXPECT_EQ(out.progress.total, 6);
  EXPECT_EQ(out.wav.dataSize, 6u);
}

}  // namespace
}  // namespace tonemill
