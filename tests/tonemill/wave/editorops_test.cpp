// Cut, Maximize and Reverse, with their progress totals.
#include "tonemill/wave/editorops.h"
#include "wavetest.h"

namespace tonemill {
namespace {

using V = std::vector<int32_t>;

RangeEngine Cut() { return [](const RangeRequest& r, Progress& p) { return CutRange(r, p); }; }
RangeEngine Maximize() { return [](const RangeRequest& r, Progress& p) { return MaximizeRange(r, p); }; }
RangeEngine Reverse() { return [](const RangeRequest& r, Progress& p) { return ReverseRange(r, p); }; }

TEST(Cut, RemovesTheRangeAndCountsWhatRemains) {
  const EngineOutput middle = RunEngine(kStereo16, {1, 2, 3, 4, 5, 6, 7, 8}, Cut(), 1, 2);
  EXPECT_EQ(middle.wav.samples, (V{1, 2, 7, 8}));
  EXPECT_EQ(middle.progress.total, 8);
  EXPECT_EQ(middle.progress.done, 8);
  const EngineOutput all = RunEngine(kMono16, {1, 2, 3}, Cut());
  EXPECT_EQ(all.wav.dataSize, 0u);
  EXPECT_EQ(all.wav.riffSize, 36u);
}

TEST(Maximize, ThePeakLandsExactlyOnFullScale) {
  for (int32_t peak : {1, 3, 7, 49, 99, 1000, 12345, 32767, 32768}) {
    const V out = Processed(kMono16, {peak == 32768 ? -32768 : peak, -peak / 2, 0}, Maximize());
    EXPECT_EQ(std::abs(out[0]), 32767) << peak;
    EXPECT_EQ(out[1], int32_t(int64_t(-peak / 2) * 32767 / peak)) << peak;
  }
  // 8-bit: a positive peak of 127 leaves the file as it is; silence stays silence.
  EXPECT_EQ(Processed(kMono8, {255, 1, 128, 200}, Maximize()), (V{255, 1, 128, 200}));
  EXPECT_EQ(Processed(kMono8, {128, 128}, Maximize()), (V{128, 128}));
  EXPECT_EQ(Processed(kMono8, {128 + 10, 128 - 5}, Maximize()), (V{255, 128 - 63}));
}

TEST(Maximize, StereoTakesTheSmallerGainOrTheChosenChannelsOwn) {
  const V in = {100, 1000, -50, -500, 7, 7};
  EXPECT_EQ(Processed(kStereo16, in, Maximize()), (V{3276, 32767, -1638, -16383, 229, 229}));
  EXPECT_EQ(Processed(kStereo16, in, Maximize(), 0, 2, true, false), (V{32767, 1000, -16383, -500, 2293, 7}));
  // Only the range is scanned and changed; it is read twice.
  const EngineOutput part = RunEngine(kMono16, {30000, 10, -20, 30000}, Maximize(), 1, 2);
  EXPECT_EQ(part.wav.samples, (V{30000, 16383, -32767, 30000}));
  EXPECT_EQ(part.progress.total, 8 + 4);
  EXPECT_EQ(part.progress.done, part.progress.total);
}

TEST(Reverse, FramesOrOneChannelBackwards) {
  EXPECT_EQ(Processed(kMono16, {1, 2, 3, 4, 5}, Reverse(), 1, 3), (V{1, 4, 3, 2, 5}));
  EXPECT_EQ(Processed(kStereo8, {1, 2, 3, 4, 5, 6}, Reverse()), (V{5, 6, 3, 4, 1, 2}));
  const EngineOutput right = RunEngine(kStereo16, {1, 2, 3, 4, 5, 6, 7, 8}, Reverse(), 0, 2, false, true);
  EXPECT_EQ(right.wav.samples, (V{1, 6, 3, 4, 5, 2, 7, 8}));
  EXPECT_EQ(right.progress.total, 16 + 12);
  EXPECT_EQ(right.progress.done, right.progress.total);
  // Ranges longer than one block.
  V in;
  for (int i = 0; i < 2 * 25001; ++i) in.push_back(i % 30000);
  const V out = Processed(kStereo16, in, Reverse(), 0, -1, true, false);
  for (size_t f = 0; f < 25001; ++f) {
    ASSERT_EQ(out[2 * f], in[2 * (25000 - f)]) << f;
    ASSERT_EQ(out[2 * f + 1], in[2 * f + 1]) << f;
  }
}

}  // namespace
}  // namespace tonemill
