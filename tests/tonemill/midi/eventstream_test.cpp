#include "tonemill/midi/eventstream.h"
#include "tonemill/midi/midheader.h"

#include "tests/support/midifiles.h"
#include "tests/support/testfiles.h"

#include <gtest/gtest.h>

namespace tonemill {
namespace {

using testing_support::MidiFile;
using testing_support::MidiTrack;

struct ReadTrack {
  std::vector<MidiEvent> events;
  MidiReadError error = MidiReadError::None;
  int64_t endPosition = 0;
};

// Reads the tracks of a file the converter's way, starting after the header.
std::vector<ReadTrack> ReadAll(const std::vector<uint8_t>& bytes, int tracks,
                               TempoReading tempo = TempoReading::ThreeBytes) {
  testing_support::TempDir dir;
  testing_support::WriteBytes(dir.File("t.mid"), bytes);
  TFastFile file(dir.File("t.mid"), true, false);
  file.SeekTo(14);
  MidiTrackReader reader(file, tempo);
  std::vector<ReadTrack> result;
  for (int i = 0; i < tracks; ++i) {
    ReadTrack t;
    if (reader.BeginTrack()) {
      MidiEvent e;
      while (reader.Next(e)) t.events.push_back(e);
    }
    t.error = reader.Error();
    t.endPosition = file.Position;
    result.push_back(t);
    if (t.error != MidiReadError::None) break;
  }
  return result;
}

TEST(MidiEventStream, RunningStatusSurvivesMetaAndSystemExclusive) {
  MidiTrack t;
  t.NoteOn(0, 3, 60, 100).Delta(5).Raw({0xFF, 0x01, 0x02, 'h', 'i'}).Delta(5).Raw({62, 90})
      .Delta(5).Raw({0xF0, 0x03, 1, 2, 0xF7}).Delta(5).Raw({64, 80}).EndOfTrack();
  auto tracks = ReadAll(MidiFile(0, 96, {t}), 1);
  ASSERT_EQ(tracks[0].error, MidiReadError::None);
  const auto& e = tracks[0].events;
  ASSERT_EQ(e.size(), 6u);
  EXPECT_EQ(e[2].status, 0x92);
  EXPECT_EQ(e[2].data1, 62);
  EXPECT_EQ(e[2].tick, 10);
  EXPECT_EQ(e[3].dataLength, 3);
  EXPECT_EQ(e[4].status, 0x92);
  EXPECT_EQ(e[4].data1, 64);
  EXPECT_TRUE(e[5].IsEndOfTrack());
}

TEST(MidiEventStream, ADataByteUnderThePlaceholderIsAnEmptyEventAndThenADeltaTime) {
  MidiTrack t;
  t.Raw({0x00, 0x05}).Raw({0x90, 60, 1}).EndOfTrack();  // delta 0, data byte 5 → event 0xFE
  auto tracks = ReadAll(MidiFile(0, 96, {t}), 1);
  const auto& e = tracks[0].events;
  ASSERT_EQ(e.size(), 3u);
  EXPECT_EQ(e[0].status, 0xFE);
  EXPECT_EQ(e[1].status, 0x90);
  EXPECT_EQ(e[1].tick, 5);  // the 5 was read again as the next delta time
}

TEST(MidiEventStream, ATrackEndsAtItsLengthOrAtEndOfTrackWhicheverComesFirst) {
  MidiTrack noEnd;
  noEnd.NoteOn(0, 1, 60, 100).NoteOff(10, 1, 60, 0);
  MidiTrack second;
  second.NoteOn(7, 2, 61, 100).EndOfTrack();
  auto tracks = ReadAll(MidiFile(1, 96, {noEnd, second}), 2);
  ASSERT_EQ(tracks.size(), 2u);
  EXPECT_EQ(tracks[0].events.size(), 2u);
  EXPECT_EQ(tracks[1].events[0].tick, 7);

  // A length running past the end of the file is fine when End of Track comes first.
  std::vector<uint8_t> file = testing_support::MidiHeader(0, 1, 96);
  testing_support::AppendChunk(file, "MTrk", MidiTrack().NoteOn(0, 1, 60, 1).EndOfTrack().bytes,
                               100000);
  auto lying = ReadAll(file, 1);
  EXPECT_EQ(lying[0].error, MidiReadError::None);
  EXPECT_EQ(lying[0].events.size(), 2u);
}

TEST(MidiEventStream, OtherChunksAndBadBytesAreRefused) {
  std::vector<uint8_t> file = testing_support::MidiHeader(1, 2, 96);
  testing_support::AppendChunk(file, "XYZW", {1, 2}, 2);
  EXPECT_EQ(ReadAll(file, 2)[0].error, MidiReadError::NotMidi);
  for (uint8_t status : {0xF1, 0xF6, 0xF8, 0xFD}) {
    MidiTrack t;
    t.Delta(0).Raw({status});
    EXPECT_EQ(ReadAll(MidiFile(0, 96, {t}), 1)[0].error, MidiReadError::UndefinedStatus);
  }
  MidiTrack fe;
  fe.Delta(0).Raw({0xFE}).EndOfTrack();
  EXPECT_EQ(ReadAll(MidiFile(0, 96, {fe}), 1)[0].error, MidiReadError::None);
}

TEST(MidiEventStream, TempoIsThreeBytesForTheConverterAndSkippedByLengthOtherwise) {
  MidiTrack t;
  t.Delta(0).Raw({0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}).EndOfTrack();
  EXPECT_EQ(ReadAll(MidiFile(0, 96, {t}), 1)[0].events[0].tempo, 500000);
  auto skipped = ReadAll(MidiFile(0, 96, {t}), 1, TempoReading::SkipByLength);
  EXPECT_EQ(skipped[0].events[0].tempo, -1);
  EXPECT_EQ(skipped[0].events[0].dataLength, 3);
  EXPECT_TRUE(skipped[0].events[1].IsEndOfTrack());
}

TEST(MidiEventStream, EndsAndOverflowsNeverCrash) {
  // A file that ends inside a variable-length quantity, or right after the last full event.
  std::vector<uint8_t> file = testing_support::MidiHeader(0, 1, 96);
  testing_support::AppendChunk(file, "MTrk", {0x81, 0x80}, 10);
  EXPECT_EQ(ReadAll(file, 1)[0].error, MidiReadError::UnexpectedEnd);
  // Delta times whose sum passes 32 bits, and a quantity of many bytes.
  MidiTrack far;
  far.Delta(0x0FFFFFFF).Raw({0xFE}).Delta(0x0FFFFFFF).Raw({0xFE}).Raw({0xFF, 0xFF, 0xFF, 0xFF,
      0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0xFE});
  EXPECT_EQ(ReadAll(MidiFile(0, 96, {far}), 1)[0].error, MidiReadError::SongTooLong);
  // A system exclusive longer than the file ends with the unexpected end at once.
  MidiTrack sysex;
  sysex.Delta(0).Raw({0xF0, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F});
  EXPECT_EQ(ReadAll(MidiFile(0, 96, {sysex}), 1)[0].error, MidiReadError::UnexpectedEnd);
  EXPECT_EQ(MidiReadErrorMessage(MidiReadError::UnexpectedEnd, kConverterMessages),
            "Unexpected end of MIDI file.");
  EXPECT_EQ(MidiReadErrorMessage(MidiReadError::UnexpectedEnd, kMergerMessages),
            "Premature data termination.");
}

TEST(MidiHeaderProbe, FlagsInTheOrderTheDialogsTestThem) {
  testing_support::TempDir dir;
  auto probe = [&](const std::vector<uint8_t>& bytes) {
    testing_support::WriteBytes(dir.File("p.mid"), bytes);
    return TMIDheader(dir.File("p.mid"));
  };
  EXPECT_EQ(MidiProbeProblem(TMIDheader(dir.File("none.mid"))), "File not found!");
  TMIDheader bare = probe(testing_support::MidiHeader(1, 1, 96));  // exactly 14 bytes
  EXPECT_TRUE(bare.premature);
  EXPECT_EQ(MidiProbeProblem(bare), "Premature end of source file!");
  // A header that announces no track is whole, and says so.
  EXPECT_EQ(MidiProbeProblem(probe(testing_support::MidiHeader(1, 0, 96))), "The MIDI file has no tracks!");
  std::vector<uint8_t> riff = testing_support::MidiFile(1, 96, {MidiTrack().EndOfTrack()});
  riff[0] = 'R';
  EXPECT_EQ(MidiProbeProblem(probe(riff)), "Source file is not Standard MIDI!");
  TMIDheader two = probe(testing_support::MidiFile(2, 96, {MidiTrack().EndOfTrack()}));
  EXPECT_TRUE(two.isMIDI);
  EXPECT_FALSE(two.formatOK);
  EXPECT_EQ(MidiProbeProblem(two), "Unsupported MIDI format!");
  TMIDheader good = probe(testing_support::MidiFile(0, -6952, {MidiTrack().EndOfTrack(),
                                                               MidiTrack().EndOfTrack()}));
  EXPECT_TRUE(good.valid);  // the probe does not check the track count of format 0
  EXPECT_EQ(good.tracks, 2);
  EXPECT_EQ(good.division, -6952);
}

}  // namespace
}  // namespace tonemill
