#include "midedit.h"

#include "eventslots.h"
#include "midiwriter.h"

#include <array>

namespace tonemill {
namespace {

using ChannelSet = std::array<bool, 16>;

ChannelSet SelectedChannels(const std::vector<TrackChannel>& pairs, int track) {
  ChannelSet selected{};
  for (const TrackChannel& p : pairs) {
    if (p.track != track && p.track != -1) continue;
    if (p.channel == -1) selected.fill(true);
    else if (p.channel >= 1 && p.channel <= 16) selected[size_t(p.channel - 1)] = true;
  }
  return selected;
}

bool KindSwitchedOn(const EditKinds& k, const MidiEvent& e) {
  switch (e.Kind()) {
    case 0x80:
    case 0x90: return k.notes;
    case 0xA0: return k.polyPressure;
    case 0xD0: return k.channelPressure;
    case 0xE0: return k.bend;
    case 0xB0:
      switch (e.data1) {
        case 1: return k.modulation;
        case 7: return k.volume;
        case 10: return k.pan;
        case 11: return k.expression;
      }
      return false;
  }
  return false;  // program changes
}

bool ActsOnSelected(const TrackEdit& edit, const ChannelSet& selected, const MidiEvent& e) {
  if (!e.IsChannelMessage() || !KindSwitchedOn(edit.kinds, e)) return false;
  return selected[size_t(e.Channel() - 1)] == edit.mute;
}

void WriteBytes(TFastFile& file, std::span<const uint8_t> bytes) {
  for (uint8_t b : bytes) file.WriteByte(b);
}

}  // namespace

bool ActsOn(const TrackEdit& edit, int track, const MidiEvent& event) {
  return ActsOnSelected(edit, SelectedChannels(edit.pairs, track), event);
}

UtilityOutcome EditMidiTracks(const std::string& source, const std::string& destination,
                              const TrackEdit& edit) {
  const TMIDheader header(source);
  if (UtilityStatus s = HeaderStatus(header, false); s != UtilityStatus::None)
    return UtilityFailure(s, kEditorMessages);
  static constexpr uint8_t kEmptyText[] = {0xFF, 0x01, 0x00};
  static constexpr uint8_t kEndOfTrack[] = {0xFF, 0x2F, 0x00};
  int number = 0;
  try {
    TFastFile in(source, true, false);
    if (!in.Opened()) return UtilityFailure(UtilityStatus::SourceNotOpened, kEditorMessages);
    TFastFile out(destination, false, true);
    if (!out.Opened()) return UtilityFailure(UtilityStatus::DestinationNotOpened, kEditorMessages);
    std::vector<uint8_t> bytes;
    AppendHeaderChunk(bytes, header.format, 0, header.division);  // the count comes last
    WriteBytes(out, bytes);
    in.SeekTo(14);

    MidiTrackReader reader(in, TempoReading::SkipByLength);
    EventSlots slots;
    std::vector<uint8_t> event;
    for (number = 1; number <= header.tracks; ++number) {
      auto fail = [&](UtilityStatus status, std::string detail = {}) {
        return UtilityFailure(status, kEditorMessages, std::move(detail), number);
      };
      const ChannelSet selected = SelectedChannels(edit.pairs, number);
      if (!reader.BeginTrack()) return fail(StatusOfReadError(reader.Error()));
      slots.Clear();
      MidiEvent e;
      while (reader.Next(e)) {
        if (e.dataLength > kMaxCopiedEventData)
          return fail(UtilityStatus::Abnormal, "an event with more than 256 MiB of data");
        if (e.IsEndOfTrack()) {
          slots.Add(e.tick, kEndOfTrack);
        } else if (ActsOnSelected(edit, selected, e)) {
          slots.Add(e.tick, kEmptyText);
        } else {
          event.clear();
          if (AppendEventBytes(in, e, NameEvents::Keep, event)) slots.Add(e.tick, event);
        }
      }
      if (reader.Error() == MidiReadError::SongTooLong)
        return fail(UtilityStatus::Abnormal, "the track passes 2^31 ticks");
      if (reader.Error() != MidiReadError::None) return fail(StatusOfReadError(reader.Error()));
      std::vector<uint8_t> events;
      slots.AppendTrackEvents(events);
      if (events.size() > UINT32_MAX) return fail(UtilityStatus::Abnormal, "a track passes 4 GiB");
      bytes.clear();
      AppendTrackChunkHeader(bytes, uint32_t(events.size()));
      WriteBytes(out, bytes);
      WriteBytes(out, events);
    }
    out.SeekTo(10);
    out.WriteByte(uint8_t(header.tracks >> 8));
    out.WriteByte(uint8_t(header.tracks));
    out.Close();
    return {};
  } catch (const EInOutError& error) {
    return UtilityFailure(UtilityStatus::Abnormal, kEditorMessages, error.what(),
                          number > header.tracks ? 0 : number);
  }
}

}  // namespace tonemill
