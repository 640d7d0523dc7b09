// The MIDI track editor's engine: chosen kinds of messages on chosen track and channel pairs
// are silenced, each replaced in place by an empty text event, in a copy of the file with the
// same format, division and tracks.
#pragma once

#include "midiutility.h"

#include <string>
#include <vector>

namespace tonemill {

// A track and channel (1-based); -1 stands for any track or any channel.
struct TrackChannel {
  int track = -1;
  int channel = -1;
  bool operator==(const TrackChannel&) const = default;
};

// The kinds of messages the editor acts on.
struct EditKinds {
  bool notes = true;  // note on and note off
  bool channelPressure = false;
  bool polyPressure = false;
  bool modulation = false;  // controller 1
  bool volume = false;      // controller 7
  bool pan = false;         // controller 10
  bool expression = false;  // controller 11
  bool bend = false;
};

struct TrackEdit {
  bool mute = true;  // mute: act on the listed pairs; solo: on every other pair
  EditKinds kinds;
  std::vector<TrackChannel> pairs;
};

// Copies `source` into `destination` (created or emptied). Every event is written with its
// status byte; an event acted on becomes FF 01 00 at the same tick; program changes, other
// controllers, system exclusive and meta events are always copied; End of Track is copied at
// its own tick and none is added. The track count at byte 10 is written last, only on success.
// A failure of the header test creates nothing; after that `destination` holds what was
// written and the caller discards it.
UtilityOutcome EditMidiTracks(const std::string& source, const std::string& destination,
                              const TrackEdit& edit);

// Whether the edit acts on a channel message of track `track`.
bool ActsOn(const TrackEdit& edit, int track, const MidiEvent& event);

}  // namespace tonemill
