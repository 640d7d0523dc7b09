#include "tonemill/midi/midtolst.h"

#include "tests/support/midifiles.h"
#include "tests/support/testfiles.h"

#include <gtest/gtest.h>
#include <array>
#include <map>
#include <random>

namespace tonemill {
namespace {

using testing_support::MidiFile;
using testing_support::MidiTrack;
using testing_support::PrgFields;

const std::string kPiano = "PIANO 60 100 64 100 0 0 0 2 0 5 1.00 0.80 -0.10 -2.00 10 100 0 999 -1 -1 ";

class MidToLstTest : public ::testing::Test {
 protected:
  // Writes the song and the PRG files and converts; `lst` then holds the written text.
  MidToLstResult Convert(const std::vector<uint8_t>& midi,
                         const std::map<std::string, std::string>& prgs,
                         std::vector<DrumPair> drums = {{-1, 10}}) {
    testing_support::WriteBytes(dir_.File("song.mid"), midi);
    for (const auto& [name, text] : prgs) testing_support::WriteText(dir_.File(name), text);
    MidToLstResult r = MIDtoLST(dir_.File("song.mid"), dir_.File("song.lst"), dir_.Path().string(), drums);
    auto bytes = testing_support::ReadBytes(dir_.File("song.lst"));
    lst.assign(bytes.begin(), bytes.end());
    return r;
  }
  std::string Prg(const std::vector<PrgFields>& lines) {
    std::string text;
    for (const auto& l : lines) text += l.Line() + "\r\n";
    return text;
  }
  std::string Dir() const { return dir_.Path().string() + "/"; }

  testing_support::TempDir dir_;
  std::string lst;
};

std::string Lines(std::initializer_list<std::string> lines) {
  std::string s;
  for (const auto& l : lines) s += l + "\r\n";
  return s;
}

TEST_F(MidToLstTest, WritesTheSongListExactly) {
  MidiTrack t;
  t.NoteOn(0, 1, 60, 100).NoteOff(480, 1, 60, 70).NoteOn(0, 1, 62, 90).NoteOff(240, 1, 62, 0)
      .EndOfTrack();
  MidToLstResult r = Convert(MidiFile(0, 480, {t}), {{"0.PRG", Prg({{}})}});
  ASSERT_TRUE(r.written) << r.message;
  EXPECT_EQ(r.notes, 2);
  EXPECT_EQ(lst, Lines({"750", "{", kPiano, "[", "60", "0 ON 100", "500 OFF 70", "]", "[", "62",
                        "500 ON 90", "750 OFF 0", "]", "}"}));
}

TEST_F(MidToLstTest, ChannelStateAtTheStartAndEventsWhileTheNoteSounds) {
  MidiTrack t;
  t.Controller(0, 1, 7, 100).Controller(0, 1, 10, 64).Controller(0, 1, 11, 90)
      .Controller(0, 1, 1, 5).Bend(0, 1, -100).NoteOn(0, 1, 60, 100)
      .KeyPressure(48, 1, 60, 33).KeyPressure(0, 1, 61, 44).ChannelPressure(48, 1, 55)
      .Controller(48, 2, 7, 1).Controller(48, 1, 64, 127).Controller(0, 1, 91, 3)
      .Bend(48, 1, 8191).Controller(48, 1, 10, 20).NoteOff(48, 1, 60, 90).EndOfTrack();
  ASSERT_TRUE(Convert(MidiFile(0, 480, {t}), {{"0.PRG", Prg({{}})}}).written);
  // The sustain pedal pressed while the note sounds does not change its release value.
  EXPECT_EQ(lst, Lines({"350", "{", kPiano, "[", "60", "0 ON 100", "0 VOL 100", "0 EXP 90",
                        "0 MOD 5", "0 BND -100", "50 PRS 33", "100 PRS 55", "250 BND 8191",
                        "300 PAN 20", "350 OFF 90", "]", "}"}));
}

TEST_F(MidToLstTest, ReleaseValuesOfEveryEnding) {
  MidiTrack t;
  t.Controller(0, 1, 64, 64).NoteOn(0, 1, 60, 100).NoteOff(480, 1, 60, 90)  // pedal: 90 div 3
      .NoteOn(0, 1, 62, 100).NoteOn(480, 1, 62, 0)                           // pedal: 21
      .Controller(0, 1, 64, 0).NoteOn(0, 1, 64, 100).NoteOn(480, 1, 64, 80)  // re-struck: 127
      .NoteOff(480, 1, 64, 10).NoteOn(0, 1, 65, 100).EndOfTrack(480);        // never off: 64
  ASSERT_TRUE(Convert(MidiFile(0, 480, {t}), {{"0.PRG", Prg({{}})}}).written);
  EXPECT_EQ(lst, Lines({"2500", "{", kPiano, "[", "60", "0 ON 100", "500 OFF 30", "]", "[", "62",
                        "500 ON 100", "1000 OFF 21", "]", "[", "64", "1000 ON 100", "1500 OFF 127",
                        "1500 ON 80", "2000 OFF 10", "]", "[", "65", "2000 ON 100", "2500 OFF 64",
                        "]", "}"}));
}

TEST_F(MidToLstTest, TempoMapSpansTracksAndSmpteTimeIsRealTime) {
  MidiTrack conductor, notes;
  conductor.Tempo(960, 250000).EndOfTrack();
  notes.NoteOn(480, 1, 60, 100).NoteOff(960, 1, 60, 64).EndOfTrack();
  ASSERT_TRUE(Convert(MidiFile(1, 480, {conductor, notes}), {{"0.PRG", Prg({{}})}}).written);
  EXPECT_EQ(lst, Lines({"1250", "{", kPiano, "[", "60", "500 ON 100", "1250 OFF 64", "]", "}"}));

  MidiTrack smpte;
  smpte.NoteOn(1000, 1, 60, 100).NoteOff(1, 1, 60, 64).EndOfTrack();
  ASSERT_TRUE(Convert(MidiFile(0, 0xE728, {smpte}), {}).written);  // 25 fps × 40 ticks
  EXPECT_EQ(lst, Lines({"1001", "{", kPiano, "[", "60", "1000 ON 100", "1001 OFF 64", "]", "}"}));
}

TEST_F(MidToLstTest, TimesRoundHalvesToEven) {
  // 96 ticks per quarter at 500000 µs: 12 ticks are 62.5 ms, 36 ticks 187.5 ms.
  MidiTrack t;
  t.NoteOn(12, 1, 60, 100).NoteOff(24, 1, 60, 64).EndOfTrack();
  ASSERT_TRUE(Convert(MidiFile(0, 96, {t}), {{"0.PRG", Prg({{}})}}).written);
  EXPECT_EQ(lst, Lines({"188", "{", kPiano, "[", "60", "62 ON 100", "188 OFF 64", "]", "}"}));
}

TEST_F(MidToLstTest, TempoZeroCollapsesTimes) {
  MidiTrack t;
  t.Tempo(0, 0).NoteOn(100, 1, 60, 100).NoteOff(100, 1, 60, 64).EndOfTrack();
  MidToLstResult r = Convert(MidiFile(0, 96, {t}), {{"0.PRG", Prg({{}})}});
  ASSERT_TRUE(r.written);
  EXPECT_EQ(r.songLength, 0);
  EXPECT_EQ(r.notes, 1);
}

TEST_F(MidToLstTest, RedundantEventsGoFirstOfTwo) {
  MidiTrack t;
  // Two volumes at one millisecond: only the later stays. A note-start volume equal in value to
  // the next volume vanishes.
  t.Controller(0, 1, 7, 100).NoteOn(0, 1, 60, 100).Controller(0, 1, 7, 101).Controller(0, 1, 7, 102)
      .Controller(48, 1, 7, 102).Bend(48, 1, 5).NoteOff(48, 1, 60, 64).EndOfTrack();
  ASSERT_TRUE(Convert(MidiFile(0, 480, {t}), {{"0.PRG", Prg({{}})}}).written);
  EXPECT_EQ(lst, Lines({"150", "{", kPiano, "[", "60", "0 ON 100", "50 VOL 102", "100 BND 5",
                        "150 OFF 64", "]", "}"}));
}

TEST_F(MidToLstTest, EqualInstrumentsMergeWithTransposition) {
  PrgFields low, high;
  low.range = "c4-b4";
  low.base = "c4";
  high.range = "c5-b5";
  high.base = "c5";
  MidiTrack t;
  t.NoteOn(0, 1, 48, 100).NoteOff(480, 1, 48, 64).NoteOn(0, 1, 62, 90).NoteOff(480, 1, 62, 64)
      .NoteOn(0, 1, 50, 80).NoteOff(480, 1, 50, 64).EndOfTrack();
  ASSERT_TRUE(Convert(MidiFile(0, 480, {t}), {{"0.PRG", Prg({low, high})}}).written);
  // The c5 record came second: its note 62 moves 12 down, behind the group of 50 that starts
  // later (the group keeps its own start), and the base key is that of the c4 record.
  const std::string piano48 = "PIANO 48" + kPiano.substr(8);
  EXPECT_EQ(lst, Lines({"1500", "{", piano48, "[", "48", "0 ON 100", "500 OFF 64", "]", "[", "50",
                        "500 ON 90", "1000 OFF 64", "1000 ON 80", "1500 OFF 64", "]", "}"}));
}

TEST_F(MidToLstTest, TieRulesForNewAndMovedGroups) {
  // Track 1 and track 2 both start key 60 at tick 0: the later-read group goes first.
  PrgFields a, b;
  a.range = "c5";
  b.range = "c6";
  b.base = "c6";
  MidiTrack t1, t2;
  t1.NoteOn(0, 1, 60, 11).NoteOff(480, 1, 60, 64).EndOfTrack();
  t2.NoteOn(0, 1, 60, 22).NoteOff(240, 1, 60, 64).NoteOn(0, 1, 72, 33).NoteOff(240, 1, 72, 64)
      .EndOfTrack();
  MidiTrack t3;
  t3.NoteOn(240, 1, 60, 44).NoteOff(48, 1, 60, 64).EndOfTrack();
  ASSERT_TRUE(Convert(MidiFile(1, 480, {t1, t2, t3}), {{"0.PRG", Prg({a, b})}}).written);
  // The moved group of 72 (start 250 ms) goes after the group of 60 that starts at 250 ms too.
  EXPECT_EQ(lst, Lines({"500", "{", kPiano, "[", "60", "0 ON 22", "250 OFF 64", "0 ON 11",
                        "500 OFF 64", "250 ON 44", "300 OFF 64", "250 ON 33", "500 OFF 64", "]",
                        "}"}));
}

TEST_F(MidToLstTest, LayersMakeOneGroupInEachInstrument) {
  PrgFields piano, strings;
  strings.wav = "STRINGS";
  MidiTrack t;
  t.NoteOn(0, 1, 60, 100).NoteOff(480, 1, 60, 64).EndOfTrack();
  ASSERT_TRUE(Convert(MidiFile(0, 480, {t}), {{"0.PRG", Prg({piano, strings})}}).written);
  const std::string block = Lines({"[", "60", "0 ON 100", "500 OFF 64", "]"});
  EXPECT_EQ(lst, Lines({"500", "{", kPiano}) + block + Lines({"}", "{", "STRINGS" + kPiano.substr(5)}) +
                     block + Lines({"}"}));
}

TEST_F(MidToLstTest, DrumChannelsReadTheirKitAndProgramsChoosePrgFiles) {
  PrgFields kit, organ;
  kit.wav = "KICK";
  organ.wav = "ORGAN";
  MidiTrack t;
  t.NoteOn(0, 10, 36, 100).NoteOff(480, 10, 36, 64).Program(0, 1, 16).NoteOn(0, 1, 60, 100)
      .NoteOff(480, 1, 60, 64).EndOfTrack();
  ASSERT_TRUE(Convert(MidiFile(0, 480, {t}), {{"D0.PRG", Prg({kit})}, {"16.PRG", Prg({organ})}}).written);
  EXPECT_NE(lst.find("{\r\nKICK "), std::string::npos);
  EXPECT_NE(lst.find("{\r\nORGAN "), std::string::npos);

  // Without drum pairs, channel 10 plays 0.PRG, which is missing here.
  MidToLstResult r = Convert(MidiFile(0, 480, {t}), {}, {});
  EXPECT_EQ(r.message, "PRG file " + Dir() + "0.PRG not found.");
}

TEST_F(MidToLstTest, ErrorMessages) {
  MidiTrack ok;
  ok.NoteOn(0, 10, 61, 100).NoteOff(10, 10, 61, 64).EndOfTrack();
  PrgFields c4only;
  c4only.range = "c4";
  EXPECT_EQ(Convert(MidiFile(1, 480, {MidiTrack().EndOfTrack(), ok}), {{"D0.PRG", Prg({c4only})}}).message,
            "Note c#5 not assigned to in MIDI Track:Channel 2:10.");
  EXPECT_EQ(Convert(MidiFile(0, 480, {ok}), {{"D0.PRG", "c0-g10 PIANO c5 0 64\r\n"}}).message,
            "PRG " + Dir() + "D0.PRG, line #1: Illegal base volume.");
  testing_support::WriteText(dir_.File("D0.PRG"), Prg({{}}));
  EXPECT_EQ(Convert(MidiFile(0, 480, {ok, ok}), {}).message,
            "Source file is not Standard MIDI Level 0 or 1.");
  EXPECT_EQ(Convert(MidiFile(2, 480, {ok}), {}).message,
            "Source file is not Standard MIDI Level 0 or 1.");
  EXPECT_EQ(Convert(MidiFile(0, 0, {ok}), {}).message, "Illegal time division in MIDI file.");
  EXPECT_EQ(Convert(MidiFile(0, 0xE700, {ok}), {}).message, "Illegal time division in MIDI file.");
  std::vector<uint8_t> cut = MidiFile(0, 480, {ok});
  cut.resize(cut.size() - 2);
  EXPECT_EQ(Convert(cut, {}).message, "Unexpected end of MIDI file.");
  MidiTrack undefined;
  undefined.Delta(0).Raw({0xF4});
  EXPECT_EQ(Convert(MidiFile(0, 480, {undefined}), {}).message,
            "Undefined status byte in MIDI file.");
  MidiTrack longSong;
  longSong.Delta(0x0FFFFFFF).Raw({0x90, 60, 100}).Delta(0x0FFFFFFF).Raw({0x80, 60, 64});
  EXPECT_EQ(Convert(MidiFile(0, 1, {longSong}), {{"D0.PRG", Prg({{}})}, {"0.PRG", Prg({{}})}}).message,
            "Song too long.");
  std::remove(dir_.File("song.mid").c_str());
  EXPECT_EQ(MIDtoLST(dir_.File("song.mid"), dir_.File("x.lst"), Dir(), {}).message,
            "Can not open MIDI file.");
  EXPECT_EQ(Convert(MidiFile(0, 480, {ok}), {{"D0.PRG", Prg({{}})}}).written, true);
  EXPECT_EQ(MIDtoLST(dir_.File("song.mid"), Dir() + "missing/x.lst", Dir(), {{-1, 10}}).message,
            "Can not open LST file.");
}

TEST_F(MidToLstTest, AnErrorAtANoteStartComesBeforeAReadingErrorFurtherOn) {
  MidiTrack t;
  t.NoteOn(0, 1, 60, 100).NoteOff(10, 1, 60, 64).Delta(0).Raw({0xF4});
  EXPECT_EQ(Convert(MidiFile(0, 480, {t}), {}).message, "PRG file " + Dir() + "0.PRG not found.");
  // A note still sounding at the bad byte finds it before the next note needs its PRG file.
  MidiTrack open;
  open.NoteOn(0, 1, 60, 100).Program(0, 2, 5).NoteOn(0, 2, 60, 100).Delta(0).Raw({0xF4});
  EXPECT_EQ(Convert(MidiFile(0, 480, {open}), {{"0.PRG", Prg({{}})}}).message,
            "Undefined status byte in MIDI file.");
}

TEST_F(MidToLstTest, AFailedConversionLeavesTheExistingListAlone) {
  testing_support::WriteText(dir_.File("song.lst"), "old");
  MidiTrack t;
  t.NoteOn(0, 1, 60, 100).EndOfTrack();
  EXPECT_FALSE(Convert(MidiFile(0, 480, {t}), {}).written);
  EXPECT_EQ(lst, "old");
}

TEST_F(MidToLstTest, ASongWithoutNotesHasLengthZeroAndAListOfOneMillisecond) {
  // The renderer takes no duration below 1.
  MidToLstResult r = Convert(MidiFile(1, 480, {MidiTrack().Tempo(0, 400000).EndOfTrack(10)}), {});
  ASSERT_TRUE(r.written);
  EXPECT_EQ(r.notes, 0);
  EXPECT_EQ(r.songLength, 0);
  EXPECT_EQ(lst, "1\r\n");
}

TEST_F(MidToLstTest, ProgramChangeBorrowsTheTableOfAChannelThatHoldsIt) {
  PrgFields five;
  five.wav = "FIVE";
  MidiTrack t;
  t.Program(0, 1, 5).NoteOn(0, 1, 60, 100).NoteOff(10, 1, 60, 64).Program(0, 2, 5)
      .NoteOn(0, 2, 62, 100).NoteOff(10, 2, 62, 64).EndOfTrack();
  testing_support::WriteBytes(dir_.File("song.mid"), MidiFile(0, 480, {t}));
  testing_support::WriteText(dir_.File("5.PRG"), Prg({five}));
  ASSERT_TRUE(MIDtoLST(dir_.File("song.mid"), dir_.File("song.lst"), Dir(), {}).written);
  // A drum channel does not borrow from a melodic one: its own kit is missing here.
  MidiTrack drums;
  drums.Program(0, 1, 5).NoteOn(0, 1, 60, 100).NoteOff(10, 1, 60, 64).Program(0, 10, 5)
      .NoteOn(0, 10, 62, 100).EndOfTrack();
  EXPECT_EQ(Convert(MidiFile(0, 480, {drums}), {}).message,
            "PRG file " + Dir() + "D5.PRG not found.");
}

TEST_F(MidToLstTest, PrgFilesAreFoundIgnoringCase) {
  MidiTrack t;
  t.NoteOn(0, 10, 36, 100).EndOfTrack(10);
  ASSERT_TRUE(Convert(MidiFile(0, 480, {t}), {{"d0.prg", Prg({{}})}}).written);
}

TEST_F(MidToLstTest, WritesTheGivenFileAndReportsWhatStoppedIt) {
  MidiTrack t;
  for (int i = 0; i < 50; ++i) t.NoteOn(0, 1, 60, 100).Controller(10, 1, 7, i).NoteOff(10, 1, 60, 64);
  t.EndOfTrack();
  const std::map<std::string, std::string> prgs = {{"0.PRG", Prg({{}})}};
  testing_support::WriteText(dir_.File("song.lst"), std::string(5000, 'x'));
  ASSERT_TRUE(Convert(MidiFile(0, 480, {t}), prgs).written);
  const size_t full = lst.size();
  EXPECT_EQ(lst.substr(0, 6), "1042\r\n");  // the old content is gone

  // A list that would pass its bound stops before the line that would pass it.
  testing_support::WriteBytes(dir_.File("song.mid"), MidiFile(0, 480, {t}));
  for (int64_t bound : {int64_t(full), int64_t(full) - 1, int64_t(100)}) {
    const MidToLstResult r = MIDtoLST(dir_.File("song.mid"), dir_.File("bounded.lst"), Dir(), {}, bound);
    const auto written = testing_support::ReadBytes(dir_.File("bounded.lst"));
    EXPECT_EQ(r.written, bound == int64_t(full)) << bound;
    EXPECT_LE(int64_t(written.size()), bound);
    if (!r.written) {
      EXPECT_EQ(r.message, "LST file too large: more than " + std::to_string(bound) + " bytes.");
    }
  }
  // A write that fails is a failure, with the converter's one message for the list.
  const MidToLstResult fullDisk = MIDtoLST(dir_.File("song.mid"), "/dev/full", Dir(), {});
  EXPECT_FALSE(fullDisk.written);
  EXPECT_EQ(fullDisk.message, "Can not open LST file.");
}

// Songs full of small conflicts: overlapping strikes of a few keys on three channels of two
// tracks, controllers repeated at one tick or with one value, pedal, program changes between
// two programs whose lines merge with transposition, layers, tempo changes. The lists are
// pinned by size and hash; they are what the converter wrote when it still built the whole
// list in memory before writing it.
std::vector<uint8_t> BusySong(uint32_t seed) {
  std::mt19937 rng(seed);
  auto pick = [&](uint32_t n) { return int(rng() % n); };
  MidiTrack conductor;
  for (int i = 0; i < 4; ++i) conductor.Tempo(uint32_t(pick(400)), uint32_t(300000 + 1000 * pick(400)));
  conductor.EndOfTrack();
  std::vector<MidiTrack> tracks{conductor, MidiTrack(), MidiTrack()};
  for (size_t t = 1; t < tracks.size(); ++t) {
    MidiTrack& track = tracks[t];
    for (int i = 0; i < 400; ++i) {
      const uint32_t delta = uint32_t(pick(3) == 0 ? 0 : pick(30));
      const int channel = std::array{1, 2, 10}[size_t(pick(3))];
      const int key = 57 + pick(6);
      switch (pick(10)) {
        case 0: case 1: case 2: track.NoteOn(delta, channel, key, 1 + pick(127)); break;
        case 3: track.NoteOff(delta, channel, key, pick(128)); break;
        case 4: track.NoteOn(delta, channel, key, 0); break;
        case 5:
          track.Controller(delta, channel, std::array{1, 7, 10, 11, 64}[size_t(pick(5))],
                           std::array{0, 64, 100, 127}[size_t(pick(4))]);
          break;
        case 6: track.Bend(delta, channel, 4096 * pick(3) - 4096); break;
        case 7: track.KeyPressure(delta, channel, key, pick(3) * 60); break;
        case 8: track.ChannelPressure(delta, channel, pick(3) * 60); break;
        default: track.Program(delta, channel, pick(2)); break;
      }
    }
    track.EndOfTrack(uint32_t(pick(100)));
  }
  return MidiFile(1, seed % 2 ? 96 : 0xE728, tracks);
}

uint64_t Fnv1a(const std::string& bytes) {
  uint64_t h = 14695981039346656037ull;
  for (unsigned char c : bytes) h = (h ^ c) * 1099511628211ull;
  return h;
}

TEST_F(MidToLstTest, BusySongsGiveTheListsTheyAlwaysGave) {
  PrgFields low, high, strings, anywhere, kick;
  low.range = "c4-b4";
  low.base = "c4";
  high.range = "c5-b5";
  strings.range = "a4-c#5";
  strings.wav = "STRINGS";
  strings.volume = "90";
  anywhere.base = "d5";
  kick.wav = "KICK";
  const std::map<std::string, std::string> prgs = {
      {"0.PRG", Prg({low, high, strings})}, {"1.PRG", Prg({anywhere})}, {"D0.PRG", Prg({kick})},
      {"D1.PRG", Prg({kick, anywhere})}};
  const struct {
    uint32_t seed;
    size_t size;
    uint64_t hash;
  } expected[] = {{1, 32296, 0x72b0445395b7e26eull}, {2, 30717, 0xb9839e8dcbad221aull},
                  {3, 36292, 0x4f0e2b02314f7d1dull}, {4, 37605, 0x5bc1407b79bb8a92ull},
                  {5, 34242, 0xa62db524a40966beull}, {6, 34903, 0xac1b70e265e88c1full}};
  for (const auto& e : expected) {
    MidToLstResult r = Convert(BusySong(e.seed), prgs);
    ASSERT_TRUE(r.written) << r.message;
    EXPECT_EQ(lst.size(), e.size) << e.seed;
    EXPECT_EQ(Fnv1a(lst), e.hash) << e.seed;
  }
}

}  // namespace
}  // namespace tonemill
