// What the MIDI utilities' harnesses read back: a file's tracks as the shared reader sees them,
// with the events that are written out (End of Track and the ignored 0xFE events apart).
#pragma once

#include "harness.h"
#include "tonemill/files/fastfile.h"
#include "tonemill/midi/eventstream.h"
#include "tonemill/midi/midheader.h"

#include <algorithm>
#include <string>
#include <vector>

namespace fuzz {

struct ReadEvent {
  int32_t tick = 0;
  uint8_t status = 0, data1 = 0;
  int64_t dataLength = 0;
};

struct ReadTrack {
  std::vector<ReadEvent> events;  // without End of Track and ignored events
  bool endOfTrack = false;
  int32_t endTick = 0;
};

struct ReadFile {
  bool ok = false;  // the header is valid and every track it announces reads without error
  tonemill::TMIDheader header{""};
  std::vector<ReadTrack> tracks;
};

inline ReadFile ReadMidi(const std::string& path) {
  ReadFile file{false, tonemill::TMIDheader(path), {}};
  if (!file.header.valid) return file;
  try {
    tonemill::TFastFile in(path, true, false);
    in.SeekTo(14);
    tonemill::MidiTrackReader reader(in, tonemill::TempoReading::SkipByLength);
    for (int t = 0; t < file.header.tracks; ++t) {
      ReadTrack track;
      tonemill::MidiEvent e;
      if (!reader.BeginTrack()) return file;
      while (reader.Next(e)) {
        if (e.IsEndOfTrack()) {
          track.endOfTrack = true;
          track.endTick = e.tick;
        } else if (e.status != 0xFE) {
          track.events.push_back({e.tick, e.status, e.IsChannelMessage() || e.IsMeta() ? e.data1 : uint8_t(0), e.dataLength});
        }
      }
      if (reader.Error() != tonemill::MidiReadError::None) return file;
      file.tracks.push_back(track);
    }
  } catch (const tonemill::EInOutError&) {
    return file;
  }
  file.ok = true;
  return file;
}

// Inputs whose header announces more tracks than this are not read back, to bound the work.
constexpr int kMaxTracks = 256;

}  // namespace fuzz
