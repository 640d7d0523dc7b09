// The effect commands on 24-bit, float, 48/96 kHz and FLAC inputs: each writes the input's own
// format, and the 24-bit echo of an impulse is the formula's.
#include "commandfixture.h"
#include "tonemill/files/soundfile.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>

using namespace testing_support;

namespace {

class WideEffectCommands : public CommandHome {
 protected:
  void SetUp() override {
    if (std::system("sox --version > /dev/null 2>&1") != 0) GTEST_SKIP() << "sox is not installed";
    CommandHome::SetUp();
  }
  // soxi's answer about a file: -b bits, -r rate, -c channels, -s samples, -e encoding.
  std::string Soxi(const std::string& what, const std::string& path) {
    const ProcessResult r = RunProcess({"/bin/sh", "-c", "soxi " + what + " '" + path + "' 2>/dev/null"});
    return r.out;
  }
};

TEST_F(WideEffectCommands, EachEffectKeepsTheInputsFormat) {
  struct Input {
    const char* name;
    const char* sox;
  } inputs[] = {{"b24.wav", "-b 24 -c 2 -r 48000"},
                {"r96.wav", "-b 24 -c 1 -r 96000"},
                {"f32.wav", "-e floating-point -b 32 -c 2 -r 48000"},
                {"b24.flac", "-b 24 -c 2 -r 48000"}};
  const std::vector<std::vector<std::string>> effects = {
      {"echo"}, {"flange"}, {"chorus"}, {"reverb"}, {"reverb", "--algorithm", "custom"},
      {"vocode", "--control", File("control.wav")}};
  ASSERT_EQ(std::system(("sox -n -b 16 -c 1 -r 48000 " + File("control.wav") + " synth 0.3 pinknoise").c_str()), 0);
  for (const Input& in : inputs) {
    const std::string path = File(in.name);
    ASSERT_EQ(std::system(("sox -n " + std::string(in.sox) + " " + path + " synth 0.3 sine 300 sine 500").c_str()), 0);
    const std::string out = File(std::string("out.") + (std::string(in.name).ends_with(".flac") ? "flac" : "wav"));
    for (const auto& effect : effects) {
      std::vector<std::string> args = effect;
      args.insert(args.begin() + 1, path);
      for (const char* a : {"-o", out.c_str(), "-q", "--force"}) args.push_back(a);
      const ProcessResult r = Run(args);
      ASSERT_EQ(r.exitCode, 0) << in.name << " " << effect[0] << ": " << r.err;
      for (const char* what : {"-b", "-r", "-c", "-s", "-e"}) {
        const std::string expected = Soxi(what, path);
        ASSERT_FALSE(expected.empty()) << what;
        EXPECT_EQ(Soxi(what, out), expected) << in.name << " " << effect[0] << " " << what;
      }
    }
  }
}

// An impulse in a 24-bit file: the echo at half level, 20 frames later, at 24-bit scale.
TEST_F(WideEffectCommands, TwentyFourBitEchoOfAnImpulse) {
  const std::string in = File("i24.wav"), out = File("o24.wav");
  // 100 frames of silence with one sample of 0x123456 (1193046) at frame 10.
  ASSERT_EQ(std::system(("sox -n -b 24 -c 1 -r 48000 " + in + " trim 0 100s").c_str()), 0);
  std::vector<uint8_t> bytes = ReadBytes(in);
  const size_t data = bytes.size() - 300;
  bytes[data + 30] = 0x56, bytes[data + 31] = 0x34, bytes[data + 32] = 0x12;
  WriteBytes(in, bytes);
  const ProcessResult r = Run({"echo", in, "-o", out, "--unit", "samples", "--delay", "20", "--level", "50",
                               "--feedback", "0", "-q"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::vector<uint8_t> got = ReadBytes(out);
  ASSERT_EQ(got.size(), 44u + 300u);
  auto sample = [&](int n) { return int32_t(uint32_t(got[44 + 3 * n]) << 8 | uint32_t(got[45 + 3 * n]) << 16 |
                                            uint32_t(got[46 + 3 * n]) << 24) >> 8; };
  for (int n = 0; n < 100; ++n)
    EXPECT_EQ(sample(n), n == 10 ? 1193046 : n == 30 ? 1193046 * 128 / 256 : 0) << n;
}

// Title and artist (and the other tags libsndfile maps) go from an input of another container
// or width into a tagged output; a canonical WAV file's only when asked (--keep-chunks).
TEST_F(WideEffectCommands, TagsCarryIntoTaggedContainers) {
  using tonemill::AudioTags;
  using tonemill::Container;
  const AudioTags tags{{tonemill::TitleTag(), "Night Piece"}, {tonemill::ArtistTag(), "The Players"}};
  const auto write = [&](const std::string& name, Container container, const tonemill::AudioFormat& format) {
    std::string error;
    tonemill::SoundFile out = tonemill::SoundFile::OpenWrite(File(name), container, format, error);
    ASSERT_TRUE(out.IsOpen()) << error;
    out.SetTags(tags);
    const std::vector<int32_t> samples(size_t(20000 * format.channels), 1 << 28);
    ASSERT_TRUE(out.Write(samples.data(), 20000) && out.Close(error)) << error;
  };
  write("tagged.flac", Container::Flac, {44100, 16, 2});
  write("tagged16.wav", Container::Wav, {22050, 16, 1});
  write("tagged24.wav", Container::Wav, {48000, 24, 1});
  const struct {
    std::vector<std::string> args;
    const char* output;
    bool tagged;
  } rows[] = {
      {{"fade", File("tagged.flac")}, "o1.flac", true},
      {{"echo", File("tagged.flac")}, "o2.mp3", true},
      {{"fade", File("tagged16.wav"), "--keep-chunks", "--format", "flac"}, "o3.wav", true},
      {{"fade", File("tagged16.wav"), "--format", "flac"}, "o4.wav", false},
      {{"lowpass", File("tagged24.wav")}, "o5.ogg", true},
      {{"loudness", File("tagged.flac"), "--loudness", "-20"}, "o6.flac", true},
  };
  for (const auto& row : rows) {
    std::vector<std::string> args = row.args;
    for (const char* more : {"-q", "-o"}) args.push_back(more);
    args.push_back(File(row.output));
    const ProcessResult r = Run(args);
    ASSERT_EQ(r.exitCode, 0) << args[0] << " " << row.output << ": " << r.err;
    EXPECT_EQ(tonemill::ReadAudioTags(File(row.output)), row.tagged ? tags : AudioTags{}) << row.output;
  }
}

}  // namespace
