#include "midifiles.h"

#include "tonemill/midi/midiwriter.h"

#include <algorithm>

namespace testing_support {

MidiTrack& MidiTrack::Raw(std::initializer_list<uint8_t> b) {
  bytes.insert(bytes.end(), b);
  return *this;
}

MidiTrack& MidiTrack::Delta(uint32_t ticks) {
  tonemill::AppendVariableLength(bytes, ticks);
  return *this;
}

MidiTrack& MidiTrack::NoteOn(uint32_t d, int ch, int key, int vel) {
  return Delta(d).Raw({uint8_t(0x90 | (ch - 1)), uint8_t(key), uint8_t(vel)});
}
MidiTrack& MidiTrack::NoteOff(uint32_t d, int ch, int key, int vel) {
  return Delta(d).Raw({uint8_t(0x80 | (ch - 1)), uint8_t(key), uint8_t(vel)});
}
MidiTrack& MidiTrack::Controller(uint32_t d, int ch, int number, int value) {
  return Delta(d).Raw({uint8_t(0xB0 | (ch - 1)), uint8_t(number), uint8_t(value)});
}
MidiTrack& MidiTrack::Program(uint32_t d, int ch, int program) {
  return Delta(d).Raw({uint8_t(0xC0 | (ch - 1)), uint8_t(program)});
}
MidiTrack& MidiTrack::Bend(uint32_t d, int ch, int value) {
  const int v = value + 8192;
  return Delta(d).Raw({uint8_t(0xE0 | (ch - 1)), uint8_t(v & 0x7F), uint8_t(v >> 7)});
}
MidiTrack& MidiTrack::KeyPressure(uint32_t d, int ch, int key, int value) {
  return Delta(d).Raw({uint8_t(0xA0 | (ch - 1)), uint8_t(key), uint8_t(value)});
}
MidiTrack& MidiTrack::ChannelPressure(uint32_t d, int ch, int value) {
  return Delta(d).Raw({uint8_t(0xD0 | (ch - 1)), uint8_t(value)});
}
MidiTrack& MidiTrack::Tempo(uint32_t d, uint32_t us) {
  return Delta(d).Raw({0xFF, 0x51, 0x03, uint8_t(us >> 16), uint8_t(us >> 8), uint8_t(us)});
}
MidiTrack& MidiTrack::EndOfTrack(uint32_t d) { return Delta(d).Raw({0xFF, 0x2F, 0x00}); }

std::vector<uint8_t> TrackFromTimedEvents(std::vector<TimedEvent> events) {
  std::stable_sort(events.begin(), events.end(), [](const TimedEvent& a, const TimedEvent& b) {
    return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
  });
  tonemill::MidiTrackWriter track;
  uint32_t now = 0;
  for (const TimedEvent& e : events) {
    track.Encoded(e.tick - now, e.bytes);
    now = e.tick;
  }
  return track.EndOfTrack().Bytes();
}

std::vector<uint8_t> MidiHeader(int format, int tracks, int division) {
  std::vector<uint8_t> header;
  tonemill::AppendHeaderChunk(header, uint16_t(format), uint16_t(tracks), int16_t(division));
  return header;
}

void AppendChunk(std::vector<uint8_t>& file, const char* id, const std::vector<uint8_t>& body,
                 uint32_t length) {
  file.insert(file.end(), id, id + 4);
  for (int shift = 24; shift >= 0; shift -= 8) file.push_back(uint8_t(length >> shift));
  file.insert(file.end(), body.begin(), body.end());
}

std::vector<uint8_t> MidiFile(int format, int division, const std::vector<MidiTrack>& tracks) {
  std::vector<uint8_t> file = MidiHeader(format, int(tracks.size()), division);
  for (const MidiTrack& t : tracks) tonemill::AppendTrackChunk(file, t.bytes);
  return file;
}

std::string PrgFields::Line() const {
  std::string line;
  for (const std::string* f : {&range, &wav, &base, &volume, &pan, &velocity, &pressure,
                               &expression, &release, &bend, &modSens, &modRate, &attack, &decay,
                               &sustain, &releaseSlope, &attackLength, &decayLength, &start, &end,
                               &loopStart, &loopEnd})
    line += *f + " ";
  return line + "16 1 44100 ";
}

}  // namespace testing_support
