// The engines on 24/32-bit and float WAV files at any rate, and other containers decoded on the
// way in: plain references of the formulas at the wide scales, and the commands end to end.
#include "tonemill/files/soundfile.h"
#include "tonemill/wave/editorops.h"
#include "tonemill/wave/fade.h"
#include "tonemill/wave/wavmix.h"
#include "tonemill/wave/wavscan.h"
#include "tonemill/wave/widthconvert.h"
#include "tests/support/process.h"
#include "wavetest.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace tonemill {
namespace {

using V = std::vector<int32_t>;
using testing_support::ReadBytes;
using testing_support::TempDir;

constexpr WaveEncoding k24Stereo{{48000, 24, 2}, false}, k32Mono{{96000, 32, 1}, false},
    kFloatMono{{44100, 32, 1}, true}, kDoubleStereo{{8000, 64, 2}, true};

// A WAV file of `e` holding `values` at the engines' scale (floats as value ÷ 2^31).
void WriteWide(const std::string& path, const WaveEncoding& e, const V& values) {
  std::vector<uint8_t> data(values.size() * size_t(e.SampleBytes()));
  const SampleLayout l = LayoutOf(WaveEncoding{{e.format.rate, e.format.bits, 1}, e.isFloat});
  for (size_t i = 0; i < values.size(); ++i)
    WithLayout(l, [&]<SampleLayout L>() { samples::EncodeOne<L>(values[i], &data[i * size_t(e.SampleBytes())]); });
  std::vector<uint8_t> bytes = EngineWavHeader(e, uint32_t(data.size()));
  bytes.insert(bytes.end(), data.begin(), data.end());
  testing_support::WriteBytes(path, bytes);
}

V ReadWide(const std::string& path) {
  WavInputData in(path);
  const WaveEncoding& e = in.Encoding();
  std::vector<uint8_t> data(size_t(in.DataSize()));
  in.Read(data.data(), data.size(), 0);
  const SampleLayout l = LayoutOf(WaveEncoding{{e.format.rate, e.format.bits, 1}, e.isFloat});
  V out(data.size() / size_t(e.SampleBytes()));
  for (size_t i = 0; i < out.size(); ++i)
    out[i] = WithLayout(l, [&]<SampleLayout L>() { return samples::DecodeOne<L>(&data[i * size_t(e.SampleBytes())]); });
  return out;
}

V RunWide(const WaveEncoding& e, const V& in, const RangeEngine& engine, WaveEncoding* got = nullptr) {
  TempDir dir;
  WriteWide(dir.File("in.wav"), e, in);
  Progress progress;
  const int64_t frames = int64_t(in.size()) / e.format.channels;
  engine({dir.File("in.wav"), dir.File("out.wav"), 0, frames - 1, false, false}, progress);
  if (got) *got = WavInputData(dir.File("out.wav")).Encoding();
  return ReadWide(dir.File("out.wav"));
}

TEST(WideWav, FadeEqualsTheFormulaAtTheWidthsRange) {
  const FadeSettings fade{2.0, 0.25};
  const RangeEngine engine = [&](const RangeRequest& r, Progress& p) { return FadeRange(r, fade, p); };
  for (const WaveEncoding& e : {k24Stereo, k32Mono, kFloatMono, kDoubleStereo}) {
    const SampleLimits limits = SampleLimits::ForBits(e.format.bits);
    V in;
    for (int i = 0; i < 64; ++i) in.push_back(int32_t(int64_t(limits.high) * ((i * 37) % 201 - 100) / 100));
    WaveEncoding got;
    const V out = RunWide(e, in, engine, &got);
    EXPECT_EQ(got, e);
    ASSERT_EQ(out.size(), in.size());
    const int64_t frameBytes = e.FrameBytes(), length = int64_t(in.size()) * e.SampleBytes();
    for (size_t i = 0; i < in.size(); ++i) {
      const int64_t frame = int64_t(i) / e.format.channels;
      const long double factor = 2.0L + (0.25L - 2.0L) * (long double)(frame * frameBytes) / length;
      const long double x = std::clamp<long double>(in[i] * factor, limits.low, limits.high);
      const int32_t want = int32_t(std::trunc(x));
      if (e.isFloat && e.format.bits == 32)  // a float holds 24 bits of the 32-bit value
        EXPECT_NEAR(out[i], want, std::fabs(want) / 8388608.0 + 1) << i;
      else
        EXPECT_EQ(out[i], want) << e.format.bits << " bits, sample " << i;
    }
  }
}

TEST(WideWav, MaximizeReachesTheWidthsFullScaleAndReverseKeepsTheSamples) {
  const RangeEngine maximize = [](const RangeRequest& r, Progress& p) { return MaximizeRange(r, p); };
  const RangeEngine reverse = [](const RangeRequest& r, Progress& p) { return ReverseRange(r, p); };
  const struct {
    WaveEncoding e;
    int32_t full;
  } cases[] = {{k24Stereo, 8388607}, {k32Mono, INT32_MAX}, {kFloatMono, INT32_MAX}, {kDoubleStereo, INT32_MAX}};
  for (const auto& c : cases) {
    // Stereo: both channels take the gain of the larger peak, 4000.
    const V in = {1000, -4000, 3, 20, 2000, 5};
    const V out = RunWide(c.e, in, maximize);
    EXPECT_NEAR(out[1], -c.full, c.e.isFloat ? 1 : 0) << c.e.format.bits;  // -1.0 as a float
    EXPECT_NEAR(out[0], int32_t(int64_t(1000) * c.full / 4000), c.e.isFloat ? 128 : 0) << c.e.format.bits;
    V backwards = RunWide(c.e, in, reverse);
    const int n = c.e.format.channels;
    for (size_t f = 0; f < in.size() / size_t(n); ++f)
      for (int ch = 0; ch < n; ++ch)
        EXPECT_EQ(backwards[(in.size() / size_t(n) - 1 - f) * size_t(n) + size_t(ch)], in[f * size_t(n) + size_t(ch)]);
  }
  // Floats beyond full scale are taken to it.
  TempDir dir;
  const float beyond[] = {1.5f, -3.0f, 0.5f};
  std::vector<uint8_t> bytes = EngineWavHeader(kFloatMono, sizeof beyond);
  bytes.resize(bytes.size() + sizeof beyond);
  std::memcpy(bytes.data() + 44, beyond, sizeof beyond);
  testing_support::WriteBytes(dir.File("f.wav"), bytes);
  EXPECT_EQ(ReadWide(dir.File("f.wav")), (V{INT32_MAX, INT32_MIN, 1 << 30}));
}

TEST(WideWav, ScanAndMixAtTheWidthsScale) {
  TempDir dir;
  WriteWide(dir.File("a.wav"), k24Stereo, {8388607, -5, -8388608, 7});
  ScanSetup setup;
  WavStats stats;
  ASSERT_FALSE(PrepareScan(dir.File("a.wav"), setup, stats));
  Progress progress;
  ScanWav(setup, stats, progress);
  EXPECT_EQ(stats.MaxLeft, 8388607);
  EXPECT_EQ(stats.MinLeft, -8388608);
  EXPECT_EQ(stats.SatLeft, 2);
  EXPECT_EQ(setup.minSuffix, "/-8388608");
  EXPECT_DOUBLE_EQ(setup.fullScale, 8388608);
  EXPECT_NEAR(double(stats.SumSqLeft), 2.0 * 8388608.0 * 8388608.0, 2e7);

  // A 16-bit source at 24000 Hz into a 24-bit output at 48000 Hz: × 256, interpolated from
  // silence before its first frame; the 24-bit source adds at its own scale.
  testing_support::WriteWav(dir.File("b.wav"), {24000, 16, 1}, {100, 300});
  WriteWide(dir.File("c.wav"), WaveEncoding{{48000, 24, 1}, false}, {1, 2, 3, 4});
  Progress mixing;
  const WaveEncoding out{{48000, 24, 1}, false};
  MixWavFilesAs({{dir.File("b.wav"), 1, 1}, {dir.File("c.wav"), 1, 1}}, dir.File("m.wav"), out, mixing);
  EXPECT_EQ(ReadWide(dir.File("m.wav")), (V{12801, 25602, 51203, 4}));
}

TEST(WideWav, ExtensibleFilesAreReadAsTheyAre) {
  // A 40-byte format chunk: the canonical 16 bytes, then the extension naming PCM or float.
  for (const WaveEncoding& e : {k24Stereo, kFloatMono}) {
    TempDir dir;
    WriteWide(dir.File("plain.wav"), e, {1 << 20, -(1 << 20)});
    std::vector<uint8_t> bytes = ReadBytes(dir.File("plain.wav"));
    std::vector<uint8_t> ext(bytes.begin(), bytes.begin() + 36);
    ext[16] = 40;
    ext[20] = 0xFE, ext[21] = 0xFF;
    const std::vector<uint8_t> extension = {22, 0, uint8_t(e.format.bits), 0, 3, 0, 0, 0,
                                            uint8_t(e.isFloat ? 3 : 1), 0, 0, 0, 0, 0, 0x10, 0,
                                            0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
    ext.insert(ext.end(), extension.begin(), extension.end());
    ext.insert(ext.end(), bytes.begin() + 36, bytes.end());
    const uint32_t riff = uint32_t(ext.size() - 8);
    std::memcpy(ext.data() + 4, &riff, 4);
    testing_support::WriteBytes(dir.File("ext.wav"), ext);
    const TWAVheader h(dir.File("ext.wav"));
    EXPECT_FALSE(h.IsWave);  // not what the canonical files are
    EXPECT_EQ(EngineEncoding(h), e);
    EXPECT_EQ(ReadWide(dir.File("ext.wav")), (V{1 << 20, -(1 << 20)}));
  }
}

TEST(WideWav, WidthConversionShiftsToTheNewWidth) {
  const struct {
    WaveEncoding from;
    const char* bits;
    V in, out;
  } cases[] = {
      {k24Stereo, "16", {8388607, -1, 256, -8388608}, {32767, -1, 1, -32768}},
      {WaveEncoding{{44100, 16, 1}, false}, "24", {32767, -2}, {8388352, -512}},
      {WaveEncoding{{44100, 16, 1}, false}, "float", {-32768, 16384}, {INT32_MIN, 1 << 30}},
      {kFloatMono, "8", {INT32_MIN, 1 << 30}, {-128, 64}},
  };
  for (const auto& c : cases) {
    TempDir dir;
    WriteWide(dir.File("in.wav"), c.from, c.in);
    const std::optional<WaveEncoding> to = EncodingNamed(c.bits, c.from.format);
    ASSERT_TRUE(to) << c.bits;
    Progress progress;
    ConvertWavWidth(dir.File("in.wav"), dir.File("out.wav"), *to, progress);
    EXPECT_EQ(WavInputData(dir.File("out.wav")).Encoding(), *to);
    EXPECT_EQ(ReadWide(dir.File("out.wav")), c.out) << c.bits;
  }
  EXPECT_FALSE(EncodingNamed("12", k24Stereo.format));
}

// The commands on inputs in other containers and widths.
class WideCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 2 * 4410; ++i) stereo_.push_back((i * 7919) % 20000 - 10000);
    testing_support::WriteWav(F("s.wav"), {44100, 16, 2}, stereo_);
    WriteSound(F("s.flac"), Container::Flac, {44100, 16, 2}, 16);
  }
  void WriteSound(const std::string& path, Container c, const AudioFormat& f, int shiftFrom) {
    std::string error;
    SoundFile out = SoundFile::OpenWrite(path, c, f, error);
    ASSERT_TRUE(out.IsOpen()) << error;
    V top;
    for (int32_t v : stereo_) top.push_back(int32_t(uint32_t(v) << (32 - shiftFrom)));
    ASSERT_TRUE(out.Write(top.data(), top.size() / size_t(f.channels)));
    ASSERT_TRUE(out.Close(error)) << error;
  }
  int Run(const std::vector<std::string>& args) {
    std::vector<std::string> all{testing_support::TonemillPath()};
    all.insert(all.end(), args.begin(), args.end());
    result_ = testing_support::RunProcess(all);
    return result_.exitCode;
  }
  std::string F(const std::string& name) const { return dir_.File(name); }
  TempDir dir_;
  V stereo_;
  testing_support::ProcessResult result_;
};

TEST_F(WideCommands, AFlacInputGivesTheBytesOfItsWavAndKeepsItsContainer) {
  for (const char* command : {"fade", "lowpass", "reverse"}) {
    ASSERT_EQ(Run({command, F("s.wav"), "-o", F("a.wav"), "-q", "--force"}), 0) << result_.err;
    ASSERT_EQ(Run({command, F("s.flac"), "-o", F("b.wav"), "-q", "--force"}), 0) << result_.err;
    EXPECT_EQ(ReadBytes(F("a.wav")), ReadBytes(F("b.wav"))) << command;
    ASSERT_EQ(Run({command, F("s.flac"), "-o", F("c.flac"), "-q", "--force"}), 0) << result_.err;
    std::string error;
    SoundFile back = SoundFile::OpenRead(F("c.flac"), error);
    ASSERT_TRUE(back.IsOpen()) << error;
    EXPECT_EQ(back.Format(), (AudioFormat{44100, 16, 2}));
    V samples(stereo_.size());
    ASSERT_EQ(back.Read(samples.data(), samples.size() / 2), samples.size() / 2);
    for (int32_t& s : samples) s >>= 16;
    EXPECT_EQ(samples, testing_support::ReadWav(F("a.wav")).samples) << command;
  }
  // A FLAC file cut short is processed as far as it decodes, then reported under its name.
  std::vector<uint8_t> cut = ReadBytes(F("s.flac"));
  cut.resize(cut.size() * 3 / 4);
  testing_support::WriteBytes(F("cut.flac"), cut);
  for (const std::vector<std::string>& args : {std::vector<std::string>{"fade", F("cut.flac"), "-o", F("cut.wav"), "-q"},
                                                std::vector<std::string>{"wavscan", F("cut.flac"), "-q"}}) {
    EXPECT_EQ(Run(args), 1);
    EXPECT_NE(result_.err.find("Premature end of FLAC file " + F("cut.flac")), std::string::npos) << result_.err;
  }
  // A source given twice (decoded once) mixes as its WAV file does.
  ASSERT_EQ(Run({"mix", F("s.wav"), F("s.wav"), "-o", F("m1.wav"), "-q"}), 0) << result_.err;
  ASSERT_EQ(Run({"mix", F("s.flac"), F("s.flac"), "-o", F("m2.wav"), "-q"}), 0) << result_.err;
  EXPECT_EQ(ReadBytes(F("m1.wav")), ReadBytes(F("m2.wav")));
  // The scan names it as given.
  ASSERT_EQ(Run({"wavscan", "-q", F("s.flac")}), 0) << result_.err;
  EXPECT_NE(result_.out.find("File      " + F("s.flac")), std::string::npos) << result_.out;
  // --bits and --format choose the output; a width the container cannot hold is refused first.
  ASSERT_EQ(Run({"fade", F("s.flac"), "-o", F("d.wav"), "--bits", "24", "--format", "aiff", "-q"}), 0) << result_.err;
  std::string error;
  EXPECT_EQ(SoundFile::OpenRead(F("d.wav"), error).Format(), (AudioFormat{44100, 24, 2})) << error;
  EXPECT_EQ(Run({"fade", F("s.flac"), "-o", F("e.flac"), "--bits", "float", "-q"}), 1);
  EXPECT_NE(result_.err.find("FLAC takes 8, 16 or 24-bit integer samples"), std::string::npos) << result_.err;
  EXPECT_FALSE(std::filesystem::exists(F("e.flac")));
}

TEST_F(WideCommands, TheLibraryEffectsTakeADecodedInputAndEncodeTheirOutput) {
  ::setenv("TONEMILL_HOME", dir_.Dir().c_str(), 1);
  ASSERT_EQ(Run({"echo", F("s.wav"), "-o", F("a.wav"), "-q"}), 0) << result_.err;
  ASSERT_EQ(Run({"echo", F("s.flac"), "-o", F("b.wav"), "-q"}), 0) << result_.err;
  EXPECT_EQ(ReadBytes(F("a.wav")), ReadBytes(F("b.wav")));
  ASSERT_EQ(Run({"echo", F("s.flac"), "-o", F("c.flac"), "-q"}), 0) << result_.err;
  std::string error;
  EXPECT_EQ(SoundFile::OpenRead(F("c.flac"), error).Format(), (AudioFormat{44100, 16, 2})) << error;
  // The decoded input is still the input under the name it was given.
  EXPECT_EQ(Run({"echo", F("s.flac"), "-o", F("s.flac"), "-q", "--force"}), 1);
  EXPECT_NE(result_.err.find("Can't overwrite source file!"), std::string::npos) << result_.err;
  ::unsetenv("TONEMILL_HOME");
}

TEST_F(WideCommands, OtherChunksStayWhereTheCanonicalFileDidNotDescribeTheInput) {
  const std::vector<uint8_t> list = {'L', 'I', 'S', 'T', 14, 0, 0, 0, 'I', 'N', 'F', 'O',
                                     'I', 'N', 'A', 'M', 2, 0, 0, 0, 'T', 0};
  auto tagged = [&](const std::string& path) {
    std::vector<uint8_t> bytes = ReadBytes(path);
    bytes.insert(bytes.end(), list.begin(), list.end());
    const uint32_t riff = uint32_t(bytes.size() - 8);
    std::memcpy(bytes.data() + 4, &riff, 4);
    testing_support::WriteBytes(path, bytes);
  };
  WriteWide(F("w.wav"), k24Stereo, V(200, 1000));
  // A peak chunk, as float files often have, would be stale after processing: it stays behind.
  std::vector<uint8_t> wide = ReadBytes(F("w.wav"));
  const std::vector<uint8_t> peak = {'P', 'E', 'A', 'K', 16, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0,
                                     0, 0, 0, 63, 0, 0, 0, 0};
  wide.insert(wide.end(), peak.begin(), peak.end());
  testing_support::WriteBytes(F("w.wav"), wide);
  tagged(F("w.wav"));
  tagged(F("s.wav"));
  // A range command and a library effect follow the same rule.
  ::setenv("TONEMILL_HOME", dir_.Dir().c_str(), 1);
  const struct {
    const char *command, *input;
    bool keep;
    bool kept;
  } cases[] = {{"fade", "w.wav", false, true}, {"fade", "s.wav", false, false}, {"fade", "s.wav", true, true},
               {"echo", "w.wav", false, true}, {"echo", "s.wav", false, false}, {"echo", "s.wav", true, true}};
  for (const auto& c : cases) {
    std::vector<std::string> args{c.command, F(c.input), "-o", F("o.wav"), "-q", "--force"};
    if (c.keep) args.push_back("--keep-chunks");
    if (std::string(c.command) == "echo") args.insert(args.end(), {"--unit", "samples", "--delay", "20"});
    ASSERT_EQ(Run(args), 0) << result_.err;
    const std::vector<uint8_t> out = ReadBytes(F("o.wav"));
    const bool kept = out.size() > list.size() && std::equal(list.begin(), list.end(), out.end() - long(list.size()));
    EXPECT_EQ(kept, c.kept) << c.command << " " << c.input << " " << c.keep;
    EXPECT_EQ(std::search(out.begin(), out.end(), peak.begin(), peak.begin() + 4), out.end()) << c.command;
    uint32_t riff = 0;
    std::memcpy(&riff, out.data() + 4, 4);
    EXPECT_EQ(riff, out.size() - 8);
  }
  ::unsetenv("TONEMILL_HOME");
}

TEST_F(WideCommands, FloatOutputsKeepTheirLevelInEveryContainer) {
  V half(9600);  // a 1000 Hz sine of peak 0.5
  for (size_t i = 0; i < half.size(); ++i) half[i] = int32_t(std::lrint(1073741824.0 * std::sin(i * 2 * M_PI / 48)));
  WriteWide(F("f.wav"), WaveEncoding{{48000, 32, 1}, true}, half);
  for (const char* out : {"o.ogg", "o.aiff", "o.mp3"}) {
    ASSERT_EQ(Run({"reverse", F("f.wav"), "-o", F(out), "-q", "--force"}), 0) << result_.err;
    WaveEncoding e;
    ASSERT_FALSE(DecodeToEngineWav(F(out), F("back.wav"), e)) << out;
    int64_t peak = 0;
    for (int32_t v : ReadWide(F("back.wav"))) peak = std::max(peak, Magnitude(v));
    EXPECT_NEAR(double(peak) / 2147483648.0, 0.5, 0.15) << out;
  }
}

TEST_F(WideCommands, WhatCannotBeDecodedSaysWhy) {
  testing_support::WriteText(F("junk.flac"), "not audio at all");
  EXPECT_EQ(Run({"fade", F("junk.flac"), "-o", F("x.wav"), "-q"}), 1);
  EXPECT_NE(result_.err.find(F("junk.flac") + ": unsupported encoding ("), std::string::npos) << result_.err;
  EXPECT_FALSE(std::filesystem::exists(F("x.wav")));
  // Text that names no audio format keeps the checks' own words.
  testing_support::WriteText(F("junk.txt"), "not audio at all");
  EXPECT_EQ(Run({"fade", F("junk.txt"), "-o", F("x.wav"), "-q"}), 1);
  EXPECT_NE(result_.err.find("File format error!"), std::string::npos) << result_.err;
  std::string error;
  SoundFile three = SoundFile::OpenWrite(F("three.wav"), Container::Wav, {44100, 16, 3}, error);
  const V frame(3, 0);
  ASSERT_TRUE(three.Write(frame.data(), 1));
  ASSERT_TRUE(three.Close(error));
  EXPECT_EQ(Run({"wavscan", F("three.wav")}), 1);
  EXPECT_NE(result_.err.find("3 channels"), std::string::npos) << result_.err;
}

TEST_F(WideCommands, MixFoldsMoreThanTwoChannelsOnlyOnRequest) {
  auto write = [&](const std::string& name, int channels, const V& samples) {
    std::string error;
    SoundFile f = SoundFile::OpenWrite(F(name), Container::Wav, {44100, 16, channels}, error);
    V top;
    for (int32_t v : samples) top.push_back(int32_t(uint32_t(v) << 16));
    ASSERT_TRUE(f.Write(top.data(), top.size() / size_t(channels)));
    ASSERT_TRUE(f.Close(error)) << error;
  };
  write("four.wav", 4, {1000, 2000, 3001, -4000, -8, 8, 0, 0});
  write("three.wav", 3, {30, 60, 90});
  EXPECT_EQ(Run({"mix", F("four.wav"), "-o", F("m.wav"), "-q"}), 1);
  EXPECT_NE(result_.err.find("4 channels"), std::string::npos) << result_.err;
  EXPECT_NE(result_.err.find("--fold"), std::string::npos) << result_.err;
  struct Case {
    std::string source, channels;
    V expected;
  };
  // Left: the average of channels 1, 3...; right: of 2, 4...; an odd last channel on both sides.
  for (const Case& c : {Case{"four.wav", "2", {2000, -1000, -4, 4}}, Case{"four.wav", "1", {500, 0}},
                        Case{"three.wav", "2", {60, 75}}}) {
    ASSERT_EQ(Run({"mix", F(c.source), "--fold", "--channels", c.channels, "-o", F("m.wav"), "-q", "--force"}), 0)
        << result_.err;
    EXPECT_EQ(testing_support::ReadWav(F("m.wav")).samples, c.expected) << c.source << " " << c.channels;
  }
}

}  // namespace
}  // namespace tonemill
