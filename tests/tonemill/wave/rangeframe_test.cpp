// The range processing frame: what lies outside the range is copied, the range goes through
// the effect's step as sample values, and every ending leaves a valid file.
#include "tonemill/wave/rangeframe.h"
#include "tests/support/testfiles.h"

#include <gtest/gtest.h>

namespace tonemill {
namespace {

using testing_support::ReadWav;
using testing_support::TempDir;
using testing_support::WriteWav;

struct Negate {
  RangeInfo info;
  void Begin(const RangeInfo& i) { info = i; }
  void Step(FrameValues& f, int64_t) {
    ForSelectedChannels(info, f, [](int32_t& s, int) { s = s == -32768 ? 32767 : -s; });
  }
};

struct Identity {
  void Begin(const RangeInfo&) {}
  void Step(FrameValues&, int64_t) {}
};

TEST(RangeFrame, ProcessesOnlyTheRangeAndKeepsTheRest) {
  TempDir dir;
  std::vector<int32_t> samples;
  for (int i = 0; i < 30001; ++i) samples.push_back(i % 1000);
  WriteWav(dir.File("in.wav"), {22050, 16, 1}, samples);
  Negate negate;
  Progress progress;
  ProcessRange({dir.File("in.wav"), dir.File("out.wav"), 100, 20099}, negate, progress);
  testing_support::WavData w = ReadWav(dir.File("out.wav"));
  ASSERT_EQ(w.samples.size(), samples.size());
  for (size_t i = 0; i < samples.size(); ++i) {
    const int32_t expected = i >= 100 && i < 20100 ? -samples[i] : samples[i];
    ASSERT_EQ(w.samples[i], expected) << i;
  }
  EXPECT_EQ(w.rate, 22050);
  EXPECT_EQ(progress.done, progress.total);

  // A cancel from the pump ends the work; the output keeps a correct header.
  Progress cancel;
  cancel.pump = [](void* p) { static_cast<Progress*>(p)->Cancel(); };
  cancel.pumpContext = &cancel;
  const RangeResult r = ProcessRange({dir.File("in.wav"), dir.File("cut.wav"), 0, 30000}, negate, cancel);
  EXPECT_TRUE(r.cancelled);
  testing_support::WavData cut = ReadWav(dir.File("cut.wav"));
  EXPECT_EQ(cut.samples.size(), 10000u);
  EXPECT_EQ(cut.dataSize, 20000u);
}

// Decoding and encoding every layout is lossless, odd data sizes and the ends of the sample
// range included; the channel choice reaches the right sample.
TEST(RangeFrame, EveryLayoutRoundTripsAndTheChoiceSelectsTheChannel) {
  TempDir dir;
  for (const AudioFormat format : {AudioFormat{11025, 8, 1}, AudioFormat{22050, 16, 1},
                                   AudioFormat{44100, 8, 2}, AudioFormat{44100, 16, 2}}) {
    const bool eight = format.bits == 8;
    std::vector<int32_t> samples;
    for (int i = 0; i < 2 * 12345 + 1; ++i)
      samples.push_back(eight ? (i * 37) % 256 : (i * 7919) % 65536 - 32768);
    if (format.channels == 2) samples.pop_back();
    WriteWav(dir.File("in.wav"), format, samples);
    Identity identity;
    Progress progress;
    ProcessRange({dir.File("in.wav"), dir.File("same.wav"), 5, 20000}, identity, progress);
    EXPECT_EQ(ReadWav(dir.File("same.wav")).samples.size(), samples.size() + samples.size() % 2 * eight);
    testing_support::WavData same = ReadWav(dir.File("same.wav"));
    same.samples.resize(samples.size());
    EXPECT_EQ(same.samples, samples) << format.bits << " bits " << format.channels;

    if (format.channels == 1) continue;
    Negate negate;
    ProcessRange({dir.File("in.wav"), dir.File("right.wav"), 0, 99999, false, true}, negate, progress);
    const std::vector<int32_t> right = ReadWav(dir.File("right.wav")).samples;
    for (size_t i = 0; i < samples.size(); ++i) {
      const int32_t centre = eight ? 128 : 0;
      const int32_t negated = samples[i] == -32768 ? 32767 : 2 * centre - samples[i];
      ASSERT_EQ(right[i], i % 2 ? std::min(negated, eight ? 255 : 32767) : samples[i]) << i;
    }
  }
}

// A data chunk that claims more bytes than the file holds: the frames there are processed, the
// run says so, and the header states what was written.
TEST(RangeFrame, AnInputCutShortIsProcessedAsFarAsItGoes) {
  TempDir dir;
  WriteWav(dir.File("in.wav"), {11025, 16, 1}, std::vector<int32_t>(1000, 100));
  std::vector<uint8_t> bytes = testing_support::ReadBytes(dir.File("in.wav"));
  bytes.resize(bytes.size() - 301);  // 849.5 frames left
  testing_support::WriteBytes(dir.File("in.wav"), bytes);
  Negate negate;
  Progress progress;
  const RangeResult r = ProcessRange({dir.File("in.wav"), dir.File("out.wav"), 0, 999}, negate, progress);
  EXPECT_TRUE(r.endsEarly);
  EXPECT_FALSE(r.cancelled);
  testing_support::WavData w = ReadWav(dir.File("out.wav"));
  // 849 whole frames processed; the half frame left is copied as it is, and padded.
  ASSERT_EQ(w.dataSize, 1700u);
  std::vector<int32_t> expected(849, -100);
  expected.push_back(100);
  EXPECT_EQ(w.samples, expected);
  EXPECT_LT(progress.done, progress.total);
}

}  // namespace
}  // namespace tonemill
