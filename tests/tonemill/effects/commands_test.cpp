// The effect commands as a user runs them: worked outputs, the dialogs' messages for options,
// patches kept between runs, outputs that are refused, and Ctrl-C.
#include "commandfixture.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <thread>

using namespace testing_support;

namespace {

using EffectCommands = CommandHome;

TEST_F(EffectCommands, EchoOfAnImpulseInSamples) {
  std::vector<int32_t> x(100, 0);
  x[10] = 1000;
  WriteWav(File("in.wav"), {11025, 16, 1}, x);
  const ProcessResult r = Run({"echo", File("in.wav"), "-o", File("out.wav"), "--unit", "samples",
                               "--delay", "20", "--level", "50", "--feedback", "0", "-q"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  std::vector<int32_t> expected = x;
  expected[30] = 500;
  EXPECT_EQ(ReadWav(File("out.wav")).samples, expected);
  // A range in milliseconds leaves the rest alone: the echo falls outside it here.
  ASSERT_EQ(Run({"echo", File("in.wav"), "-o", File("out.wav"), "--range", "0:2", "--delay=20",
                 "--unit=samples", "--force"}).exitCode, 0);
  EXPECT_EQ(ReadWav(File("out.wav")).samples, x);
}

TEST_F(EffectCommands, WithoutARangeEveryFrameIsProcessed) {
  // 12342 frames at 44100 Hz: the last frame in milliseconds, times frames per ms, truncates to
  // the frame before it.
  std::vector<int32_t> x(12342, 0);
  x[12340] = 1000;
  WriteWav(File("in.wav"), {44100, 16, 1}, x);
  ASSERT_EQ(Run({"echo", File("in.wav"), "-o", File("out.wav"), "--unit", "ms", "--delay", "0.03",
                 "--level", "50", "-q"}).exitCode, 0);
  EXPECT_EQ(ReadWav(File("out.wav")).samples.back(), 500);
}

TEST_F(EffectCommands, OptionsAreCheckedAsTheDialogsCheckTheirFields) {
  WriteWav(File("in.wav"), {22050, 8, 2}, std::vector<int32_t>(200, 128));
  struct Case {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{"echo", "--feedback=-120"}, "echo: --feedback: Illegal feedback value!"},
      {{"flange", "--effect", "loud"}, "flange: --effect: Illegal amplitude factor!"},
      {{"chorus", "--variation=-1"}, "chorus: --variation: Illegal variation value!"},
      {{"reverb", "--level-right", "2000"}, "reverb: --level-right: Illegal right level value!"},
      {{"reverb", "--lowpass-left", "1,2,3"}, "--lowpass-left takes six values"},
      {{"reverb", "--algorithm", "cave"}, "--algorithm takes chamber, chapel, hall or custom"},
      {{"vocode", "--control", "in.wav", "--time", "200"},
       "The allowed time resolution range is 0.10 to 100.00 ms!"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = c.args;
    args.insert(args.begin() + 1, {File("in.wav"), "-o", File("out.wav")});
    const ProcessResult r = Run(args);
    EXPECT_EQ(r.exitCode, 2) << c.message;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
  }
  EXPECT_FALSE(std::filesystem::exists(File("out.wav")));
}

TEST_F(EffectCommands, OutputsThatAreRefused) {
  WriteWav(File("in.wav"), {22050, 16, 1}, std::vector<int32_t>(300, 5));
  WriteWav(File("ctl.wav"), {22050, 16, 1}, std::vector<int32_t>(300, 5));
  std::filesystem::create_symlink(File("in.wav"), File("link.wav"));
  ProcessResult r = Run({"reverb", File("in.wav"), "-o", File("link.wav"), "--force"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("Can't overwrite source file!"), std::string::npos) << r.err;
  r = Run({"vocode", File("in.wav"), "--control", File("ctl.wav"), "-o", File("ctl.wav"), "--force"});
  EXPECT_NE(r.err.find("Can't overwrite source file!"), std::string::npos) << r.err;
  // The patch file the effect reads is one of its inputs too.
  r = Run({"echo", File("in.wav"), "-o", File("ECHO.INI"), "--force"});
  EXPECT_NE(r.err.find(File("ECHO.INI") + ": Can't overwrite source file!"), std::string::npos) << r.err;
  EXPECT_EQ(ReadBytes(File("ECHO.INI")).front(), 'D');  // still the patches
  WriteBytes(File("bad.wav"), std::vector<uint8_t>(50, 1));
  r = Run({"vocode", File("in.wav"), "--control", File("bad.wav"), "-o", File("v.wav")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("Error reading control file " + File("bad.wav") + "!"), std::string::npos) << r.err;
  r = Run({"flange", File("bad.wav"), "-o", File("f.wav")});
  EXPECT_NE(r.err.find("File format error!"), std::string::npos) << r.err;
  // An existing output is kept without --force.
  WriteText(File("old.wav"), "keep");
  r = Run({"chorus", File("in.wav"), "-o", File("old.wav")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("File " + File("old.wav") + " will be overwritten!"), std::string::npos) << r.err;
  EXPECT_EQ(ReadBytes(File("old.wav")).size(), 4u);
  EXPECT_EQ(Run({"chorus", File("in.wav"), "-o", File("old.wav"), "--force"}).exitCode, 0);
  EXPECT_EQ(ReadWav(File("old.wav")).samples.size(), 300u);
}

TEST_F(EffectCommands, AnInputCutShortIsReportedAsTheWaveOperationsDo) {
  // Two seconds: the effects' default delays fit.
  WriteWav(File("in.wav"), {44100, 16, 1}, std::vector<int32_t>(88200, 300));
  std::vector<uint8_t> bytes = ReadBytes(File("in.wav"));
  bytes.resize(bytes.size() - 1000);
  WriteBytes(File("cut.wav"), bytes);
  const struct {
    std::vector<std::string> args;
    std::string cut;
  } cases[] = {
      {{"echo", File("cut.wav")}, File("cut.wav")},
      {{"flange", File("cut.wav")}, File("cut.wav")},
      {{"chorus", File("cut.wav")}, File("cut.wav")},
      {{"reverb", File("cut.wav")}, File("cut.wav")},
      {{"vocode", File("cut.wav"), "--control", File("in.wav")}, File("cut.wav")},
      {{"vocode", File("in.wav"), "--control", File("cut.wav")}, File("cut.wav")},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"-o", File("out.wav"), "--quiet"});
    const ProcessResult r = Run(args);
    EXPECT_EQ(r.exitCode, 1) << args[0];
    EXPECT_NE(r.err.find("Premature end of WAV file " + c.cut), std::string::npos) << r.err;
    // What was processed is in place, since it replaced nothing.
    EXPECT_TRUE(std::filesystem::exists(File("out.wav"))) << args[0];
    std::filesystem::remove(File("out.wav"));
  }
}

TEST_F(EffectCommands, TheVocodersDefaultBandsFitTheCarriersRate) {
  WriteWav(File("ctl.wav"), {44100, 16, 1}, std::vector<int32_t>(3000, 200));
  WriteWav(File("c22.wav"), {22050, 16, 1}, std::vector<int32_t>(1500, 300));
  WriteWav(File("c11.wav"), {11025, 16, 1}, std::vector<int32_t>(800, 300));
  // A table of the user's own that reaches above the carrier's rate keeps its check.
  std::string table;
  for (int b = 1; b <= 32; ++b) table += b < 31 ? "500 100 500 100 1.0\n" : "13350 2645 13350 2645 1.0\n";
  WriteText(File("bands.txt"), table);
  const struct {
    std::vector<std::string> args;
    int exitCode;
    std::string err;
  } cases[] = {
      {{File("c22.wav")}, 0,
       "tonemill: Bands 31 to 32 of the default table lie above 11025 Hz, half the carrier's rate, and are left out.\n"},
      {{File("c11.wav")}, 0, "Bands 20 to 32 of the default table lie above 55"},
      {{File("c22.wav"), "--bands", "30"}, 0, ""},
      {{File("c22.wav"), "--band-table", File("bands.txt")}, 1, "Band 31 (car): the centre must lie from 0 to 11025 Hz"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"vocode"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    args.insert(args.end(), {"--control", File("ctl.wav"), "-o", File("v.wav"), "--force", "--quiet"});
    const ProcessResult r = Run(args);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
    // A whole line is the whole of what was said: one warning and nothing else.
    if (c.err.empty() || c.err.back() == '\n') EXPECT_EQ(r.err, c.err);
    else EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
  }
}

TEST_F(EffectCommands, AnOperationThatClipsSaysHowMuch) {
  std::vector<int32_t> loud;
  for (int i = 0; i < 44100; ++i) loud.push_back(i % 100 < 50 ? 20000 : -20000);
  WriteWav(File("loud.wav"), {44100, 16, 1}, loud);
  const struct {
    std::vector<std::string> args;
    bool warned;
  } cases[] = {
      {{"echo", File("loud.wav"), "-o", File("e.wav")}, true},  // the default echo doubles it
      {{"fade", File("loud.wav"), "-o", File("f.wav")}, false},
      {{"mix", File("loud.wav"), File("loud.wav"), "-o", File("m.wav")}, true},
  };
  for (const auto& c : cases) {
    const ProcessResult r = Run(c.args);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err.find("% of the samples are saturated\n") != std::string::npos, c.warned) << r.err;
  }
}

TEST_F(EffectCommands, PatchesAreKeptAndLoaded) {
  WriteWav(File("in.wav"), {44100, 16, 2}, std::vector<int32_t>(2000, 300));
  ASSERT_EQ(Run({"flange", File("in.wav"), "-o", File("a.wav"), "--rate", "3.5", "--feedback", "-40",
                 "--save-patch", "Jet plane"}).exitCode, 0);
  EXPECT_EQ(ReadBytes(File("FLANGE.INI")).size(),
            std::string("Default 1.000 1.000 1.0 0.00 1.00 1.0\r\nJet_plane 1.000 1.000 -40.0 0.00 1.00 3.5\r\n").size());
  // Loading the patch gives the same output; the first patch is never changed.
  ASSERT_EQ(Run({"flange", File("in.wav"), "-o", File("b.wav"), "--patch", "Jet plane"}).exitCode, 0);
  EXPECT_EQ(ReadBytes(File("a.wav")), ReadBytes(File("b.wav")));
  EXPECT_EQ(Run({"flange", File("in.wav"), "-o", File("c.wav"), "--save-patch", "Default"}).exitCode, 1);
  EXPECT_EQ(Run({"flange", File("in.wav"), "-o", File("c.wav"), "--patch", "Nope"}).exitCode, 1);
}

TEST_F(EffectCommands, PatchesSavedAtOnceAreAllKept) {
  WriteWav(File("in.wav"), {22050, 16, 1}, std::vector<int32_t>(22050, 300));
  std::vector<pid_t> runs;
  for (const std::string n : {"0", "1", "2", "3", "4", "5"})
    runs.push_back(Start({TONEMILL_EXECUTABLE, "echo", File("in.wav"), "-o", File("p" + n + ".wav"),
                          "--save-patch", "R_" + n, "--quiet"},
                         File("err" + n)));
  for (const pid_t pid : runs) EXPECT_EQ(Wait(pid), 0);
  const std::vector<uint8_t> bytes = ReadBytes(File("ECHO.INI"));
  const std::string text(bytes.begin(), bytes.end());
  for (int i = 0; i < 6; ++i)
    EXPECT_NE(text.find(std::string("\nR_").append(std::to_string(i)).append(" ")), std::string::npos) << text;
}

TEST_F(EffectCommands, InterruptLeavesAValidShorterFile) {
  // Two minutes of stereo noise through the 32-band vocoder take long enough to interrupt.
  std::vector<int32_t> noise;
  uint32_t r = 1;
  for (int i = 0; i < 2 * 44100 * 120; ++i) {
    r = r * 1664525u + 1013904223u;
    noise.push_back(int32_t(r >> 16) - 32768);
  }
  WriteWav(File("in.wav"), {44100, 16, 2}, noise);
  const pid_t pid = Start({TONEMILL_EXECUTABLE, "vocode", File("in.wav"), "--control", File("in.wav"),
                           "-o", File("out.wav")},
                          File("err.txt"));
  // Interrupt once the work has begun (its temporary output exists) and a little after.
  auto working = [&] {
    for (const auto& entry : std::filesystem::directory_iterator(home_))
      if (entry.path().filename().string().find(".tmp-") != std::string::npos) return true;
    return false;
  };
  for (int i = 0; i < 1000 && !working(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  ::kill(pid, SIGINT);
  EXPECT_EQ(Wait(pid), 130);
  const WavData w = ReadWav(File("out.wav"));
  EXPECT_LT(w.dataSize, noise.size() * 2);
  EXPECT_EQ(std::filesystem::file_size(File("out.wav")), 44u + w.dataSize);
  for (const auto& entry : std::filesystem::directory_iterator(home_))
    EXPECT_EQ(entry.path().string().find(".tmp-"), std::string::npos) << entry.path();
}

}  // namespace
