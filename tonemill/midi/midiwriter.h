// Writing Standard MIDI files: variable-length quantities, a track's events with their status
// bytes written out, and the header and track chunks around them.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <vector>

namespace tonemill {

// 7-bit groups, most significant first, bit 7 set on every byte but the last. Files keep to
// four bytes (up to 0x0FFFFFFF); a larger value takes a fifth, which the program's reader takes.
void AppendVariableLength(std::vector<uint8_t>& out, uint32_t value);

// A meta event without its delta time: FF, the type, the length as a variable-length quantity,
// the data.
void AppendMetaEvent(std::vector<uint8_t>& out, uint8_t type, std::span<const uint8_t> data);
// A system exclusive event without its delta time: F0 or F7, the length as a variable-length
// quantity, the data.
void AppendSystemExclusive(std::vector<uint8_t>& out, uint8_t status, std::span<const uint8_t> data);

// One track's events in file order, each a delta time in ticks followed by the event. Every
// event carries its own status byte (no running status), so that events can be moved into
// another track's order without changing their meaning.
class MidiTrackWriter {
 public:
  // A channel message: its status (0x80-0xEF) and one or two data bytes.
  MidiTrackWriter& Channel(uint32_t delta, uint8_t status, uint8_t data1);
  MidiTrackWriter& Channel(uint32_t delta, uint8_t status, uint8_t data1, uint8_t data2);
  MidiTrackWriter& Meta(uint32_t delta, uint8_t type, std::span<const uint8_t> data);
  MidiTrackWriter& Meta(uint32_t delta, uint8_t type, std::initializer_list<uint8_t> data);
  MidiTrackWriter& SystemExclusive(uint32_t delta, uint8_t status, std::span<const uint8_t> data);
  MidiTrackWriter& Tempo(uint32_t delta, uint32_t microsecondsPerQuarter);
  MidiTrackWriter& EndOfTrack(uint32_t delta = 0);
  // Events already encoded, after one delta time: a slot of events that share a tick (each
  // after the first behind a zero delta), or bytes a test wants exactly so.
  MidiTrackWriter& Encoded(uint32_t delta, std::span<const uint8_t> bytes);

  const std::vector<uint8_t>& Bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

// "MThd", length 6, then format, number of tracks and division, each 16 bits high byte first.
void AppendHeaderChunk(std::vector<uint8_t>& out, uint16_t format, uint16_t tracks, int16_t division);
// "MTrk" and the number of event bytes (32 bits, high byte first), for events written apart.
void AppendTrackChunkHeader(std::vector<uint8_t>& out, uint32_t eventBytes);
// "MTrk", the number of event bytes (32 bits, high byte first), the events.
void AppendTrackChunk(std::vector<uint8_t>& out, std::span<const uint8_t> events);
// A whole file: the header chunk and one track chunk per track, in order.
std::vector<uint8_t> MidiFileBytes(uint16_t format, int16_t division,
                                   const std::vector<std::vector<uint8_t>>& tracks);

}  // namespace tonemill
