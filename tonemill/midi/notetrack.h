// A track as the converter keeps it from reading the MIDI song to writing the list: its channel
// messages, where each note ends, and the messages of each channel that shape a sounding note.
// A note's events are found here as a look-ahead re-reading of the track would find them.
#pragma once

#include "eventstream.h"
#include "songlist.h"

#include <array>
#include <cstdint>
#include <vector>

namespace tonemill {

struct ChannelMessage {
  int32_t tick = 0;
  uint8_t status = 0, data1 = 0, data2 = 0;

  uint8_t Kind() const { return status & 0xF0; }
  int Channel() const { return (status & 0x0F) + 1; }
  int16_t Bend() const { return int16_t(data2 * 128 + data1 - 8192); }
};

class NoteTrack {
 public:
  static constexpr int kChannels = 16;

  // Keeps a channel message as read; other events are not needed after reading.
  void Add(const MidiEvent& event);
  // The track has ended at `endTick` (its End of Track, its chunk length, or a reading error).
  void Finish(int32_t endTick, MidiReadError error);

  const std::vector<ChannelMessage>& Messages() const { return messages_; }
  MidiReadError Error() const { return error_; }

  // False when the track broke off with a reading error while the note still sounded.
  bool Ends(int32_t noteOn) const;
  // The tick at which the note ends: the next note on or off of its channel and key, or the
  // end of the track.
  int32_t EndTick(int32_t noteOn) const;

  // The events of a note that ends, in ticks: its note on, the channel state at its start as
  // the group holds it, the pressure, controller and bend messages of its channel while it
  // sounds, and its note off with the release value of its ending.
  void NoteEvents(const NoteGroup& group, std::vector<SongEvent>& out) const;

 private:
  static constexpr int32_t kNone = -1;
  std::vector<ChannelMessage> messages_;
  std::vector<int32_t> nextNote_;  // of the same channel and key, or kNone
  std::array<std::vector<int32_t>, kChannels> shaping_;
  int32_t endTick_ = 0;
  MidiReadError error_ = MidiReadError::None;
};

}  // namespace tonemill
