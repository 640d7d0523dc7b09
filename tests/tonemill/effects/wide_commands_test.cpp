// The effect commands on 24-bit, float, 48/96 kHz and FLAC inputs: each writes the input's own
// format, and the 24-bit echo of an impulse is the formula's.
#include "commandfixture.h"

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

}  // namespace
