#include "tonemill/midi/midedit.h"
#include "tonemill/ops/midiutils.h"
#include "tonemill/ops/trackedit.h"

#include "tests/support/midifiles.h"
#include "tests/support/testfiles.h"

#include <gtest/gtest.h>

namespace tonemill {
namespace {

using testing_support::MidiFile;
using testing_support::MidiTrack;
using Bytes = std::vector<uint8_t>;

Bytes Edited(const Bytes& source, const TrackEdit& edit, UtilityOutcome* outcome = nullptr) {
  testing_support::TempDir dir;
  testing_support::WriteBytes(dir.File("in.mid"), source);
  const UtilityOutcome o = EditMidiTracks(dir.File("in.mid"), dir.File("out.mid"), edit);
  if (outcome) *outcome = o;
  return std::filesystem::exists(dir.File("out.mid")) ? testing_support::ReadBytes(dir.File("out.mid")) : Bytes();
}

MidiTrack& Silenced(MidiTrack& t, uint32_t delta) { return t.Delta(delta).Raw({0xFF, 0x01, 0x00}); }

TEST(MidiTrackEditor, MuteOfAllTracksChannel10SilencesItsNotesInPlace) {
  MidiTrack t1, t2;
  t1.Tempo(0, 500000).EndOfTrack(7);
  // Running status across channel 10's notes, a controller 64 there, a sysex, End of Track
  // 480 ticks after the last event.
  t2.NoteOn(0, 10, 36, 100).Delta(12).Raw({38, 90}).Controller(3, 10, 64, 127)
      .NoteOn(0, 1, 60, 80).Delta(4).Raw({0xF0, 0x01, 0xF7}).NoteOff(5, 10, 36)
      .Delta(0).Raw({38, 0}).EndOfTrack(480);
  TrackEdit edit;
  edit.pairs = {{-1, 10}};
  MidiTrack e2;
  Silenced(e2, 0);
  Silenced(e2, 12).Controller(3, 10, 64, 127).NoteOn(0, 1, 60, 80).Delta(4)
      .Raw({0xF0, 0x01, 0xF7});
  Silenced(Silenced(e2, 5), 0).EndOfTrack(480);
  EXPECT_EQ(Edited(MidiFile(1, 96, {t1, t2}), edit), MidiFile(1, 96, {t1, e2}));
}

TEST(MidiTrackEditor, SoloKeepsOnlyTheListedPairsAndActsOnlyOnSwitchedKinds) {
  // Every kind on channels 1 and 2 of three tracks.
  auto track = [] {
    MidiTrack t;
    for (int ch : {1, 2})
      t.NoteOn(1, ch, 60, 100).KeyPressure(1, ch, 60, 5).ChannelPressure(1, ch, 9)
          .Bend(1, ch, 100).Controller(1, ch, 1, 2).Controller(1, ch, 7, 3)
          .Controller(1, ch, 10, 4).Controller(1, ch, 11, 5).Controller(1, ch, 64, 6)
          .Program(1, ch, 7).NoteOff(1, ch, 60);
    return t.EndOfTrack();
  };
  const Bytes source = MidiFile(1, 96, {track(), track(), track()});
  // Which events of one channel's eleven a kind switch silences.
  const struct {
    EditKinds kinds;
    std::vector<int> silenced;
  } cases[] = {
      {{true, false, false, false, false, false, false, false}, {0, 10}},
      {{false, true, false, false, false, false, false, false}, {2}},
      {{false, false, true, false, false, false, false, false}, {1}},
      {{false, false, false, true, false, false, false, false}, {4}},
      {{false, false, false, false, true, false, false, false}, {5}},
      {{false, false, false, false, false, true, false, false}, {6}},
      {{false, false, false, false, false, false, true, false}, {7}},
      {{false, false, false, false, false, false, false, true}, {3}},
      {{true, true, true, true, true, true, true, true}, {0, 1, 2, 3, 4, 5, 6, 7, 10}},
  };
  for (const auto& c : cases) {
    TrackEdit edit;
    edit.mute = false;
    edit.kinds = c.kinds;
    edit.pairs = {{2, 1}};
    auto expected = [&](bool keepChannel1) {
      MidiTrack t;
      for (int ch : {1, 2}) {
        MidiTrack full;
        full.NoteOn(1, ch, 60, 100).KeyPressure(1, ch, 60, 5).ChannelPressure(1, ch, 9)
            .Bend(1, ch, 100).Controller(1, ch, 1, 2).Controller(1, ch, 7, 3)
            .Controller(1, ch, 10, 4).Controller(1, ch, 11, 5).Controller(1, ch, 64, 6)
            .Program(1, ch, 7).NoteOff(1, ch, 60);
        // Each event of the builder is a one-byte delta and two or three bytes.
        size_t at = 0;
        for (int event = 0; event < 11; ++event) {
          const size_t size = (event == 2 || event == 9) ? 3 : 4;
          const bool silence = !(keepChannel1 && ch == 1) &&
                               std::count(c.silenced.begin(), c.silenced.end(), event);
          if (silence) Silenced(t, 1);
          else t.bytes.insert(t.bytes.end(), full.bytes.begin() + long(at), full.bytes.begin() + long(at + size));
          at += size;
        }
      }
      return t.EndOfTrack();
    };
    EXPECT_EQ(Edited(source, edit), MidiFile(1, 96, {expected(false), expected(true), expected(false)}))
        << c.silenced.size();
  }
}

TEST(MidiTrackEditor, KeepsFormatDivisionAndTracksAndDropsIgnoredEvents) {
  MidiTrack t;
  // A data byte before any status (then 0x05 is a delta), a 0xFE event, a name kept as a name,
  // a track that ends at its length without End of Track.
  t.Raw({0x03, 0x05}).Delta(0).Raw({0xFE}).Raw({0x02, 0xFF, 0x03, 0x01, 'x'}).NoteOn(2, 3, 60, 1);
  MidiTrack expected;
  expected.Delta(10).Raw({0xFF, 0x03, 0x01, 'x'}).NoteOn(2, 3, 60, 1);
  TrackEdit edit;
  edit.pairs = {{5, 5}};
  EXPECT_EQ(Edited(MidiFile(0, -6952, {t}), edit), MidiFile(0, -6952, {expected}));
}

TEST(MidiTrackEditor, AFailureLeavesNoTrackCountAndTheOperationLeavesTheTargetAlone) {
  MidiTrack good;
  good.NoteOn(0, 1, 60, 1).EndOfTrack();
  Bytes truncated = MidiFile(1, 96, {good, good, good});
  truncated.resize(truncated.size() - 3);
  UtilityOutcome o;
  const Bytes partial = Edited(truncated, TrackEdit(), &o);
  EXPECT_EQ(o.message, "Premature data termination.");
  EXPECT_EQ(o.track, 3);
  ASSERT_GE(partial.size(), 12u);
  EXPECT_EQ(partial[10], 0);
  EXPECT_EQ(partial[11], 0);

  for (const Bytes& bad : {truncated, MidiFile(2, 96, {good}), testing_support::MidiHeader(0, 1, 96)}) {
    testing_support::TempDir dir;
    testing_support::WriteBytes(dir.File("in.mid"), bad);
    testing_support::WriteText(dir.File("out.mid"), "old");
    const auto problem = ops::ProblemOf(ops::EditTracks(dir.File("in.mid"), dir.File("out.mid"), TrackEdit(), Overwrite::Replace));
    ASSERT_TRUE(problem);
    EXPECT_EQ(testing_support::ReadBytes(dir.File("out.mid")), Bytes({'o', 'l', 'd'}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2);
  }
  testing_support::TempDir dir;
  testing_support::WriteBytes(dir.File("in.mid"), MidiFile(2, 96, {good}));
  EXPECT_EQ(EditMidiTracks(dir.File("in.mid"), dir.File("out.mid"), TrackEdit()).message,
            "File is not MIDI Level 0 or Level 1.");
  EXPECT_FALSE(std::filesystem::exists(dir.File("out.mid")));
}

TEST(MidiTrackEditorRules, CellsRowsAndFiles) {
  const struct {
    std::string text;
    bool isTrack;
    std::string message, stored;
  } cells[] = {
      {"1", true, "", "1"}, {"65535", true, "", "65535"}, {"0", true, "Illegal MIDI Track!", "0"},
      {"65536", true, "Illegal MIDI Track!", "65536"}, {"16", false, "", "16"},
      {"17", false, "Illegal MIDI Channel!", "17"}, {" a l l ", false, "", "ALL"},
      {"al", true, "Illegal MIDI Track!", "al"},
  };
  for (const auto& c : cells) {
    std::string cell = c.text;
    EXPECT_EQ(ops::CheckPairCell(cell, c.isTrack), c.message) << c.text;
    EXPECT_EQ(cell, c.stored);
  }
  EXPECT_EQ(ops::FirstIncompleteRow({{"1", "1"}, {"2", ""}, {"", ""}}), 1);
  EXPECT_EQ(ops::FirstIncompleteRow({{"1", "1"}}), -1);
  EXPECT_EQ(ops::PairsFromRows({{"2", "1"}, {"ALL", "10"}, {"2", "1"}, {"2", "ALL"}}),
            (std::vector<TrackChannel>{{2, 1}, {-1, 10}, {2, -1}}));

  std::vector<ops::PairRow> rows;
  EXPECT_FALSE(ops::PairRowsFromTexts({"all:10", "2:1"}, rows));
  EXPECT_EQ(rows, (std::vector<ops::PairRow>{{"ALL", "10"}, {"2", "1"}}));
  EXPECT_EQ(ops::PairRowsFromTexts({"2"}, rows), "Incomplete Track:Channel specification!");
  EXPECT_EQ(ops::PairRowsFromTexts({":3"}, rows), "Incomplete Track:Channel specification!");
  EXPECT_EQ(ops::PairRowsFromTexts({"1:0"}, rows), "Illegal MIDI Channel!");

  testing_support::TempDir dir;
  testing_support::WriteBytes(dir.File("in.mid"), MidiFile(1, 96, {MidiTrack().EndOfTrack()}));
  testing_support::WriteBytes(dir.File("two.mid"), MidiFile(2, 96, {MidiTrack().EndOfTrack()}));
  EXPECT_EQ(ops::CheckEditSource(dir.File("none.mid"), dir.File("o.mid"))->message, "File not found!");
  EXPECT_EQ(ops::CheckEditSource(dir.File("two.mid"), dir.File("o.mid"))->message, "Unsupported MIDI format!");
  EXPECT_EQ(ops::CheckEditSource(dir.File("in.mid"), dir.Path().string() + "/./in.mid")->message,
            "Can't overwrite source file!");
  EXPECT_FALSE(ops::CheckEditSource(dir.File("in.mid"), dir.File("o.mid")));
  EXPECT_EQ(ops::CheckEditDestination(dir.File("in.mid"), dir.File("in.mid"))->message,
            "Can't overwrite source file!");
  EXPECT_TRUE(ops::CheckEditDestination(dir.File("in.mid"), ""));
}

}  // namespace
}  // namespace tonemill
