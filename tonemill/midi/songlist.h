// The converter's song model: instrument records, each holding note groups per key, and the
// timed events that the LST song list shows. A note group holds where its note lies in the MIDI
// song and the channel state at its start; its events are produced from the track only while
// the list is written, so that the model grows with the MIDI song, not with the list.
#pragma once

#include "tonemill/prg/prgtable.h"

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

namespace tonemill {

enum class EventKind : uint8_t { On, Off, Pressure, Modulation, Volume, Pan, Expression, Bend };

// The LST keyword of an event kind, with its trailing blank ("ON ", "OFF ", ...).
const char* EventTag(EventKind kind);

// Time is in ticks while reading and in milliseconds after conversion. The key is that of the
// block the event sits in.
struct SongEvent {
  int32_t time = 0;
  EventKind kind = EventKind::On;
  int16_t value = 0;
};

// One note: its note on, the events at its start, those while it sounds, its note off.
struct NoteGroup {
  int32_t start = 0;   // tick of the note on
  int32_t track = 0;   // index of the track in the song
  int32_t noteOn = 0;  // index of the note on in its track
  // The channel at the note's start.
  int16_t bend = 0;
  uint8_t volume = 64, pan = 64, expression = 0, modulation = 0;
  bool pedal = false;  // sustain at 64 or more
};

struct InstrumentRecord {
  PrgLine entry;
  uint8_t program = 0;
  bool drum = false;
  // Groups by key, ascending; within a key by the time of their note on.
  std::map<int, std::vector<NoteGroup>> keys;

  // A new note: before the groups of its key that start at the same tick or later.
  NoteGroup& InsertNewGroup(int key, int32_t start);
  // A group moved here by merging: after the groups of its key that start at or before it.
  void InsertMovedGroup(int key, NoteGroup group);
};

using InstrumentList = std::vector<std::unique_ptr<InstrumentRecord>>;

// Each record absorbs every later equal one (same sample and parameters, base key aside); the
// absorbed groups are transposed by the difference of the base keys.
void MergeEqualInstruments(InstrumentList& instruments);

}  // namespace tonemill
