// The mid1to0, midscan and midedit commands, run as a user runs them.
#include "tests/tonemill/cli/songhome.h"

namespace {

using testing_support::MidiFile;
using testing_support::MidiTrack;
using MidiCommands = testing_support::SongHome;

TEST_F(MidiCommands, Mid1to0NamesTheTargetAsTheConvertDialogDoes) {
  testing_support::WriteBytes(home_ + "MID/LongNames.mid", Song());
  testing_support::WriteBytes(home_ + "MID/song.mid", Song());
  ASSERT_EQ(Run("mid1to0 MID/LongNames.mid"), 0) << err;
  ASSERT_EQ(Run("mid1to0 MID/song.mid"), 0) << err;
  const auto merged = testing_support::ReadBytes(home_ + "MID/longnam0.mid");
  EXPECT_EQ(merged, testing_support::ReadBytes(home_ + "MID/song0.mid"));
  EXPECT_EQ(merged[9], 0);   // format 0
  EXPECT_EQ(merged[11], 1);  // one track
  EXPECT_EQ(Run("mid1to0 MID/song.mid"), 1);
  EXPECT_EQ(err, "tonemill: Existing file " + home_ + "MID/song0.mid will be overwritten! (not done: use --force)\n");
  EXPECT_EQ(Run("mid1to0 MID/song.mid --force -o MID/song0.mid"), 0) << err;
  EXPECT_EQ(Run("mid1to0 MID/song0.mid -o out.mid"), 1);
  EXPECT_EQ(err, "tonemill: MID/song0.mid: File is not MIDI Level 1.\n");
  EXPECT_FALSE(std::filesystem::exists(home_ + "out.mid"));
  EXPECT_EQ(Run("mid1to0 MID/song.mid -o MID/./song.mid"), 1);
  EXPECT_EQ(err, "tonemill: MID/./song.mid: Can't overwrite source file!\n");
  EXPECT_EQ(Run("mid1to0 MID/none.mid"), 1);
  EXPECT_EQ(err, "tonemill: MID/none.mid: File not found! (no such file or directory)\n");
}

TEST_F(MidiCommands, MidscanWritesTheScratchReportOrJson) {
  testing_support::WriteBytes(home_ + "MID/song.mid", Song());
  ASSERT_EQ(Run("midscan MID/song.mid"), 0) << err;
  ASSERT_EQ(Run("midscan MID/song.mid"), 0) << err;  // the scratch report is replaced
  const std::string report = Text("Temp/MIDscan.TXT");
  EXPECT_EQ(report.substr(0, 43), "\r\n   File MID/song.mid is MIDI Level 1.\r\n\r\n");
  EXPECT_NE(report.find("Program  24 (GM: Nylon-string Guitar)\r\n"), std::string::npos);
  ASSERT_EQ(Run("midscan MID/song.mid -o -"), 0) << err;
  EXPECT_EQ(Text("out.txt"), report);
  ASSERT_EQ(Run("midscan MID/song.mid --json"), 0) << err;
  EXPECT_EQ(Text("out.txt").substr(0, 67),
            "{\"file\": \"MID/song.mid\", \"format\": 1, \"trackCount\": 3, \"tracks\": [\n");
  EXPECT_EQ(std::system(("python3 -m json.tool '" + home_ + "out.txt' > /dev/null").c_str()), 0);
  ASSERT_EQ(Run("midscan MID/song.mid -o mine.txt"), 0) << err;
  EXPECT_EQ(Run("midscan MID/song.mid -o mine.txt"), 1);  // a named report is kept
  EXPECT_EQ(Run("midscan MID/none.mid"), 1);
  EXPECT_EQ(err, "tonemill: MID/none.mid: Can not open source file. (no such file or directory)\n");
}

TEST_F(MidiCommands, MideditMutesAndSolos) {
  testing_support::WriteBytes(home_ + "MID/song.mid", Song());
  ASSERT_EQ(Run("midedit MID/song.mid -o muted.mid --mute --pair all:10 --kinds notes,volume"), 0) << err;
  ASSERT_EQ(Run("midscan muted.mid -o - --json"), 0) << err;
  // Drum notes silenced; the melody's notes and volume stay.
  EXPECT_EQ(Text("out.txt").find("\"channel\": 10"), std::string::npos);
  EXPECT_NE(Text("out.txt").find("{\"key\": 60, \"name\": \"c5\"}"), std::string::npos);
  EXPECT_NE(Text("out.txt").find("\"name\": \"volume\""), std::string::npos);
  ASSERT_EQ(Run("midedit MID/song.mid -o solo.mid --solo -p 3:10"), 0) << err;
  ASSERT_EQ(Run("midscan solo.mid -o - --json"), 0) << err;
  EXPECT_EQ(Text("out.txt").find("{\"key\": 60,"), std::string::npos);
  EXPECT_NE(Text("out.txt").find("\"channel\": 10"), std::string::npos);

  const struct {
    std::string arguments, error;
  } usage[] = {
      {"midedit MID/song.mid -o x.mid --pair 1:1", "tonemill: midedit: give --mute or --solo\n"},
      {"midedit MID/song.mid -o x.mid --mute", "tonemill: midedit: give one or more --pair TRACK:CHANNEL\n"},
      {"midedit MID/song.mid --mute -p 1:1", "tonemill: midedit: -o names the edited copy\n"},
      {"midedit MID/song.mid -o x.mid --mute -p 1", "tonemill: midedit: --pair: Incomplete Track:Channel specification!\n"},
      {"midedit MID/song.mid -o x.mid --mute -p 0:1", "tonemill: midedit: --pair: Illegal MIDI Track!\n"},
      {"midedit MID/song.mid -o x.mid --mute -p 1:1 -k notes,tempo", "tonemill: midedit: --kinds: unknown kind 'tempo'\n"},
  };
  for (const auto& u : usage) {
    EXPECT_EQ(Run(u.arguments), 2) << u.arguments;
    EXPECT_EQ(err, u.error);
  }
  EXPECT_EQ(Run("midedit MID/song.mid -o MID/song.mid --mute -p 1:1"), 1);
  EXPECT_EQ(err, "tonemill: MID/song.mid: Can't overwrite source file!\n");
  testing_support::WriteBytes(home_ + "MID/two.mid", MidiFile(2, 96, {MidiTrack().EndOfTrack()}));
  EXPECT_EQ(Run("midedit MID/two.mid -o x.mid --mute -p 1:1"), 1);
  EXPECT_EQ(err, "tonemill: MID/two.mid: Unsupported MIDI format!\n");
  EXPECT_FALSE(std::filesystem::exists(home_ + "x.mid"));
}

}  // namespace
