// render --stems: one WAV file per track:channel pair that plays notes, which add up to the mix.
#include "tests/tonemill/cli/songhome.h"
#include "tonemill/midi/midiwriter.h"

namespace {

using testing_support::MidiFile;
using testing_support::MidiTrack;
using Stems = testing_support::SongHome;

// The stems padded with silence to the mix's length and added sample by sample, less the
// silence each but one brings.
std::vector<int32_t> Sum(const std::vector<testing_support::WavData>& stems, size_t length, int32_t silence) {
  std::vector<int32_t> sum(length, silence);
  for (const auto& stem : stems) {
    EXPECT_LE(stem.samples.size(), length);
    for (size_t i = 0; i < stem.samples.size() && i < length; ++i) sum[i] += stem.samples[i] - silence;
  }
  return sum;
}

TEST_F(Stems, AddUpToTheMixInEveryFormat) {
  std::vector<uint8_t> song = Song();
  // A fourth track whose only note falls at 0 ms, and a track that plays no note.
  MidiTrack instant, silent;
  instant.Program(0, 5, 0).NoteOn(0, 5, 72, 100).NoteOff(0, 5, 72).EndOfTrack();
  silent.Controller(0, 6, 7, 100).NoteOn(0, 6, 50, 0).EndOfTrack();
  song[11] = 5;
  tonemill::AppendTrackChunk(song, instant.bytes);
  tonemill::AppendTrackChunk(song, silent.bytes);
  testing_support::WriteBytes(home_ + "MID/song.mid", song);
  const std::vector<std::string> pairs = {"2-1", "3-10", "4-5"};
  // Quiet enough that no addition clamps, in the mix or in a stem.
  for (const std::string format : {"--bits 16 --channels 2 --volume 0.4", "--bits 8 --channels 1 --volume 0.4"}) {
    ASSERT_EQ(Run("render MID/song.mid --rate 11025 --stems --jobs 2 --force -q " + format), 0) << err;
    const testing_support::WavData mix = testing_support::ReadWav(home_ + "Song/song.wav");
    std::vector<testing_support::WavData> stems;
    for (const std::string& pair : pairs) {
      stems.push_back(testing_support::ReadWav(home_ + "Song/song." + pair + ".wav"));
      EXPECT_EQ(stems.back().bits, mix.bits);
      EXPECT_EQ(stems.back().channels, mix.channels);
    }
    EXPECT_FALSE(std::filesystem::exists(home_ + "Song/song.6-6.wav"));
    EXPECT_EQ(Sum(stems, mix.samples.size(), mix.bits == 8 ? 128 : 0), mix.samples) << format;
    EXPECT_GT(stems[0].samples.size(), stems[2].samples.size());
    EXPECT_GT(*std::max_element(mix.samples.begin(), mix.samples.end()), mix.bits == 8 ? 180 : 10000);
  }
  // The soloed copies of the song were temporary; the stems' lists are scratch lists.
  for (const auto& entry : std::filesystem::directory_iterator(home_ + "Temp"))
    EXPECT_EQ(entry.path().extension(), ".lst") << entry.path();
  for (const std::string& pair : pairs) std::filesystem::remove(home_ + "Song/song." + pair + ".wav");
  std::filesystem::remove(home_ + "Song/song.wav");
  ASSERT_EQ(Run("render MID/song.mid --rate 11025 --stems-only -q"), 0) << err;
  EXPECT_FALSE(std::filesystem::exists(home_ + "Song/song.wav"));
  EXPECT_TRUE(std::filesystem::exists(home_ + "Song/song.3-10.wav"));
  // Nothing is overwritten without --force, and a failing stem is named with its pair.
  EXPECT_EQ(Run("render MID/song.mid --rate 11025 --stems-only -q"), 1);
  EXPECT_NE(err.find("song.3-10.wav will be overwritten! (not done: use --force)"), std::string::npos) << err;
  std::filesystem::remove(home_ + "PRG/D0.PRG");
  EXPECT_EQ(Run("render MID/song.mid --rate 11025 --stems --force -q"), 1);
  EXPECT_NE(err.find("MID/song.mid (track 3, channel 10): PRG file"), std::string::npos) << err;
  EXPECT_NE(err.find("2 of 4 renders failed: MID/song.mid, MID/song.mid (track 3, channel 10)"),
            std::string::npos) << err;
}

}  // namespace
