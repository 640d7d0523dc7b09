#include "tonemill/midi/midiwriter.h"

#include "tonemill/midi/eventstream.h"
#include "tonemill/midi/midheader.h"

#include "tests/support/testfiles.h"

#include <gtest/gtest.h>

namespace tonemill {
namespace {

TEST(MidiWriter, VariableLengthQuantitiesAtEveryByteCountBoundary) {
  const struct {
    uint32_t value;
    std::vector<uint8_t> bytes;
  } cases[] = {
      {0, {0x00}},
      {127, {0x7F}},
      {128, {0x81, 0x00}},
      {16383, {0xFF, 0x7F}},
      {16384, {0x81, 0x80, 0x00}},
      {0x0FFFFFFF, {0xFF, 0xFF, 0xFF, 0x7F}},
      {0xFFFFFFFF, {0x8F, 0xFF, 0xFF, 0xFF, 0x7F}},  // past what files use; the reader takes it
  };
  for (const auto& c : cases) {
    std::vector<uint8_t> out;
    AppendVariableLength(out, c.value);
    EXPECT_EQ(out, c.bytes) << c.value;
  }
}

// A file written by the writer reads back through the program's own header probe and event
// reader with every delta time, status and length it was given.
TEST(MidiWriter, WhatItWritesTheReaderReadsBack) {
  const std::vector<uint8_t> text = {'h', 'i'};
  const std::vector<uint8_t> sysex = {0x7E, 0x7F, 0x09, 0x01, 0xF7};
  const std::vector<uint8_t> longText(200, 'x');  // a length of two bytes
  MidiTrackWriter conductor;
  conductor.Tempo(0, 500000).Meta(0, 0x01, text).Meta(127, 0x01, longText).EndOfTrack(128);
  MidiTrackWriter band;
  band.Channel(0, 0x92, 60, 100)
      .Channel(16383, 0xC9, 25)
      .SystemExclusive(16384, 0xF0, sysex)
      .Channel(0x0FFFFFFF, 0xE1, 0x00, 0x40)
      .EndOfTrack();

  const int16_t smpte = int16_t(0xE728);  // 25 frames a second, 40 ticks a frame
  const std::vector<uint8_t> bytes = MidiFileBytes(1, smpte, {conductor.Bytes(), band.Bytes()});
  size_t chunk = 14;
  for (const MidiTrackWriter* track : {&conductor, &band}) {
    const uint32_t length = uint32_t(bytes[chunk + 4]) << 24 | uint32_t(bytes[chunk + 5]) << 16 |
                            uint32_t(bytes[chunk + 6]) << 8 | bytes[chunk + 7];
    EXPECT_EQ(length, track->Bytes().size());
    chunk += 8 + track->Bytes().size();
  }
  EXPECT_EQ(chunk, bytes.size());

  testing_support::TempDir dir;
  const std::string path = dir.File("w.mid");
  testing_support::WriteBytes(path, bytes);
  const TMIDheader header(path);
  ASSERT_TRUE(header.valid);
  EXPECT_EQ(header.format, 1);
  EXPECT_EQ(header.tracks, 2);
  EXPECT_EQ(header.division, smpte);

  const struct {
    int32_t tick;
    uint8_t status, data1, data2;
    int64_t dataLength;  // meta and system exclusive
  } expected[] = {
      {0, 0xFF, 0x51, 0, 3},
      {0, 0xFF, 0x01, 0, 2},
      {127, 0xFF, 0x01, 0, 200},
      {255, 0xFF, 0x2F, 0, 0},
      {0, 0x92, 60, 100, 0},
      {16383, 0xC9, 25, 0, 0},
      {32767, 0xF0, 0, 0, 5},
      {32767 + 0x0FFFFFFF, 0xE1, 0x00, 0x40, 0},
      {32767 + 0x0FFFFFFF, 0xFF, 0x2F, 0, 0},
  };
  TFastFile file(path, true, false);
  file.SeekTo(14);
  MidiTrackReader reader(file, TempoReading::SkipByLength);
  std::vector<MidiEvent> events;
  for (int track = 0; track < 2; ++track) {
    ASSERT_TRUE(reader.BeginTrack());
    MidiEvent e;
    while (reader.Next(e)) events.push_back(e);
    ASSERT_EQ(reader.Error(), MidiReadError::None);
    ASSERT_TRUE(reader.Ended());
  }
  ASSERT_EQ(events.size(), std::size(expected));
  for (size_t i = 0; i < events.size(); ++i) {
    const MidiEvent& e = events[i];
    EXPECT_EQ(e.tick, expected[i].tick) << i;
    EXPECT_EQ(e.status, expected[i].status) << i;
    EXPECT_EQ(e.data1, expected[i].data1) << i;
    if (e.IsChannelMessage())
      EXPECT_EQ(e.data2, expected[i].data2) << i;
    else
      EXPECT_EQ(e.dataLength, expected[i].dataLength) << i;
  }
}

}  // namespace
}  // namespace tonemill
