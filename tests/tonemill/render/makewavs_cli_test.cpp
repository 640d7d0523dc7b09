// The commands that convert and make samples, run as the built program in a settings home.
#include "tests/tonemill/cli/songhome.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace testing_support {
namespace {

class SampleCommands : public SongHome {
 protected:
  bool Has(const std::string& text) const { return err.find(text) != std::string::npos; }
  // Keeps the two samples only as DFT files.
  void OnlyDft() {
    tone_ = ReadBytes(home_ + "WAV/TONE.WAV");
    drum_ = ReadBytes(home_ + "WAV/DRUM.WAV");
    ASSERT_EQ(Run("wav2dft WAV/TONE.WAV"), 0) << err;
    ASSERT_EQ(Run("wav2dft WAV/DRUM.WAV -o DFT/"), 0) << err;
    std::filesystem::remove(home_ + "WAV/TONE.WAV");
    std::filesystem::remove(home_ + "WAV/DRUM.WAV");
  }
  std::vector<uint8_t> tone_, drum_;
};

TEST_F(SampleCommands, ConvertsBothWaysUnderTheProposedNames) {
  OnlyDft();
  EXPECT_TRUE(std::filesystem::exists(home_ + "DFT/tone.dft"));
  EXPECT_LT(std::filesystem::file_size(home_ + "DFT/tone.dft"), tone_.size());
  ASSERT_EQ(Run("dft2wav DFT/tone.dft"), 0) << err;
  EXPECT_EQ(ReadBytes(home_ + "WAV/tone.wav"), tone_);
  EXPECT_EQ(Run("dft2wav DFT/tone.dft"), 1);
  EXPECT_TRUE(Has("Existing file " + home_ + "WAV/tone.wav will be overwritten! (not done: use --force)")) << err;
  EXPECT_EQ(Run("dft2wav DFT/tone.dft --force -o copy.wav"), 0) << err;
  EXPECT_EQ(ReadBytes(home_ + "copy.wav"), tone_);
  WriteText(home_ + "text.wav", "hello");
  EXPECT_EQ(Run("wav2dft text.wav -o t.dft"), 1);
  EXPECT_TRUE(Has("tonemill: text.wav: File text.wav is not WAV.")) << err;
  EXPECT_EQ(Run("dft2wav copy.wav -o x.wav"), 1);
  EXPECT_TRUE(Has("File copy.wav is not DFT.")) << err;
  EXPECT_EQ(Run("dft2wav DFT/tone.dft -o DFT/tone.dft --force"), 1);
  EXPECT_TRUE(Has("Can't overwrite source file!")) << err;
  EXPECT_FALSE(std::filesystem::exists(home_ + "t.dft"));
  EXPECT_FALSE(std::filesystem::exists(home_ + "x.wav"));
}

TEST_F(SampleCommands, ASongWhoseSamplesAreOnlyDftRenders) {
  WriteBytes(home_ + "MID/song.mid", Song());
  ASSERT_EQ(Run("render MID/song.mid -o before.wav"), 0) << err;
  OnlyDft();
  ASSERT_EQ(Run("render MID/song.mid"), 0) << err;
  EXPECT_TRUE(Has("made " + home_ + "WAV/TONE.WAV")) << err;
  EXPECT_EQ(ReadBytes(home_ + "WAV/TONE.WAV"), tone_);
  EXPECT_EQ(ReadBytes(home_ + "WAV/DRUM.WAV"), drum_);
  EXPECT_EQ(ReadBytes(home_ + "Song/song.wav"), ReadBytes(home_ + "before.wav"));

  // lst2wav makes them the same way.
  ASSERT_EQ(Run("mid2lst MID/song.mid"), 0) << err;
  std::filesystem::remove(home_ + "WAV/TONE.WAV");
  ASSERT_EQ(Run("lst2wav LST/song.lst -o again.wav"), 0) << err;
  EXPECT_EQ(ReadBytes(home_ + "again.wav"), ReadBytes(home_ + "before.wav"));
}

TEST_F(SampleCommands, NothingIsMadeWhileASampleIsMissing) {
  WriteBytes(home_ + "MID/song.mid", Song());
  OnlyDft();
  std::filesystem::remove(home_ + "DFT/tone.dft");
  EXPECT_EQ(Run("render MID/song.mid"), 1);
  EXPECT_TRUE(Has("Fatal error: can't find either WAV or DFT for sample TONE!")) << err;
  EXPECT_TRUE(Has("Sample file(s) missing. Aborting.")) << err;
  EXPECT_FALSE(std::filesystem::exists(home_ + "WAV/DRUM.WAV"));
  EXPECT_FALSE(std::filesystem::exists(home_ + "Song/song.wav"));
}

TEST_F(SampleCommands, AnInvalidWavIsReplacedOnlyWithForce) {
  WriteBytes(home_ + "MID/song.mid", Song());
  OnlyDft();
  WriteText(home_ + "WAV/tone.wav", "broken");
  EXPECT_EQ(Run("render MID/song.mid"), 1);
  EXPECT_TRUE(Has("Overwrite existing file " + home_ + "WAV/tone.wav? (not done: use --force)")) << err;
  EXPECT_TRUE(Has("Sample file(s) missing. Aborting. (no valid WAV file: " + home_ + "WAV/tone.wav)")) << err;
  EXPECT_FALSE(std::filesystem::exists(home_ + "Song/song.wav"));
  ASSERT_EQ(Run("render MID/song.mid --force"), 0) << err;
  EXPECT_EQ(ReadBytes(home_ + "WAV/tone.wav"), tone_);
  EXPECT_FALSE(std::filesystem::exists(home_ + "WAV/TONE.WAV"));  // the one file, not a second
}

TEST_F(SampleCommands, MakeWavsListsAndMakes) {
  OnlyDft();
  WriteText(home_ + "PRG/1.PRG", "c0 TONE c4\r\nc1 Gone.wav c4\r\n");
  EXPECT_EQ(Run("make-wavs 0.PRG D0.PRG"), 0) << err;
  EXPECT_EQ(Text("out.txt"), "TONE      made      " + home_ + "WAV/TONE.WAV\n"
                             "DRUM      made      " + home_ + "WAV/DRUM.WAV\n");
  EXPECT_EQ(ReadBytes(home_ + "WAV/DRUM.WAV"), drum_);
  // A PRG sample with no DFT file: its message, and the command fails.
  EXPECT_EQ(Run("make-wavs --json PRG/1.PRG"), 1);
  EXPECT_TRUE(Has("Can't open source file " + home_ + "DFT/GONE.DFT.")) << err;
  EXPECT_EQ(Text("out.txt"),
            "[\n  {\"name\": \"TONE\", \"state\": \"present\", \"wav\": \"" + home_ + "WAV/TONE.WAV\", \"dft\": \"" +
                home_ + "DFT/tone.dft\"},\n  {\"name\": \"GONE\", \"state\": \"not made\", \"wav\": \"" + home_ +
                "WAV/GONE.WAV\", \"dft\": \"" + home_ + "DFT/GONE.DFT\"}\n]\n");
  // --all makes the present ones again, replacing them only with --force.
  EXPECT_EQ(Run("make-wavs --all 0.PRG"), 1);
  EXPECT_TRUE(Has("(not done: use --force)")) << err;
  EXPECT_EQ(Run("make-wavs --all --force 0.PRG"), 0) << err;
  EXPECT_EQ(Text("out.txt"), "TONE      made      " + home_ + "WAV/TONE.WAV\n");
  // A song list: samples with neither file are named, the others still made.
  std::filesystem::remove(home_ + "WAV/TONE.WAV");
  WriteText(home_ + "s.lst", "10\r\n{\r\nGONE 1\r\n[\r\n60\r\n]\r\n}\r\n{\r\nTone 1\r\n[\r\n60\r\n]\r\n}\r\n");
  EXPECT_EQ(Run("make-wavs s.lst"), 1);
  EXPECT_TRUE(Has("Fatal error: can't find either WAV or DFT for sample GONE!")) << err;
  EXPECT_EQ(Text("out.txt"), "GONE      missing   " + home_ + "DFT/GONE.DFT\n"
                             "Tone      made      " + home_ + "WAV/Tone.WAV\n");
  EXPECT_EQ(Run("make-wavs s.lst 0.PRG"), 2);
  EXPECT_EQ(Run("make-wavs 0.PRG --all --missing-only"), 2);
  EXPECT_EQ(Run("make-wavs NONE.PRG"), 1);
  EXPECT_TRUE(Has("Can't open PRG file " + home_ + "PRG/NONE.PRG!")) << err;
  std::filesystem::create_directory(home_ + "x.lst");
  EXPECT_EQ(Run("make-wavs x.lst"), 1);
  EXPECT_TRUE(Has("Can't open LST file x.lst! (is a directory)")) << err;
}

}  // namespace
}  // namespace testing_support
