#include "tests/support/process.h"
#include "tests/support/testfiles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>

using namespace testing_support;

namespace {

constexpr const char* kInst = "S 60 64 64 64 0 0 0 2 0 0 1.00 1.00 0.00 -1.00 0 0 0 999 -1 -1 ";

class Lst2Wav : public ::testing::Test {
 protected:
  void SetUp() override {
    std::vector<int32_t> ramp(1000);
    for (int i = 0; i < 1000; ++i) ramp[size_t(i)] = i * 20;
    WriteWav(dir.File("S.WAV"), {44100, 16, 1}, ramp);
    lst = dir.File("song.lst");
  }
  ProcessResult Lst2wav(std::vector<std::string> extra) {
    std::vector<std::string> args = {TonemillPath(), "lst2wav"};
    args.insert(args.end(), extra.begin(), extra.end());
    return RunProcess(args);
  }
  TempDir dir;
  std::string lst;
};

TEST_F(Lst2Wav, RendersNextToTheSongWithTheDefaults) {
  WriteText(lst, std::string("100\r\n{\r\n") + kInst + "\r\n[\r\n60\r\n0 ON 100\r\n50 OFF 64\r\n]\r\n}\r\n");
  ProcessResult r = Lst2wav({lst, "--wav-dir", dir.Path().string()});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  WavData w = ReadWav(dir.File("song.wav"));
  EXPECT_EQ(w.rate, 44100);
  EXPECT_EQ(w.bits, 16);
  EXPECT_EQ(w.channels, 2);
  EXPECT_EQ(w.dataSize, 4409u * 4);

  // Nothing is overwritten without --force.
  r = Lst2wav({lst, "--wav-dir", dir.Path().string(), "--rate", "11025", "--bits", "8"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("will be overwritten"), std::string::npos) << r.err;
  EXPECT_EQ(ReadWav(dir.File("song.wav")).rate, 44100);
  r = Lst2wav({lst, "--wav-dir", dir.Path().string(), "--rate=11025", "--bits", "8",
               "--channels", "1", "--volume", "0.5", "--force", "-o", dir.File("out.wav")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  w = ReadWav(dir.File("out.wav"));
  EXPECT_EQ(w.rate, 11025);
  EXPECT_EQ(w.bits, 8);
  EXPECT_EQ(w.channels, 1);
}

TEST_F(Lst2Wav, ReportsTheSystemsMessageWithTheFileLine) {
  WriteText(lst, std::string("100\r\n{\r\n") + kInst + "\r\n[\r\n60\r\n0 ON 100\r\n5 NOPE 1\r\n]\r\n}\r\n");
  ProcessResult r = Lst2wav({lst, "--wav-dir", dir.Path().string()});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find(lst + ":7: Illegal event code!"), std::string::npos) << r.err;

  // The sample check comes first and lists what is missing.
  WriteText(lst, "100\r\n{\r\nMISSING 60 64 64 64 0 0 0 2 0 0 1 1 0 -1 0 0 0 9 -1 -1\r\n[\r\n60\r\n]\r\n}\r\n");
  r = Lst2wav({lst, "--wav-dir", dir.Path().string(), "--force"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("can't find either WAV or DFT for sample MISSING!"), std::string::npos) << r.err;

  r = Lst2wav({dir.File("none.lst")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("Can't open LST file " + dir.File("none.lst") + "!"), std::string::npos)
      << r.err;
}

TEST_F(Lst2Wav, UsageErrorsExitWithTwo) {
  WriteText(lst, "100\r\n");
  EXPECT_EQ(Lst2wav({}).exitCode, 2);
  EXPECT_EQ(Lst2wav({lst, lst}).exitCode, 2);
  for (const char* rate : {"7999", "192001", "44.1"}) EXPECT_EQ(Lst2wav({lst, "--rate", rate}).exitCode, 2);
  for (const char* bits : {"12", "32", "Float"}) EXPECT_EQ(Lst2wav({lst, "--bits", bits}).exitCode, 2);
  EXPECT_EQ(Lst2wav({lst, "--volume", "100"}).exitCode, 2);
  EXPECT_EQ(Lst2wav({lst, "--volume", "1,5"}).exitCode, 2);
  EXPECT_EQ(Lst2wav({lst, "--bogus"}).exitCode, 2);
  EXPECT_EQ(RunProcess({TonemillPath(), "nosuchcommand"}).exitCode, 2);
  ProcessResult help = Lst2wav({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("--wav-dir"), std::string::npos);
  EXPECT_EQ(Lst2wav({lst, "-o", lst, "--force"}).exitCode, 1);  // WAV can't overwrite LST
}

TEST_F(Lst2Wav, CtrlCLeavesAValidShorterFileAndExits130) {
  // Many long notes: far more work than the time before the interrupt.
  std::string text = "60000\r\n{\r\nS 60 64 64 64 0 0 0 2 0 0 1 1 0 -1 0 0 0 999 0 999\r\n";
  for (int i = 0; i < 20000; ++i)
    text += "[\r\n60\r\n0 ON 100\r\n59000 OFF 64\r\n]\r\n";
  WriteText(lst, text + "}\r\n");
  const std::string wav = dir.File("song.wav");
  pid_t pid = Start({TonemillPath(), "lst2wav", lst, "--wav-dir", dir.Path().string()},
                    dir.File("err.txt"));
  std::this_thread::sleep_for(std::chrono::milliseconds(700));
  ::kill(pid, SIGINT);
  EXPECT_EQ(Wait(pid), 130);
  WavData w = ReadWav(wav);
  EXPECT_EQ(std::filesystem::file_size(wav), 44u + w.dataSize);
  EXPECT_EQ(w.dataSize % 4, 0u);
}

}  // namespace
