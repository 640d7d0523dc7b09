// The mixer: format conversions, the two time-stepping rules, mixing into and appending to the
// output, cancel and a source that ends early.
#include "tonemill/wave/wavmix.h"
#include "tests/support/testfiles.h"

#include <gtest/gtest.h>

namespace tonemill {
namespace {

using testing_support::ReadWav;
using testing_support::TempDir;
using testing_support::WriteWav;
using V = std::vector<int32_t>;

class Mixer : public ::testing::Test {
 protected:
  std::string Source(const AudioFormat& format, const V& samples) {
    std::string name = std::to_string(++count_);
    name += ".wav";
    const std::string path = dir_.File(name);
    WriteWav(path, format, samples);
    return path;
  }
  V Mix(const std::vector<MixSource>& sources, const AudioFormat& format) {
    Progress progress;
    result_ = MixWavFiles(sources, dir_.File("out.wav"), format, progress);
    out_ = ReadWav(dir_.File("out.wav"));
    EXPECT_EQ(AudioFormat(out_), format);
    return out_.samples;
  }
  TempDir dir_;
  int count_ = 0;
  MixResult result_;
  testing_support::WavData out_;
};

constexpr AudioFormat kMono44{44100, 16, 1}, kMono22{22050, 16, 1}, kMono11{11025, 16, 1},
    kStereo44{44100, 16, 2}, kMono8{44100, 8, 1};

TEST_F(Mixer, SameFormatReproducesAndSumsClip) {
  V tone;
  for (int i = 0; i < 30000; ++i) tone.push_back((i * 7919) % 65536 - 32768);
  const std::string a = Source(kMono44, tone);
  EXPECT_EQ(Mix({{a, 1, 1}}, kMono44), tone);
  const V twice = Mix({{a, 1, 1}, {a, 1, 1}}, kMono44);
  for (size_t i = 0; i < tone.size(); ++i) ASSERT_EQ(twice[i], std::clamp(2 * tone[i], -32768, 32767)) << i;
  // Negative factors invert; a shorter source changes only the beginning, a longer appends.
  const std::string shortOne = Source(kMono44, {100, 100}), longOne = Source(kMono44, {1, 2, 3, 4});
  EXPECT_EQ(Mix({{longOne, 1, 1}, {shortOne, -1, 1}}, kMono44), (V{-99, -98, 3, 4}));
  EXPECT_EQ(Mix({{shortOne, 1, 1}, {longOne, 0.5, 1}}, kMono44), (V{100, 101, 1, 2}));
}

TEST_F(Mixer, RatesStepByExactTimes) {
  // 22050 into 44100: two output frames per source frame, the first from silence; a source
  // frame's own time is reached only by the frames the next one emits.
  EXPECT_EQ(Mix({{Source(kMono22, {1000, 2000, 3001}), 1, 1}}, kMono44),
            (V{500, 1000, 1500, 2000, 2500}));
  V ramp;
  for (int i = 0; i < 16; ++i) ramp.push_back(i * 10);
  EXPECT_EQ(Mix({{Source(kMono44, ramp), 1, 1}}, kMono11), (V{30, 70, 110, 150}));
  // 11025 into 22050 and 44100 into 22050 count their frames exactly over a long file.
  EXPECT_EQ(Mix({{Source(kMono11, V(110250, 9)), 1, 1}}, kMono22).size(), 220499u);
  EXPECT_EQ(Mix({{Source(kMono44, V(441001, 9)), 1, 1}}, kMono22).size(), 220500u);
}

TEST_F(Mixer, ChannelsAndWidthsConvert) {
  const std::string stereo = Source(kStereo44, {1001, 2000, -3, -3});
  EXPECT_EQ(Mix({{stereo, 1, 1}}, kMono44), (V{1500, -3}));  // (L + R) ÷ 2, truncated
  EXPECT_EQ(Mix({{Source(kMono44, {100, -7}), 1, -2}}, kStereo44), (V{100, -200, -7, 14}));
  // An 8-bit source into 16 bits is scaled by 256; a 16-bit one into 8 bits keeps its high byte.
  EXPECT_EQ(Mix({{Source(kMono8, {129, 0, 255, 128}), 1, 1}}, kMono44), (V{256, -32768, 32512, 0}));
  const std::string sixteen = Source(kMono44, {-1, 256, 255, -32768});
  EXPECT_EQ(Mix({{sixteen, 1, 1}}, kMono8), (V{127, 129, 128, 0}));
  // Into existing 8-bit samples at 16-bit scale: (b - 128) × 256 + s, then the high byte.
  EXPECT_EQ(Mix({{Source(kMono8, {130, 130, 130, 130}), 1, 1}, {sixteen, 1, 1}}, kMono8),
            (V{129, 131, 130, 2}));
  // 8 bits into 8 bits stays at 8-bit scale and clips there.
  EXPECT_EQ(Mix({{Source(kMono8, {200, 20}), 1, 1}, {Source(kMono8, {200, 20}), 1, 1}}, kMono8),
            (V{255, 0}));
}

TEST_F(Mixer, OddEightBitOutputIsPaddedAfterEachSource) {
  const std::string three = Source(kMono8, {138, 138, 138});
  EXPECT_EQ(Mix({{three, 1, 1}}, kMono8), (V{138, 138, 138, 128}));
  // The pad byte is silence the next source mixes into.
  EXPECT_EQ(Mix({{three, 1, 1}, {Source(kMono8, {138, 138, 138, 138, 138}), 1, 1}}, kMono8),
            (V{148, 148, 148, 138, 138, 128}));
}

TEST_F(Mixer, CancelStopsTheCurrentSourceAndTheRest) {
  const std::string first = Source(kMono44, V(30000, 10)), second = Source(kMono44, V(60000, 1));
  const std::string third = Source(kMono44, V(90000, 5));
  Progress progress;
  struct Context {
    Progress* progress;
    std::string second;
  } context{&progress, second};
  progress.pump = [](void* c) {
    auto* ctx = static_cast<Context*>(c);
    if (ctx->progress->item == ctx->second) ctx->progress->Cancel();
  };
  progress.pumpContext = &context;
  const MixResult r = MixWavFiles({{first, 1, 1}, {second, 1, 1}, {third, 1, 1}},
                                  dir_.File("out.wav"), kMono44, progress);
  EXPECT_TRUE(r.cancelled);
  const V out = ReadWav(dir_.File("out.wav")).samples;
  ASSERT_EQ(out.size(), 30000u);
  EXPECT_EQ(out[0], 11);
  EXPECT_EQ(out[9999], 11);
  EXPECT_EQ(out[10000], 10);
}

TEST_F(Mixer, ASourceCutShortIsReportedAndEndsTheMix) {
  const std::string cut = Source(kMono44, V(1000, 4));
  std::vector<uint8_t> bytes = testing_support::ReadBytes(cut);
  bytes.resize(bytes.size() - 1000);
  testing_support::WriteBytes(cut, bytes);
  const V out = Mix({{cut, 1, 1}, {Source(kMono44, V(2000, 1)), 1, 1}}, kMono44);
  ASSERT_TRUE(result_.problem);
  EXPECT_EQ(result_.problem->message, "Premature termination reading " + cut + ".");
  EXPECT_EQ(out, V(500, 4));
}

TEST(MixerChecks, SourceAndFactorCells) {
  TempDir dir;
  WriteWav(dir.File("a.wav"), {4000, 16, 1}, {1});
  EXPECT_EQ(CheckMixSource(dir.File("none.wav"), dir.File("o.wav"))->message,
            "Can't find WAV file " + dir.File("none.wav"));
  EXPECT_EQ(CheckMixSource(dir.File("a.wav"), dir.File("./a.wav"))->message, "Can't overwrite source file!");
  EXPECT_EQ(CheckMixSource(dir.File("a.wav"), dir.File("o.wav"))->message,
            "Unsupported sampling rate (4000 Hz) in WAV file " + dir.File("a.wav"));
  // Any rate from 8000 to 192000 Hz is resampled.
  WriteWav(dir.File("b.wav"), {48000, 16, 1}, {1});
  EXPECT_FALSE(CheckMixSource(dir.File("b.wav"), dir.File("o.wav")));
  double v = 0;
  EXPECT_EQ(CheckMixFactor("x", false, v)->message, "Illegal Right amplitude factor!");
  EXPECT_FALSE(CheckMixFactor("-2.5", true, v));
  EXPECT_EQ(v, -2.5);
}

}  // namespace
}  // namespace tonemill
