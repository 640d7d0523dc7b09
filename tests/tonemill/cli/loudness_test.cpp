// Outputs brought to a loudness: songs, their stems, and the loudness command on any container.
#include "songhome.h"

#include "tonemill/wave/loudness.h"

#include <cstdlib>

namespace {

using Loudness = testing_support::SongHome;
using testing_support::ReadWav;

tonemill::LoudnessFigures Measured(const std::string& path) {
  tonemill::LoudnessFigures figures;
  EXPECT_FALSE(tonemill::MeasureLoudness(path, figures)) << path;
  return figures;
}

TEST_F(Loudness, SongsReachTheTargetOrKeepTheCeiling) {
  testing_support::WriteBytes(home_ + "MID/s.mid", Song(12));
  ASSERT_EQ(Run("render MID/s.mid -q --volume 0.3 -o Song/plain.wav"), 0) << err;
  const tonemill::LoudnessFigures plain = Measured(home_ + "Song/plain.wav");
  ASSERT_LT(plain.truePeak, -3);
  const struct {
    const char* command;
    const char* file;
    double lufs, ceiling;
    bool limited;
  } rows[] = {
      {"render MID/s.mid -q --volume 0.3 --loudness -23 -o Song/a.wav", "Song/a.wav", -23, -1, false},
      {"render MID/s.mid -q --volume 0.3 --loudness=-3 --true-peak -4 -o Song/b.flac", "Song/b.flac", -3, -4, true},
      {"render MID/s.mid -q --volume 0.3 --bits float --loudness -20 -o Song/f.wav", "Song/f.wav", -20, -1, false},
      {"lst2wav Temp/plain.lst -q --volume 0.3 --wav-dir WAV --loudness -16 -o Song/c.wav", "Song/c.wav", -16, -1, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.command);
    ASSERT_EQ(Run(row.command), 0) << err;
    const tonemill::LoudnessFigures figures = Measured(home_ + row.file);
    if (row.limited) {
      EXPECT_NE(err.find("warning: "), std::string::npos) << err;
      EXPECT_NE(err.find("the true-peak ceiling of -4.0 dBTP allows"), std::string::npos) << err;
      EXPECT_NEAR(figures.truePeak, row.ceiling, 0.1);
      EXPECT_LT(figures.integrated, row.lufs - 0.5);
    } else {
      EXPECT_EQ(err, "");
      EXPECT_NEAR(figures.integrated, row.lufs, 0.5);
      EXPECT_LE(figures.truePeak, row.ceiling + 0.05);
    }
  }
  EXPECT_EQ(Run("render MID/s.mid -q --volume 0.3 --true-peak -2 -o Song/d.wav"), 2);
  EXPECT_EQ(Run("render MID/s.mid -q --volume 0.3 --loudness loud -o Song/d.wav"), 2);
}

TEST_F(Loudness, StemsTakeTheGainOfTheirMixAndStillAddUpToIt) {
  testing_support::WriteBytes(home_ + "MID/s.mid", Song(12));
  ASSERT_EQ(Run("render MID/s.mid -q --volume 0.3 --stems --loudness -18 -o Song/s.wav"), 0) << err;
  EXPECT_NEAR(Measured(home_ + "Song/s.wav").integrated, -18, 0.5);
  const std::vector<int32_t> mix = ReadWav(home_ + "Song/s.wav").samples;
  std::vector<int32_t> sum(mix.size());
  for (const char* stem : {"Song/s.2-1.wav", "Song/s.3-10.wav"}) {
    const std::vector<int32_t> samples = ReadWav(home_ + stem).samples;
    ASSERT_LE(samples.size(), mix.size()) << stem;
    for (size_t i = 0; i < samples.size(); ++i) sum[i] += samples[i];
  }
  // Each stem rounds its own samples.
  for (size_t i = 0; i < mix.size(); ++i) ASSERT_LE(std::abs(sum[i] - mix[i]), 1) << i;
  // The stems alone get the same gain, from a mix that is measured but not kept.
  ASSERT_EQ(Run("render MID/s.mid -q --volume 0.3 --stems-only --force --loudness -18 -o Song/t.wav"), 0) << err;
  EXPECT_FALSE(std::filesystem::exists(home_ + "Song/t.wav"));
  EXPECT_EQ(ReadWav(home_ + "Song/t.2-1.wav").samples, ReadWav(home_ + "Song/s.2-1.wav").samples);
}

TEST_F(Loudness, TheCommandReportsAndWritesTheInputsFormat) {
  testing_support::WriteBytes(home_ + "MID/s.mid", Song(12));
  ASSERT_EQ(Run("render MID/s.mid -q --volume 0.3 --bits 8 -o Song/s8.wav"), 0) << err;
  ASSERT_EQ(Run("render MID/s.mid -q --volume 0.3 -o Song/s.flac"), 0) << err;
  ASSERT_EQ(Run("render MID/s.mid -q --volume 0.3 --bits float -o Song/f.wav"), 0) << err;
  for (const char* input : {"Song/s8.wav", "Song/s.flac", "Song/f.wav"}) {
    SCOPED_TRACE(input);
    const std::string output = std::string(input).replace(5, 1, "o");
    ASSERT_EQ(Run(std::string("loudness ") + input + " -q --loudness -20 -o " + output), 0) << err;
    EXPECT_NEAR(Measured(home_ + output).integrated, -20, 0.5);
    ASSERT_EQ(Run("loudness " + output), 0) << err;
    EXPECT_NE(Text("out.txt").find("Loudness  -2"), std::string::npos) << Text("out.txt");
    EXPECT_NE(Text("out.txt").find("True peak "), std::string::npos);
  }
  EXPECT_EQ(ReadWav(home_ + "Song/o8.wav").bits, 8);
  // An input cut short: what there was is written at the target, and the cut reported.
  std::vector<uint8_t> cut = testing_support::ReadBytes(home_ + "Song/s8.wav");
  cut.resize(cut.size() - 5000);
  testing_support::WriteBytes(home_ + "Song/cut.wav", cut);
  EXPECT_EQ(Run("loudness Song/cut.wav -q --loudness -20 -o Song/ocut.wav"), 1);
  EXPECT_NE(err.find("Premature end of WAV file Song/cut.wav"), std::string::npos) << err;
  EXPECT_NEAR(Measured(home_ + "Song/ocut.wav").integrated, -20, 0.5);
  ASSERT_EQ(Run("wavscan --json -q Song/s8.wav"), 0) << err;
  EXPECT_NE(Text("out.txt").find("], \"integratedLufs\": -"), std::string::npos) << Text("out.txt");
  EXPECT_EQ(Run("loudness Song/s8.wav --loudness -20"), 2);
  EXPECT_EQ(Run("loudness Song/none.wav"), 1);
}

}  // namespace
