// The WAV commands run as a user runs them: their options, messages, exit codes and outputs.
#include "tests/support/process.h"
#include "tests/support/testfiles.h"

#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

namespace testing_support {
namespace {

using tonemill::AudioFormat;
using V = std::vector<int32_t>;

class WaveCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    V stereo;
    for (int i = 0; i < 2 * 22050; ++i) stereo.push_back((i * 7919) % 20000 - 10000);
    WriteWav(dir_.File("s.wav"), {22050, 16, 2}, stereo);
    WriteWav(dir_.File("m8.wav"), {11025, 8, 1}, {128, 0, 255, 140, 100, 128});
  }
  int Run(std::vector<std::string> args) {
    for (auto& a : args)
      if (a.find(".wav") != std::string::npos && a.find('/') == std::string::npos) a = dir_.File(a);
    args.insert(args.begin(), TonemillPath());
    result_ = RunProcess(args);
    return result_.exitCode;
  }
  std::string F(const std::string& name) const { return dir_.File(name); }
  TempDir dir_;
  ProcessResult result_;
};

TEST_F(WaveCommands, WavscanShowsTheFiguresAsTextAndJson) {
  ASSERT_EQ(Run({"wavscan", "m8.wav"}), 0) << result_.err;
  EXPECT_NE(result_.out.find("Format    8 bits, 11025 Hz, 1 channel\n"), std::string::npos) << result_.out;
  EXPECT_NE(result_.out.find("Min.      0/0"), std::string::npos);
  EXPECT_NE(result_.out.find("Max.      255/255"), std::string::npos);
  EXPECT_NE(result_.out.find("Satur.    2 (33.33%)"), std::string::npos);
  ASSERT_EQ(Run({"wavscan", "s.wav", "--json"}), 0);
  EXPECT_NE(result_.out.find("\"format\": {\"bits\": 16, \"rate\": 22050, \"channels\": 2}, "
                             "\"frames\": 22050, \"durationMs\": 1000, "),
            std::string::npos)
      << result_.out;
  EXPECT_NE(result_.out.find("{\"channel\": \"right\", \"min\": -9999, \"max\": 9999, \"rms\": 57"),
            std::string::npos)
      << result_.out;
  WriteBytes(F("text.wav"), std::vector<uint8_t>(100, 'x'));
  EXPECT_EQ(Run({"wavscan", "text.wav"}), 1);
  EXPECT_EQ(result_.err, "tonemill: " + F("text.wav") + ": Not a WAV file: " + F("text.wav") + "\n");
  std::vector<uint8_t> cut = ReadBytes(F("s.wav"));
  cut.resize(cut.size() / 2);
  WriteBytes(F("cut.wav"), cut);
  EXPECT_EQ(Run({"wavscan", "cut.wav", "--json"}), 1);
  EXPECT_NE(result_.out.find("\"complete\": false"), std::string::npos);
  EXPECT_NE(result_.err.find("Premature end of WAV file " + F("cut.wav")), std::string::npos);
  // A cut of everything leaves a whole file of no frames, which the scan takes as such.
  ASSERT_EQ(Run({"cut", "s.wav", "-o", "none.wav"}), 0) << result_.err;
  EXPECT_EQ(Run({"wavscan", "none.wav", "--json"}), 0) << result_.err;
  EXPECT_NE(result_.out.find("\"frames\": 0, \"durationMs\": 0, "), std::string::npos) << result_.out;
  EXPECT_NE(result_.out.find("\"complete\": true"), std::string::npos) << result_.out;
}

TEST_F(WaveCommands, EveryOperationRunsOnARangeAndAChannel) {
  const struct {
    std::vector<std::string> args;
    size_t frames;  // of the output
  } cases[] = {
      {{"expand"}, 22050},
      {{"compress", "--param", "0.5", "--amp", "2", "--time", "10"}, 22050},
      {{"fade", "--start-factor", "1", "--end-factor", "0", "--channel", "left"}, 22050},
      {{"gate", "--threshold", "5000", "--attack", "1", "--decay", "2"}, 22050},
      {{"gatedcut", "--threshold", "9000", "--no-prune"}, 0},
      {{"extend", "--duration", "10", "--unit", "samples", "--range", "5:"}, 22060},
      {{"extend", "--duration", "1000", "--append"}, 44100},
      {{"lowpass", "--cutoff", "500"}, 22050},
      {{"highpass", "--cutoff", "500", "--amp", "-1"}, 22050},
      {{"bandpass", "--center", "1000", "--width", "200", "--channel", "right"}, 22050},
      {{"notch"}, 22050},
      {{"ring", "--rate", "30", "--wave", "saw"}, 22050},
      {{"cut", "--range", "0:9", "--unit", "samples"}, 22040},
      {{"cut", "--range", "500:"}, 11025},
      {{"maximize", "--range", "100:200"}, 22050},
      {{"reverse", "--channel", "right", "--range", "1:3", "--unit", "samples"}, 22050},
  };
  const WavData in = ReadWav(F("s.wav"));
  for (const auto& c : cases) {
    std::vector<std::string> args = c.args;
    args.insert(args.begin() + 1, {"s.wav", "-o", "out.wav", "--force"});
    ASSERT_EQ(Run(args), 0) << c.args[0] << ": " << result_.err;
    const WavData out = ReadWav(F("out.wav"));
    EXPECT_EQ(out.samples.size(), 2 * c.frames) << c.args[0];
    EXPECT_EQ(AudioFormat(out), AudioFormat(in)) << c.args[0];
    if (c.args[0] == "reverse") {
      EXPECT_EQ(out.samples[3], in.samples[7]);
      EXPECT_EQ(out.samples[2], in.samples[2]);
    }
    if (c.args[0] == "fade") {
      EXPECT_EQ(out.samples[1], in.samples[1]);
    }
  }
  ASSERT_EQ(Run({"mix", "s.wav:0.5", "m8.wav:2:-1", "-o", "mix.wav", "--rate", "11025", "--bits", "8",
                 "--channels", "1"}),
            0)
      << result_.err;
  const WavData mix = ReadWav(F("mix.wav"));
  EXPECT_EQ(AudioFormat(mix), (AudioFormat{11025, 8, 1}));
  EXPECT_EQ(mix.samples.size(), 11025u + 1);  // with the pad byte
}

TEST_F(WaveCommands, KeptCuePointsFollowACutAndPositionsThatCannotAreLeftOutWithAWarning) {
  // A cue point at 0.5 s (11025) in a file of one second.
  std::vector<uint8_t> file = ReadBytes(F("s.wav"));
  const uint8_t cue[] = {'c', 'u', 'e', ' ', 28, 0, 0, 0, 1, 0, 0, 0, 7, 0, 0, 0, 0x11, 0x2B, 0, 0,
                         'd', 'a', 't', 'a', 0, 0, 0, 0, 0, 0, 0, 0, 0x11, 0x2B, 0, 0};
  file.insert(file.end(), std::begin(cue), std::end(cue));
  const uint32_t riff = uint32_t(file.size() - 8);
  std::memcpy(file.data() + 4, &riff, 4);
  WriteBytes(F("cue.wav"), file);
  const auto offset = [&](const std::string& name) {
    const std::vector<uint8_t> out = ReadBytes(F(name));
    uint32_t at = 0;
    std::memcpy(&at, out.data() + out.size() - 4, 4);
    return at;
  };
  ASSERT_EQ(Run({"cut", "cue.wav", "-o", "cut.wav", "--keep-chunks", "--range", "0:5511", "--unit", "samples"}), 0) << result_.err;
  EXPECT_EQ(offset("cut.wav"), 11025u - 5512u);
  EXPECT_EQ(result_.err, "");
  ASSERT_EQ(Run({"reverse", "cue.wav", "-o", "rev.wav", "--keep-chunks", "--channel", "left"}), 0) << result_.err;
  EXPECT_EQ(ReadBytes(F("rev.wav")).size(), 44u + 4 * 22050);
  EXPECT_EQ(result_.err, "tonemill: warning: " + F("rev.wav") +
                             ": left out the input's cue chunk: its positions cannot follow the frames this "
                             "operation moved\n");
}

TEST_F(WaveCommands, RefusalsSayWhyWithTheSystemsMessages) {
  const struct {
    std::vector<std::string> args;
    int exitCode;
    std::string message;
  } cases[] = {
      {{"gate", "m8.wav", "-o", "o.wav", "--threshold", "129"}, 2,
       "tonemill: gate: --threshold: Illegal threshold value!\n"},
      {{"compress", "s.wav", "-o", "o.wav", "--time", "0.05"}, 2,
       "tonemill: compress: --time: The allowed time resolution range is 0.10 to 100.00 ms!\n"},
      {{"lowpass", "s.wav", "-o", "o.wav", "--cutoff", "11026"}, 2, "tonemill: lowpass: --cutoff: Illegal HHF!\n"},
      {{"fade", "s.wav", "-o", F("./s.wav")}, 1, "tonemill: " + F("./s.wav") + ": Can't overwrite source file!\n"},
      {{"fade", "s.wav", "-o", "m8.wav"}, 1,
       "tonemill: File " + F("m8.wav") + " will be overwritten! (not done: use --force)\n"},
      {{"fade", "s.wav"}, 2, "tonemill: fade: give the output with -o (see --help)\n"},
      {{"fade", "none.wav", "-o", "o.wav"}, 1, "tonemill: " + F("none.wav") + ": File not found!\n"},
      {{"lowpass", dir_.Dir(), "-o", "o.wav"}, 1, "tonemill: " + dir_.Dir() + ": File not found! (is a directory)\n"},
      {{"fade", "s.wav", "-o", "o.wav", "--range", "5:1"}, 2, "tonemill: " + F("s.wav") + ": Illegal Start time!\n"},
      {{"ring", "s.wav", "-o", "o.wav", "--wave", "noise"}, 2,
       "tonemill: ring: --wave takes sine, square, triangle or saw\n"},
      {{"mix", "s.wav:x", "-o", "o.wav"}, 2, "tonemill: mix: " + F("s.wav:x") + ": Illegal Left amplitude factor!\n"},
      {{"mix", "s.wav:1:", "-o", "o.wav"}, 2, "tonemill: mix: " + F("s.wav:1:") + ": Illegal Right amplitude factor!\n"},
      {{"mix", "s.wav", "-o", F("nodir/o.wav")}, 1,
       "tonemill: " + F("nodir/o.wav") + ": Can not open destination file. (no such file or directory)\n"},
      {{"mix", "none.wav", "-o", "o.wav"}, 1, "tonemill: " + F("none.wav") + ": Can't find WAV file " + F("none.wav") + "\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Run(c.args), c.exitCode) << c.args[0];
    EXPECT_EQ(result_.err, c.message);
  }
  EXPECT_FALSE(std::filesystem::exists(F("o.wav")));
  EXPECT_EQ(ReadWav(F("m8.wav")).samples.size(), 6u);  // left as it was
}

TEST_F(WaveCommands, AnInputCutShortIsProcessedAndReported) {
  std::vector<uint8_t> cut = ReadBytes(F("s.wav"));
  cut.resize(44 + 4000);
  WriteBytes(F("cut.wav"), cut);
  EXPECT_EQ(Run({"reverse", "cut.wav", "-o", "o.wav"}), 1);
  EXPECT_EQ(result_.err, "tonemill: " + F("cut.wav") + ": Premature end of WAV file " + F("cut.wav") + "\n");
  EXPECT_EQ(ReadWav(F("o.wav")).dataSize, 4000u);
  // Over an existing file the early end is a failure that replaces nothing, even with --force.
  EXPECT_EQ(Run({"fade", "cut.wav", "-o", "o.wav", "--force"}), 1);
  EXPECT_NE(result_.err.find(F("o.wav") + " was left as it was"), std::string::npos) << result_.err;
  EXPECT_EQ(ReadWav(F("o.wav")).dataSize, 4000u);
}

TEST_F(WaveCommands, ASignalCancelsAndLeavesAValidShorterFile) {
  V loud(2 * 44100 * 60, 12000);
  WriteWav(F("long.wav"), {44100, 16, 2}, loud);
  const pid_t pid = Start({TonemillPath(), "ring", F("long.wav"), "-o", F("o.wav")}, F("err.txt"));
  // Wait until the work has begun: its temporary file is there.
  auto working = [&] {
    for (const auto& e : std::filesystem::directory_iterator(dir_.Path()))
      if (e.path().filename().string().rfind(".o.wav.tmp-", 0) == 0) return true;
    return false;
  };
  for (int i = 0; i < 2000 && !working(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ::kill(pid, SIGINT);
  EXPECT_EQ(Wait(pid), 130);
  const WavData out = ReadWav(F("o.wav"));
  EXPECT_LT(out.samples.size(), loud.size());
  EXPECT_EQ(std::filesystem::file_size(F("o.wav")), 44u + out.dataSize);
  const std::vector<uint8_t> err = ReadBytes(F("err.txt"));
  EXPECT_NE(std::string(err.begin(), err.end()).find("Cancelled: "), std::string::npos);
  EXPECT_FALSE(working());
}

}  // namespace
}  // namespace testing_support
