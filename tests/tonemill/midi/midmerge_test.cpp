#include "tonemill/midi/midmerge.h"
#include "tonemill/ops/midiutils.h"

#include "tests/support/midifiles.h"
#include "tests/support/testfiles.h"

#include <gtest/gtest.h>

namespace tonemill {
namespace {

using testing_support::MidiFile;
using testing_support::MidiTrack;
using Bytes = std::vector<uint8_t>;

struct Merge {
  UtilityOutcome outcome;
  Bytes target;
};

Merge Merged(const Bytes& source) {
  testing_support::TempDir dir;
  testing_support::WriteBytes(dir.File("in.mid"), source);
  Merge m;
  m.outcome = MergeFormat1To0(dir.File("in.mid"), dir.File("out.mid"));
  if (std::filesystem::exists(dir.File("out.mid"))) m.target = testing_support::ReadBytes(dir.File("out.mid"));
  return m;
}

// The expected format 0 file around the merged events: header, one track, 00 FF 2F 00.
Bytes Format0(int division, const MidiTrack& events) {
  MidiTrack track = events;
  track.EndOfTrack();
  return MidiFile(0, division, {track});
}

TEST(MidiMerger, OrdersByTickThenTrackThenFileOrderWithStatusBytesWrittenOut) {
  MidiTrack t1, t2, t3;
  // Track 1: names become text, running status is written out, End of Track 480 ticks late.
  t1.Raw({0x00, 0xFF, 0x03, 0x02, 'T', '1'}).Tempo(0, 500000).NoteOn(10, 1, 60, 100)
      .Delta(0).Raw({62, 90}).Delta(20).Raw({60, 0}).EndOfTrack(480);
  // Track 2: events at tick 0 after track 1's, one at track 1's tick 10, one before it, one
  // after everything; system exclusive and an instrument name.
  t2.Raw({0x00, 0xFF, 0x04, 0x01, 'P'}).Program(0, 2, 5).Delta(5).Raw({0xF0, 0x02, 0x7E, 0xF7})
      .NoteOn(5, 2, 50, 80).Bend(20, 2, -8192).EndOfTrack(0);
  // Track 3 starts before the first slot of the others and has no End of Track.
  t3.Controller(0, 3, 7, 100);
  const Merge m = Merged(MidiFile(1, 240, {t1, t2, t3}));
  ASSERT_TRUE(m.outcome.Ok()) << m.outcome.message;

  MidiTrack expected;
  expected.Raw({0x00, 0xFF, 0x01, 0x02, 'T', '1'}).Tempo(0, 500000)
      .Raw({0x00, 0xFF, 0x01, 0x01, 'P'}).Program(0, 2, 5).Controller(0, 3, 7, 100)
      .Delta(5).Raw({0xF0, 0x02, 0x7E, 0xF7})
      .NoteOn(5, 1, 60, 100).NoteOn(0, 1, 62, 90).NoteOn(0, 2, 50, 80)
      .NoteOn(20, 1, 60, 0).Bend(0, 2, -8192);
  EXPECT_EQ(m.target, Format0(240, expected));
}

TEST(MidiMerger, OneTrackAndEndsOfTrackThatAddNoSlot) {
  // End of Track with delta 0 after the last event, and a file whose only events are names.
  MidiTrack one;
  one.NoteOn(7, 1, 60, 1).NoteOff(3, 1, 60).EndOfTrack(0);
  MidiTrack expected;
  expected.NoteOn(7, 1, 60, 1).NoteOff(3, 1, 60);
  EXPECT_EQ(Merged(MidiFile(1, 96, {one})).target, Format0(96, expected));

  MidiTrack empty1, empty2;
  empty1.EndOfTrack(100);
  empty2.EndOfTrack(5);
  EXPECT_EQ(Merged(MidiFile(1, -6952, {empty1, empty2})).target, Format0(-6952, MidiTrack()));
}

TEST(MidiMerger, IgnoredEventsAreNotWrittenAndKeepTheTimeOfWhatFollows) {
  MidiTrack t;
  // A data byte before any status (an empty event; the 0x05 is then read as a delta time), a
  // 0xFE event, then a note 3 + 5 + 2 ticks in.
  t.Raw({0x03, 0x05}).Delta(0).Raw({0xFE}).NoteOn(2, 1, 60, 1).EndOfTrack();
  MidiTrack expected;
  expected.NoteOn(10, 1, 60, 1);
  EXPECT_EQ(Merged(MidiFile(1, 96, {t})).target, Format0(96, expected));
}

TEST(MidiMerger, RefusalsAndFailuresInTheMergersWords) {
  MidiTrack good;
  good.NoteOn(0, 1, 60, 1).EndOfTrack();
  Bytes truncated = MidiFile(1, 96, {good, good});
  truncated.resize(truncated.size() - 2);  // ends inside the last track
  Bytes foreign = MidiFile(1, 96, {good, good});
  std::copy_n("XTrk", 4, foreign.begin() + 14 + 8 + long(good.bytes.size()));
  MidiTrack undefined;
  undefined.Delta(0).Raw({0xF4});
  Bytes notMidi = MidiFile(1, 96, {good});
  notMidi[0] = 'R';
  const struct {
    Bytes file;
    UtilityStatus status;
    const char* message;
    bool created;
    int track;
  } cases[] = {
      {MidiFile(0, 96, {good}), UtilityStatus::UnsupportedFile, "File is not MIDI Level 1.", false, 0},
      {MidiFile(2, 96, {good}), UtilityStatus::UnsupportedFile, "File is not MIDI Level 1.", false, 0},
      {notMidi, UtilityStatus::UnsupportedFile, "File is not MIDI Level 1.", false, 0},
      {testing_support::MidiHeader(1, 1, 96), UtilityStatus::PrematureEnd, "Premature data termination.", false, 0},
      {truncated, UtilityStatus::PrematureEnd, "Premature data termination.", true, 2},
      {foreign, UtilityStatus::UnsupportedFile, "File is not MIDI Level 1.", true, 2},
      {MidiFile(1, 96, {good, undefined}), UtilityStatus::UndefinedStatus, "Undefined status byte.", true, 2},
  };
  for (const auto& c : cases) {
    testing_support::TempDir dir;
    testing_support::WriteBytes(dir.File("in.mid"), c.file);
    const UtilityOutcome o = MergeFormat1To0(dir.File("in.mid"), dir.File("out.mid"));
    EXPECT_EQ(o.status, c.status) << c.message;
    EXPECT_EQ(o.message, c.message);
    EXPECT_EQ(o.track, c.track) << c.message;
    EXPECT_EQ(std::filesystem::exists(dir.File("out.mid")), c.created) << c.message;

    // Through the operation an existing target stays exactly as it was.
    testing_support::WriteText(dir.File("old.mid"), "old");
    const auto problem = ops::ProblemOf(ops::MergeToFormat0(dir.File("in.mid"), dir.File("old.mid"), Overwrite::Replace));
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->message, c.message);
    EXPECT_EQ(problem->file, dir.File("in.mid"));
    EXPECT_EQ(testing_support::ReadBytes(dir.File("old.mid")), Bytes({'o', 'l', 'd'}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), c.created ? 3 : 2);
  }
  testing_support::TempDir dir;
  const UtilityOutcome missing = MergeFormat1To0(dir.File("none.mid"), dir.File("out.mid"));
  EXPECT_EQ(missing.message, "Can not open source file.");
  EXPECT_FALSE(std::filesystem::exists(dir.File("out.mid")));
  const auto problem = ops::ProblemOf(ops::MergeToFormat0(dir.File("none.mid"), dir.File("out.mid"), Overwrite::Refuse));
  EXPECT_EQ(problem->Text(), dir.File("none.mid") + ": Can not open source file. (no such file or directory)");
}

TEST(MidiMerger, TheTargetMayNotBeTheSourceUnderAnyName) {
  testing_support::TempDir dir;
  MidiTrack good;
  good.NoteOn(0, 1, 60, 1).EndOfTrack();
  const Bytes source = MidiFile(1, 96, {good});
  testing_support::WriteBytes(dir.File("in.mid"), source);
  std::filesystem::create_symlink(dir.File("in.mid"), dir.File("link.mid"));
  const auto problem = ops::ProblemOf(ops::MergeToFormat0(dir.File("in.mid"), dir.File("link.mid"), Overwrite::Replace));
  ASSERT_TRUE(problem);
  EXPECT_EQ(problem->message, "Can't overwrite source file!");
  EXPECT_EQ(testing_support::ReadBytes(dir.File("in.mid")), source);
}

}  // namespace
}  // namespace tonemill
