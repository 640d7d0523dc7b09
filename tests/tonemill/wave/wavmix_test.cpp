// The mixer: format conversions, the two time-stepping rules, mixing into and appending to the
// output, cancel and a source that ends early.
#include "tonemill/wave/wavmix.h"
#include "tests/support/testfiles.h"

#include <gtest/gtest.h>

#include <cmath>

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

// The band-limited converter keeps a tone's frequency and level across rates, and removes a
// tone above the output's Nyquist frequency that the default rule folds back at full level.
TEST_F(Mixer, ResampleKeepsToneAndRemovesWhatWouldAlias) {
  auto sine = [](int32_t rate, double hz, int64_t frames) {
    V v;
    for (int64_t i = 0; i < frames; ++i) v.push_back(int32_t(std::lround(16000 * std::sin(2 * M_PI * hz * double(i) / rate))));
    return v;
  };
  // The middle of the output, clear of the converter's edges: its RMS and its crossings per second.
  auto measure = [](const V& v, int32_t rate, double& rms, double& hz) {
    const size_t from = v.size() / 10, to = v.size() - v.size() / 10;
    double sum = 0;
    int crossings = 0;
    for (size_t i = from; i < to; ++i) {
      sum += double(v[i]) * v[i];
      if (i > from && (v[i - 1] < 0) != (v[i] < 0)) ++crossings;
    }
    rms = std::sqrt(sum / double(to - from));
    hz = crossings / 2.0 * rate / double(to - from);
  };
  auto mixAt = [&](const std::string& source, const AudioFormat& format, bool resample) {
    Progress progress;
    MixWavFilesAs({{source, 1, 1}}, dir_.File("out.wav"), WaveEncoding{format, false}, progress,
                  MixOptions{resample});
    return ReadWav(dir_.File("out.wav")).samples;
  };
  struct Case {
    int32_t from, to;
    double hz;
  };
  for (const Case c : {Case{48000, 44100, 1000}, Case{22050, 48000, 3000}, Case{44100, 8000, 440}}) {
    SCOPED_TRACE(std::to_string(c.from) + " -> " + std::to_string(c.to));
    const V out = mixAt(Source({c.from, 16, 1}, sine(c.from, c.hz, c.from)), {c.to, 16, 1}, true);
    EXPECT_NEAR(double(out.size()), c.to, 2);  // one second stays one second
    double rms = 0, hz = 0;
    measure(out, c.to, rms, hz);
    EXPECT_NEAR(hz, c.hz, c.hz * 0.002);
    EXPECT_NEAR(rms, 16000 / std::sqrt(2.0), 16000 * 0.003);
  }
  const std::string high = Source({48000, 16, 1}, sine(48000, 23000, 48000));
  double plain = 0, band = 0, hz = 0;
  measure(mixAt(high, {44100, 16, 1}, false), 44100, plain, hz);
  measure(mixAt(high, {44100, 16, 1}, true), 44100, band, hz);
  EXPECT_GT(plain, 10000);  // folded back to 21100 Hz
  EXPECT_LT(band, plain / 1000);
  // A stereo source keeps its sides apart, and a source at the output's rate is not touched.
  const V left = sine(48000, 1000, 4800), right = sine(48000, 2000, 4800);
  V both;
  for (size_t i = 0; i < left.size(); ++i) both.insert(both.end(), {left[i], right[i]});
  const V stereo = mixAt(Source({48000, 16, 2}, both), {44100, 16, 2}, true);
  double l = 0, r = 0, lhz = 0, rhz = 0;
  V ls, rs;
  for (size_t i = 0; i + 1 < stereo.size(); i += 2) {
    ls.push_back(stereo[i]);
    rs.push_back(stereo[i + 1]);
  }
  measure(ls, 44100, l, lhz);
  measure(rs, 44100, r, rhz);
  EXPECT_NEAR(lhz, 1000, 15);
  EXPECT_NEAR(rhz, 2000, 15);
  EXPECT_EQ(mixAt(Source(kMono44, right), kMono44, true), right);
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
