// Test helpers: Standard MIDI files built event by event, and PRG definition lines.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace testing_support {

class MidiTrack {
 public:
  // Channels are 1-16 as the system numbers them.
  MidiTrack& Raw(std::initializer_list<uint8_t> bytes);
  MidiTrack& Delta(uint32_t ticks);  // a variable-length quantity
  MidiTrack& NoteOn(uint32_t delta, int channel, int key, int velocity);
  MidiTrack& NoteOff(uint32_t delta, int channel, int key, int velocity = 64);
  MidiTrack& Controller(uint32_t delta, int channel, int number, int value);
  MidiTrack& Program(uint32_t delta, int channel, int program);
  MidiTrack& Bend(uint32_t delta, int channel, int value);  // -8192..8191
  MidiTrack& KeyPressure(uint32_t delta, int channel, int key, int value);
  MidiTrack& ChannelPressure(uint32_t delta, int channel, int value);
  MidiTrack& Tempo(uint32_t delta, uint32_t microsecondsPerQuarter);
  MidiTrack& EndOfTrack(uint32_t delta = 0);

  std::vector<uint8_t> bytes;
};

// An event placed by absolute time, the way generated songs are composed. `order` ranks the
// events of one tick, lower first; equal ranks keep the order in which they were added.
struct TimedEvent {
  uint32_t tick = 0;
  int order = 0;
  std::vector<uint8_t> bytes;  // the event with its status byte, without a delta time
};
// The events in time order as one track's bytes, each after its delta time, then End of Track.
std::vector<uint8_t> TrackFromTimedEvents(std::vector<TimedEvent> events);

// "MThd" header and one "MTrk" chunk per track, each with its true length.
std::vector<uint8_t> MidiFile(int format, int division, const std::vector<MidiTrack>& tracks);
// A chunk with a given length field, for files whose lengths lie.
void AppendChunk(std::vector<uint8_t>& file, const char* id, const std::vector<uint8_t>& body,
                 uint32_t length);
std::vector<uint8_t> MidiHeader(int format, int tracks, int division);

// A definition line with sensible values; the key range, sample and base key vary most.
struct PrgFields {
  std::string range = "c0-g10";
  std::string wav = "PIANO";
  std::string base = "c5";
  std::string volume = "100", pan = "64", velocity = "100", pressure = "0", expression = "0",
              release = "0", bend = "2", modSens = "0", modRate = "5";
  std::string attack = "1.0", decay = "0.8", sustain = "-0.1", releaseSlope = "-2.0";
  std::string attackLength = "10", decayLength = "100", start = "0", end = "999",
              loopStart = "-1", loopEnd = "-1";
  std::string Line() const;  // with the three informational fields and a trailing blank
};

}  // namespace testing_support
