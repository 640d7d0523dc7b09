#include "midtolst.h"

#include "eventstream.h"
#include "lstwriter.h"
#include "midheader.h"
#include "redundant.h"
#include "songlist.h"
#include "tempomap.h"
#include "tonemill/files/fastfile.h"
#include "tonemill/files/outputfile.h"
#include "tonemill/files/notes.h"
#include "tonemill/files/numbers.h"
#include "tonemill/prg/prgtable.h"

#include <algorithm>
#include <array>
#include <memory>

namespace tonemill {
namespace {

constexpr int kChannels = 16;
constexpr int32_t kNoEvent = -1;

struct ChannelState {
  uint8_t program = 0;
  bool drum = false;
  bool loaded = false;
  uint8_t volume = 64, pan = 64, expression = 0, modulation = 0, sustain = 0;
  int16_t bend = 0;
  std::shared_ptr<const PRGtable> table;
};

int16_t BendValue(const MidiEvent& e) { return int16_t(e.data2 * 128 + e.data1 - 8192); }

bool IsNoteEvent(const MidiEvent& e) {
  return e.IsChannelMessage() && (e.Kind() == 0x80 || e.Kind() == 0x90);
}

// What a note's look-ahead may pick up: pressure, controllers 1, 7, 10, 11 and bends.
bool IsShapingEvent(const MidiEvent& e) {
  if (!e.IsChannelMessage()) return false;
  switch (e.Kind()) {
    case 0xA0: case 0xD0: case 0xE0: return true;
    case 0xB0: return e.data1 == 1 || e.data1 == 7 || e.data1 == 10 || e.data1 == 11;
    default: return false;
  }
}

// One track read into memory: its events up to End of Track or its chunk length, the tick at
// which it ended, and the reading error that stopped it early, if any. A note's look-ahead
// over this list finds what a re-reading of the file would find.
struct Track {
  std::vector<MidiEvent> events;
  int32_t endTick = 0;
  MidiReadError error = MidiReadError::None;
  std::vector<int32_t> nextNote;  // the next note on or off of the same channel and key
  std::array<std::vector<int32_t>, kChannels> shaping;  // shaping events by channel

  void Index() {
    nextNote.assign(events.size(), kNoEvent);
    std::array<std::array<int32_t, 256>, kChannels> following;
    for (auto& f : following) f.fill(kNoEvent);
    for (int32_t i = int32_t(events.size()) - 1; i >= 0; --i) {
      const MidiEvent& e = events[size_t(i)];
      if (!IsNoteEvent(e)) continue;
      int32_t& f = following[size_t(e.Channel() - 1)][e.data1];
      nextNote[size_t(i)] = f;
      f = i;
    }
    for (int32_t i = 0; i < int32_t(events.size()); ++i)
      if (IsShapingEvent(events[size_t(i)]))
        shaping[size_t(events[size_t(i)].Channel() - 1)].push_back(i);
  }
};

class Converter {
 public:
  Converter(const std::string& prgDirectory, const std::vector<DrumPair>& drums)
      : prgDirectory_(prgDirectory), drums_(drums) {}

  MidToLstResult Run(const std::string& midiFile, const std::string& lstFile);

 private:
  bool Failed() const { return !message_.empty(); }
  void Fail(const std::string& message) {
    if (message_.empty()) message_ = message;
  }
  void FailReading(MidiReadError error) { Fail(MidiReadErrorMessage(error, kConverterMessages)); }

  void ReadSong(TFastFile& file);
  void ReadTrack(MidiTrackReader& reader, Track& track);
  void PlayTrack(const Track& track, int trackNumber);
  void ProgramChange(int channel, uint8_t program);
  void StartNote(const Track& track, int32_t index, int trackNumber);
  bool LookAhead(const Track& track, int32_t index, int channel, int key, uint8_t sustain,
                 std::vector<SongEvent>& found);
  InstrumentRecord& RecordFor(const PrgLine& entry, const ChannelState& c, int key);
  void ConvertTimes();
  void DropRedundant();

  std::string prgDirectory_;
  std::vector<DrumPair> drums_;
  std::string message_;
  int16_t division_ = 0;
  std::array<ChannelState, kChannels> channels_;
  TempoMap tempo_;
  InstrumentList instruments_;
  int32_t songLength_ = 0;
  int64_t notes_ = 0;
};

MidToLstResult Converter::Run(const std::string& midiFile, const std::string& lstFile) {
  MidToLstResult result;
  try {
    TFastFile file(midiFile, true, false);
    if (!file.Opened())
      FailReading(MidiReadError::CannotOpen);
    else
      ReadSong(file);
  } catch (const EInOutError&) {
    FailReading(MidiReadError::UnexpectedEnd);
  }
  if (!Failed()) MergeEqualInstruments(instruments_);
  if (!Failed()) ConvertTimes();
  if (!Failed()) DropRedundant();
  if (!Failed() && !ReplaceFileAtomically(lstFile, LstText(songLength_, instruments_)))
    Fail("Can not open LST file.");
  result.written = !Failed();
  result.message = message_;
  result.songLength = songLength_;
  result.notes = notes_;
  return result;
}

void Converter::ReadSong(TFastFile& file) {
  uint8_t header[14];
  for (uint8_t& b : header) {
    if (file.Position >= file.Size()) return FailReading(MidiReadError::UnexpectedEnd);
    b = file.ReadByte();
  }
  uint8_t format = 0;
  uint16_t tracks = 0;
  if (!ParseMidiHeader(header, format, tracks, division_) || format == 2 ||
      (format == 0 && tracks != 1))
    return FailReading(MidiReadError::NotMidi);
  if (!TempoMap().Prepare(division_)) return FailReading(MidiReadError::IllegalDivision);

  MidiTrackReader reader(file, TempoReading::ThreeBytes);
  for (int number = 1; number <= tracks && !Failed(); ++number) {
    Track track;
    ReadTrack(reader, track);
    PlayTrack(track, number);
    if (!Failed() && track.error != MidiReadError::None) FailReading(track.error);
  }
}

void Converter::ReadTrack(MidiTrackReader& reader, Track& track) {
  if (reader.BeginTrack()) {
    MidiEvent e;
    while (reader.Next(e)) track.events.push_back(e);
  }
  track.endTick = reader.Tick();
  track.error = reader.Error();
  track.Index();
}

void Converter::PlayTrack(const Track& track, int trackNumber) {
  for (int c = 0; c < kChannels; ++c) {
    ChannelState& s = channels_[size_t(c)];
    s = ChannelState{};
    for (const DrumPair& d : drums_)
      if ((d.track == trackNumber || d.track == -1) && (d.channel == c + 1 || d.channel == -1))
        s.drum = true;
  }
  for (int32_t i = 0; i < int32_t(track.events.size()) && !Failed(); ++i) {
    const MidiEvent& e = track.events[size_t(i)];
    if (e.tempo >= 0) tempo_.Add(e.tick, e.tempo);
    if (!e.IsChannelMessage()) continue;
    ChannelState& c = channels_[size_t(e.Channel() - 1)];
    switch (e.Kind()) {
      case 0x90:
        if (e.data2 > 0) StartNote(track, i, trackNumber);
        break;
      case 0xB0:
        switch (e.data1) {
          case 1: c.modulation = e.data2; break;
          case 7: c.volume = e.data2; break;
          case 10: c.pan = e.data2; break;
          case 11: c.expression = e.data2; break;
          case 64: c.sustain = e.data2; break;
          default: break;
        }
        break;
      case 0xC0: ProgramChange(e.Channel() - 1, e.data1); break;
      case 0xE0: c.bend = BendValue(e); break;
      default: break;
    }
  }
}

void Converter::ProgramChange(int channel, uint8_t program) {
  ChannelState& c = channels_[size_t(channel)];
  if (program == c.program && c.loaded) return;
  // Another channel that holds the same file lends its table; the file is not read again.
  c.loaded = false;
  c.table.reset();
  for (const ChannelState& other : channels_)
    if (other.loaded && other.program == program && other.drum == c.drum) {
      c.table = other.table;
      c.loaded = true;
      break;
    }
  c.program = program;
}

void Converter::StartNote(const Track& track, int32_t index, int trackNumber) {
  const MidiEvent& on = track.events[size_t(index)];
  const int channel = on.Channel();
  const int key = on.data1;
  ChannelState& c = channels_[size_t(channel - 1)];
  if (!c.loaded) {
    PrgLoad load = LoadPRG(prgDirectory_, c.program, c.drum);
    if (load.status != PrgLoad::Status::Loaded) return Fail(load.Message());
    c.table = std::move(load.table);
    c.loaded = true;
  }
  const int layers = key < 128 ? c.table->count[size_t(key)] : 0;
  if (layers == 0)
    return Fail("Note " + KeyName(key) + " not assigned to in MIDI Track:Channel " +
                std::to_string(trackNumber) + ":" + std::to_string(channel) + ".");

  std::vector<SongEvent> found;
  for (int layer = 0; layer < layers; ++layer) {
    const PrgLine& entry = c.table->entries[size_t(key)][size_t(layer)];
    InstrumentRecord& record = RecordFor(entry, c, key);
    NoteGroup& group = record.InsertNewGroup(key, on.tick);
    std::vector<SongEvent>& events = group.events;
    events.push_back({on.tick, EventKind::On, on.data2});
    if (c.volume != 64) events.push_back({on.tick, EventKind::Volume, c.volume});
    if (c.expression != 0) events.push_back({on.tick, EventKind::Expression, c.expression});
    if (c.pan != 64) events.push_back({on.tick, EventKind::Pan, c.pan});
    if (c.modulation != 0) events.push_back({on.tick, EventKind::Modulation, c.modulation});
    if (c.bend != 0) events.push_back({on.tick, EventKind::Bend, c.bend});
    // Every layer finds the same events; they are looked for once.
    if (layer == 0 && !LookAhead(track, index, channel, key, c.sustain, found)) return;
    events.insert(events.end(), found.begin(), found.end());
    ++notes_;
  }
}

bool Converter::LookAhead(const Track& track, int32_t index, int channel, int key,
                          uint8_t sustain, std::vector<SongEvent>& found) {
  found.clear();
  const int32_t end = track.nextNote[size_t(index)];
  const std::vector<int32_t>& shaping = track.shaping[size_t(channel - 1)];
  for (auto it = std::upper_bound(shaping.begin(), shaping.end(), index);
       it != shaping.end() && (end == kNoEvent || *it < end); ++it) {
    const MidiEvent& e = track.events[size_t(*it)];
    switch (e.Kind()) {
      case 0xA0:
        if (e.data1 == key) found.push_back({e.tick, EventKind::Pressure, e.data2});
        break;
      case 0xD0: found.push_back({e.tick, EventKind::Pressure, e.data1}); break;
      case 0xE0: found.push_back({e.tick, EventKind::Bend, BendValue(e)}); break;
      case 0xB0: {
        EventKind kind = e.data1 == 1   ? EventKind::Modulation
                         : e.data1 == 7 ? EventKind::Volume
                         : e.data1 == 10 ? EventKind::Pan
                                         : EventKind::Expression;
        found.push_back({e.tick, kind, e.data2});
        break;
      }
      default: break;
    }
  }
  const bool pedal = sustain >= 64;
  if (end == kNoEvent) {
    // The track ran out; a track cut short by a reading error stops the conversion here.
    if (track.error != MidiReadError::None) {
      FailReading(track.error);
      return false;
    }
    found.push_back({track.endTick, EventKind::Off, 64});
    return true;
  }
  const MidiEvent& e = track.events[size_t(end)];
  int16_t release = 0;
  if (e.Kind() == 0x80)
    release = int16_t(pedal ? e.data2 / 3 : e.data2);
  else if (e.data2 == 0)
    release = pedal ? 21 : 64;
  else
    release = pedal ? 42 : 127;
  found.push_back({e.tick, EventKind::Off, release});
  return true;
}

InstrumentRecord& Converter::RecordFor(const PrgLine& entry, const ChannelState& c, int key) {
  for (auto& record : instruments_)
    if (record->program == c.program && record->drum == c.drum &&
        record->entry.keyLow <= key && key <= record->entry.keyHigh &&
        SameSound(record->entry, entry))
      return *record;
  auto record = std::make_unique<InstrumentRecord>();
  record->entry = entry;
  record->program = c.program;
  record->drum = c.drum;
  instruments_.push_back(std::move(record));
  return *instruments_.back();
}

void Converter::ConvertTimes() {
  tempo_.Prepare(division_);
  for (auto& record : instruments_)
    for (auto& [key, groups] : record->keys)
      for (NoteGroup& group : groups)
        for (SongEvent& e : group.events) {
          std::optional<int32_t> ms = tempo_.Milliseconds(e.time);
          if (!ms) return Fail("Song too long.");
          e.time = *ms;
          songLength_ = std::max(songLength_, *ms);
        }
}

void Converter::DropRedundant() {
  // One key's groups make one stretch of the instrument's list; events of different keys are
  // never redundant to each other.
  for (auto& record : instruments_)
    for (auto& [key, groups] : record->keys) {
      NoteGroup all;
      for (NoteGroup& g : groups)
        all.events.insert(all.events.end(), g.events.begin(), g.events.end());
      DropRedundantEvents(all.events);
      groups.assign(1, std::move(all));
    }
}

}  // namespace

std::vector<DrumPair> DrumPairsFromCells(
    const std::vector<std::pair<std::string, std::string>>& cells) {
  std::vector<DrumPair> pairs;
  for (const auto& [track, channel] : cells)
    pairs.push_back({ParseInteger(track).value_or(0), ParseInteger(channel).value_or(0)});
  return pairs;
}

MidToLstResult MIDtoLST(const std::string& midiFile, const std::string& lstFile,
                        const std::string& prgDirectory, const std::vector<DrumPair>& drums) {
  return Converter(prgDirectory, drums).Run(midiFile, lstFile);
}

}  // namespace tonemill
