#include "midtolst.h"

#include "eventstream.h"
#include "lstwriter.h"
#include "midheader.h"
#include "notetrack.h"
#include "redundant.h"
#include "songlist.h"
#include "tempomap.h"
#include "platform/filesystem.h"
#include "tonemill/files/fastfile.h"
#include "tonemill/files/notes.h"
#include "tonemill/files/numbers.h"
#include "tonemill/prg/prgtable.h"

#include <algorithm>
#include <array>
#include <memory>

namespace tonemill {
namespace {

constexpr int kChannels = NoteTrack::kChannels;

struct ChannelState {
  uint8_t program = 0;
  bool drum = false;
  bool loaded = false;
  uint8_t volume = 64, pan = 64, expression = 0, modulation = 0, sustain = 0;
  int16_t bend = 0;
  std::shared_ptr<const PRGtable> table;
};

// Reads the whole song first, keeping its tracks, tempo map and instruments with one small
// note group per note and layer; then writes the list, producing each group's events from its
// track as its lines go out. Memory follows the MIDI song, not the list.
class Converter {
 public:
  Converter(const std::string& prgDirectory, const std::vector<DrumPair>& drums)
      : prgDirectory_(prgDirectory), drums_(drums) {}

  MidToLstResult Run(const std::string& midiFile, const std::string& lstFile,
                     int64_t maxListBytes);

 private:
  bool Failed() const { return !message_.empty(); }
  void Fail(const std::string& message) {
    if (message_.empty()) message_ = message;
  }
  void FailReading(MidiReadError error) { Fail(MidiReadErrorMessage(error, kConverterMessages)); }

  void ReadSong(TFastFile& file);
  void ReadTrack(MidiTrackReader& reader, NoteTrack& track);
  void PlayTrack(int32_t trackIndex);
  void ProgramChange(int channel, uint8_t program);
  void StartNote(int32_t trackIndex, int32_t index);
  InstrumentRecord& RecordFor(const PrgLine& entry, const ChannelState& c, int key);
  void FindSongLength();
  void WriteList(const std::string& lstFile, int64_t maxListBytes);

  std::string prgDirectory_;
  std::vector<DrumPair> drums_;
  std::string message_;
  int16_t division_ = 0;
  std::vector<NoteTrack> tracks_;
  std::array<ChannelState, kChannels> channels_;
  TempoMap tempo_;
  InstrumentList instruments_;
  int32_t lastTick_ = -1;  // where the last note ends; -1 without notes
  int32_t songLength_ = 0;
  int64_t notes_ = 0;
  std::vector<std::string> prgFiles_;
};

MidToLstResult Converter::Run(const std::string& midiFile, const std::string& lstFile,
                              int64_t maxListBytes) {
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
  if (!Failed()) tempo_.Prepare(division_);
  if (!Failed()) FindSongLength();
  if (!Failed()) WriteList(lstFile, maxListBytes);
  result.written = !Failed();
  result.message = message_;
  result.songLength = songLength_;
  result.notes = notes_;
  result.prgFiles = prgFiles_;
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
    tracks_.emplace_back();
    ReadTrack(reader, tracks_.back());
    PlayTrack(int32_t(tracks_.size()) - 1);
    if (!Failed() && tracks_.back().Error() != MidiReadError::None)
      FailReading(tracks_.back().Error());
  }
}

void Converter::ReadTrack(MidiTrackReader& reader, NoteTrack& track) {
  if (reader.BeginTrack()) {
    MidiEvent e;
    while (reader.Next(e)) {
      if (e.tempo >= 0) tempo_.Add(e.tick, e.tempo);
      track.Add(e);
    }
  }
  track.Finish(reader.Tick(), reader.Error());
}

void Converter::PlayTrack(int32_t trackIndex) {
  const int trackNumber = trackIndex + 1;
  for (int c = 0; c < kChannels; ++c) {
    ChannelState& s = channels_[size_t(c)];
    s = ChannelState{};
    for (const DrumPair& d : drums_)
      if ((d.track == trackNumber || d.track == -1) && (d.channel == c + 1 || d.channel == -1))
        s.drum = true;
  }
  const std::vector<ChannelMessage>& messages = tracks_[size_t(trackIndex)].Messages();
  for (int32_t i = 0; i < int32_t(messages.size()) && !Failed(); ++i) {
    const ChannelMessage& m = messages[size_t(i)];
    ChannelState& c = channels_[size_t(m.Channel() - 1)];
    switch (m.Kind()) {
      case 0x90:
        if (m.data2 > 0) StartNote(trackIndex, i);
        break;
      case 0xB0:
        switch (m.data1) {
          case 1: c.modulation = m.data2; break;
          case 7: c.volume = m.data2; break;
          case 10: c.pan = m.data2; break;
          case 11: c.expression = m.data2; break;
          case 64: c.sustain = m.data2; break;
          default: break;
        }
        break;
      case 0xC0: ProgramChange(m.Channel() - 1, m.data1); break;
      case 0xE0: c.bend = m.Bend(); break;
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

void Converter::StartNote(int32_t trackIndex, int32_t index) {
  const NoteTrack& track = tracks_[size_t(trackIndex)];
  const ChannelMessage& on = track.Messages()[size_t(index)];
  const int channel = on.Channel();
  const int key = on.data1;
  ChannelState& c = channels_[size_t(channel - 1)];
  if (!c.loaded) {
    PrgLoad load = LoadPRG(prgDirectory_, c.program, c.drum);
    if (load.status != PrgLoad::Status::Loaded) return Fail(load.Message());
    c.table = std::move(load.table);
    c.loaded = true;
    const std::string found = platform::FindFileIgnoringCase(load.fileName);
    if (std::find(prgFiles_.begin(), prgFiles_.end(), found) == prgFiles_.end()) prgFiles_.push_back(found);
  }
  const int layers = key < 128 ? c.table->count[size_t(key)] : 0;
  if (layers == 0)
    return Fail("Note " + KeyName(key) + " not assigned to in MIDI Track:Channel " +
                std::to_string(trackIndex + 1) + ":" + std::to_string(channel) + ".");
  // A track cut short by a reading error stops the conversion at a note still sounding there.
  if (!track.Ends(index)) return FailReading(track.Error());
  lastTick_ = std::max(lastTick_, track.EndTick(index));

  for (int layer = 0; layer < layers; ++layer) {
    const PrgLine& entry = c.table->entries[size_t(key)][size_t(layer)];
    NoteGroup& group = RecordFor(entry, c, key).InsertNewGroup(key, on.tick);
    group.track = trackIndex;
    group.noteOn = index;
    group.bend = c.bend;
    group.volume = c.volume;
    group.pan = c.pan;
    group.expression = c.expression;
    group.modulation = c.modulation;
    group.pedal = c.sustain >= 64;
    ++notes_;
  }
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

// Milliseconds never decrease with ticks, so the last note's end is the latest event and the
// only one that can be beyond the 32-bit range.
void Converter::FindSongLength() {
  if (lastTick_ < 0) return;
  const std::optional<int32_t> ms = tempo_.Milliseconds(lastTick_);
  if (!ms) return Fail("Song too long.");
  songLength_ = *ms;
}

void Converter::WriteList(const std::string& lstFile, int64_t maxListBytes) {
  LstFileWriter out(lstFile, maxListBytes);
  // The renderer takes no song shorter than a millisecond; a song without notes lasts that.
  out.Line(std::to_string(std::max(songLength_, 1)));
  std::vector<SongEvent> events;  // one note's, reused
  for (const auto& record : instruments_) {
    out.Line("{");
    out.Line(InstrumentLine(record->entry));
    for (const auto& [key, groups] : record->keys) {
      out.Line("[");
      out.Line(std::to_string(key));
      for (const NoteGroup& group : groups) {
        tracks_[size_t(group.track)].NoteEvents(group, events);
        for (SongEvent& e : events) e.time = *tempo_.Milliseconds(e.time);
        // A note's events begin with its on and end with its off, which are never redundant
        // (no other on or off lies between them), so each note's events can be thinned alone.
        DropRedundantEvents(events);
        for (const SongEvent& e : events) out.Event(e);
        if (!out.Ok()) break;
      }
      out.Line("]");
      if (!out.Ok()) break;
    }
    out.Line("}");
    if (!out.Ok()) break;
  }
  switch (out.Close()) {
    case LstFileWriter::Status::Ok: break;
    case LstFileWriter::Status::TooLarge:
      Fail("LST file too large: more than " + std::to_string(maxListBytes) + " bytes.");
      break;
    default: Fail("Can not open LST file."); break;
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
                        const std::string& prgDirectory, const std::vector<DrumPair>& drums,
                        int64_t maxListBytes) {
  return Converter(prgDirectory, drums).Run(midiFile, lstFile, maxListBytes);
}

}  // namespace tonemill
