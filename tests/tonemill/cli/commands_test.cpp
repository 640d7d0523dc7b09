// The mid2lst, render and lst2wav commands, run as a user runs them, with their own settings
// directory, instruments and samples.
#include "songhome.h"

namespace {

using testing_support::MidiFile;
using testing_support::MidiTrack;
using testing_support::PrgFields;
using Commands = testing_support::SongHome;

TEST_F(Commands, RenderTurnsAMultiTrackSongIntoAWavSong) {
  testing_support::WriteBytes(home_ + "MID/My_Song.MID", Song());
  ASSERT_EQ(Run("render MID/My_Song.MID --rate 22050"), 0) << err;
  testing_support::WavData w = testing_support::ReadWav(home_ + "Song/my_song.wav");
  EXPECT_EQ(w.rate, 22050);
  EXPECT_EQ(w.channels, 2);
  EXPECT_GT(w.samples.size(), 22050u);
  EXPECT_TRUE(std::any_of(w.samples.begin(), w.samples.end(), [](int32_t s) { return s != 0; }));
  const std::string lst = Text("Temp/my_song.lst");  // the scratch list
  EXPECT_NE(lst.find("\r\nDRUM "), std::string::npos);
  EXPECT_NE(lst.find(" VOL 100\r\n"), std::string::npos);
  // Nothing is overwritten without --force; with it the result is the same.
  EXPECT_EQ(Run("render MID/My_Song.MID --rate 22050"), 1);
  EXPECT_NE(err.find("will be overwritten! (not done: use --force)"), std::string::npos);
  ASSERT_EQ(Run("render MID/My_Song.MID --rate 22050 --force -q"), 0) << err;
  EXPECT_EQ(testing_support::ReadWav(home_ + "Song/my_song.wav").samples, w.samples);
}

TEST_F(Commands, EveryCommandTakesQuietAndRefusesEmptyValues) {
  testing_support::WriteBytes(home_ + "MID/s.mid", Song());
  const struct {
    const char* arguments;
    int exitCode;
  } cases[] = {
      {"mid2lst MID/s.mid -o s.lst --quiet", 0},
      {"midscan MID/s.mid -o scan.txt -q", 0},
      {"mid1to0 MID/s.mid -o zero.mid --quiet", 0},
      {"midedit MID/s.mid -o edit.mid --quiet --help", 0},
      {"wav2dft --quiet --help", 0},
      {"dft2wav -q --help", 0},
      // An empty value never stands for the default.
      {"render MID/s.mid --shard ''", 2},
      {"lowpass WAV/TONE.WAV -o lp.wav --cutoff=", 2},
  };
  for (const auto& c : cases) EXPECT_EQ(Run(c.arguments), c.exitCode) << c.arguments << ": " << err;
}

TEST_F(Commands, InputsThatAreNoSongSayWhatIsWrong) {
  // A header that announces no track, and nothing after it.
  testing_support::WriteBytes(home_ + "zero.mid", {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 0, 0, 96});
  std::filesystem::create_directory(home_ + "dir.mid");
  const struct {
    const char* arguments;
    const char* message;
  } cases[] = {
      {"mid2lst zero.mid -o z.lst", "zero.mid: The MIDI file has no tracks!"},
      {"render zero.mid -o z.wav", "zero.mid: The MIDI file has no tracks!"},
      {"midscan zero.mid", "zero.mid: The MIDI file has no tracks!"},
      {"mid1to0 zero.mid -o z0.mid", "zero.mid: The MIDI file has no tracks!"},
      {"midedit zero.mid -o ze.mid --mute --pair 1:1", "zero.mid: The MIDI file has no tracks!"},
      {"mid2lst dir.mid -o d.lst", "dir.mid: File not found! (is a directory)"},
      {"lowpass dir.mid -o d.wav", "dir.mid: File not found! (is a directory)"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Run(c.arguments), 1) << c.arguments;
    EXPECT_EQ(err, std::string("tonemill: ") + c.message + "\n") << c.arguments;
  }
}

TEST_F(Commands, Mid2lstNamesAndChecks) {
  testing_support::WriteBytes(home_ + "MID/a.mid", Song());
  ASSERT_EQ(Run("mid2lst MID/a.mid"), 0) << err;
  EXPECT_EQ(Text("LST/a.lst").substr(0, 5), "758\r\n");
  std::filesystem::create_directory(home_ + "out");
  ASSERT_EQ(Run("mid2lst MID/a.mid -o out --drums 'a l l : 10' --drums 2:10"), 0) << err;
  EXPECT_TRUE(std::filesystem::exists(home_ + "out/a.lst"));
  EXPECT_EQ(Run("mid2lst MID/a.mid -o MID/../MID/a.mid"), 1);
  EXPECT_EQ(err, "tonemill: MID/../MID/a.mid: LST can't overwrite MID!\n");
  EXPECT_EQ(Run("mid2lst MID/a.mid --drums 0:10"), 2);
  EXPECT_EQ(err, "tonemill: mid2lst: --drums: Illegal MIDI Track!\n");
  EXPECT_EQ(Run("mid2lst MID/a.mid --drums 1:17"), 2);
  EXPECT_EQ(err, "tonemill: mid2lst: --drums: Illegal MIDI Channel!\n");
  testing_support::WriteText(home_ + "MID/b.mid", "RIFF....not a song");
  EXPECT_EQ(Run("mid2lst MID/b.mid"), 1);
  EXPECT_EQ(err, "tonemill: MID/b.mid: Source file is not Standard MIDI!\n");
  std::filesystem::remove(home_ + "PRG/24.PRG");
  EXPECT_EQ(Run("mid2lst MID/a.mid --force"), 1);
  EXPECT_EQ(err, "tonemill: MID/a.mid: PRG file " + home_ + "PRG/24.PRG not found.\n");
}

TEST_F(Commands, RenderRefusesWhatItCannotRender) {
  testing_support::WriteBytes(home_ + "MID/empty.mid", MidiFile(0, 480, {MidiTrack().EndOfTrack(5)}));
  EXPECT_EQ(Run("render MID/empty.mid"), 1);
  EXPECT_NE(err.find("The song has no notes"), std::string::npos) << err;

  MidiTrack late;
  late.NoteOn(30000, 1, 60, 100).NoteOff(1, 1, 60);  // at 500 ms a tick: over four hours
  testing_support::WriteBytes(home_ + "MID/long.mid", MidiFile(0, 1, {late.EndOfTrack()}));
  EXPECT_EQ(Run("render MID/long.mid"), 1);
  EXPECT_NE(err.find("too long for a WAV file at 44100 Hz, 16 bits, stereo"), std::string::npos) << err;

  PrgFields a, b;
  a.wav = "NOPE1";
  b.wav = "NOPE2";
  testing_support::WriteText(home_ + "PRG/24.PRG", a.Line() + "\r\n" + b.Line() + "\r\n");
  testing_support::WriteBytes(home_ + "MID/missing.mid", Song());
  EXPECT_EQ(Run("render MID/missing.mid"), 1);
  EXPECT_EQ(err, "tonemill: MID/missing.mid: Fatal error: can't find either WAV or DFT for sample NOPE1!\n"
                 "tonemill: MID/missing.mid: Fatal error: can't find either WAV or DFT for sample NOPE2!\n"
                 "tonemill: MID/missing.mid: Sample file(s) missing. Aborting.\n");
  EXPECT_FALSE(std::filesystem::exists(home_ + "Song/missing.wav"));

  // Directories that cannot serve: one without instruments says how to get them; a WAV
  // directory that does not exist is named before the samples missing from it.
  std::filesystem::create_directory(home_ + "none");
  EXPECT_EQ(Run("render MID/missing.mid --prg-dir none"), 1);
  EXPECT_NE(err.find("24.PRG not found.\ntonemill: none holds no instruments: import a SoundFont bank with "
                     "'tonemill import-sf2 BANK.sf2'"), std::string::npos) << err;
  EXPECT_EQ(Run("render MID/missing.mid --wav-dir nowhere"), 1);
  EXPECT_EQ(err.rfind("tonemill: nowhere: the WAV directory does not exist\n", 0), 0u) << err;
  EXPECT_EQ(Run("render MID/missing.mid --prg-dir PRG --wav-dir WAV"), 1);
  EXPECT_EQ(err.find("holds no instruments"), std::string::npos) << err;
  EXPECT_EQ(err.find("does not exist"), std::string::npos) << err;
}

TEST_F(Commands, ManySongsInParallelAndInShards) {
  for (const char* name : {"s1", "s2", "s3", "s4", "s5"})
    testing_support::WriteBytes(home_ + "MID/" + name + ".mid", Song(std::string(name) == "s3" ? 2 : 3));
  ASSERT_EQ(Run("render MID/s1.mid --rate 11025 -q"), 0) << err;
  const auto alone = testing_support::ReadBytes(home_ + "Song/s1.wav");
  std::filesystem::remove(home_ + "Song/s1.wav");
  ASSERT_EQ(Run("render MID/s3.mid MID/s1.mid MID/s2.mid --rate 11025 --force --jobs 2"), 0) << err;
  EXPECT_EQ(testing_support::ReadBytes(home_ + "Song/s1.wav"), alone);
  EXPECT_TRUE(std::filesystem::exists(home_ + "Song/s3.wav"));

  // On a terminal the batch's bar counts the songs from its first line.
  const std::string onTerminal = "cd '" + home_ + "' && TONEMILL_HOME='" + home_ + "' script -qec \"'" +
                                 TONEMILL_EXECUTABLE + "' render MID/s1.mid MID/s2.mid MID/s3.mid " +
                                 "--rate 11025 --force\" /dev/null > tty.txt 2>&1";
  ASSERT_EQ(std::system(onTerminal.c_str()), 0);
  const std::string bar = Text("tty.txt");
  EXPECT_NE(bar.find("0/3 songs"), std::string::npos) << bar;
  EXPECT_EQ(bar.find("/1 songs"), std::string::npos) << bar;

  // Positions 1 and 4 of the sorted list s1..s5.
  std::filesystem::remove_all(home_ + "Song");
  std::filesystem::create_directory(home_ + "Song");
  ASSERT_EQ(Run("render MID/s5.mid MID/s4.mid MID/s3.mid MID/s2.mid MID/s1.mid --shard 2/3 "
                "--rate 11025 --force"), 0) << err;
  std::vector<std::string> made;
  for (auto& e : std::filesystem::directory_iterator(home_ + "Song")) made.push_back(e.path().filename());
  std::sort(made.begin(), made.end());
  EXPECT_EQ(made, (std::vector<std::string>{"s2.wav", "s5.wav"}));

  // One failure fails the run and is named; the others are still made.
  std::filesystem::remove(home_ + "MID/s4.mid");
  EXPECT_EQ(Run("render MID/s4.mid MID/s1.mid --force --rate 11025"), 1);
  EXPECT_NE(err.find("tonemill: MID/s4.mid: File not found!"), std::string::npos) << err;
  EXPECT_NE(err.find("1 of 2 songs failed: MID/s4.mid"), std::string::npos) << err;

  // Outputs that would collide are refused before anything starts.
  std::filesystem::remove(home_ + "Song/s1.wav");
  EXPECT_EQ(Run("render MID/s1.mid ./MID/s1.mid"), 2);
  EXPECT_NE(err.find("would both use"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(home_ + "Song/s1.wav"));
  EXPECT_EQ(Run("render MID/s1.mid MID/s2.mid -o x.wav"), 2);
  EXPECT_EQ(Run("render MID/s1.mid --shard 4/3"), 2);
}

TEST_F(Commands, Lst2wavTakesItsDefaultsFromTheSettings) {
  testing_support::WriteBytes(home_ + "MID/c.mid", Song());
  ASSERT_EQ(Run("mid2lst MID/c.mid"), 0) << err;
  // The samples come from the WAV directory; the song goes beside its list.
  ASSERT_EQ(Run("lst2wav LST/c.lst --bits 8 --channels 1"), 0) << err;
  testing_support::WavData w = testing_support::ReadWav(home_ + "LST/c.wav");
  EXPECT_EQ(w.bits, 8);
  EXPECT_EQ(w.channels, 1);
}

}  // namespace
