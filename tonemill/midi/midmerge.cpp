#include "midmerge.h"

#include "eventslots.h"
#include "midiwriter.h"

namespace tonemill {
namespace {

void WriteBytes(TFastFile& file, std::span<const uint8_t> bytes) {
  for (uint8_t b : bytes) file.WriteByte(b);
}

// Reads every track into the slots; the outcome of the first failure.
UtilityOutcome ReadTracks(TFastFile& source, uint16_t tracks, EventSlots& slots) {
  MidiTrackReader reader(source, TempoReading::SkipByLength);
  std::vector<uint8_t> event;
  for (int number = 1; number <= tracks; ++number) {
    auto fail = [&](UtilityStatus status, std::string detail = {}) {
      return UtilityFailure(status, kMergerMessages, std::move(detail), number);
    };
    if (!reader.BeginTrack()) return fail(StatusOfReadError(reader.Error()));
    MidiEvent e;
    while (reader.Next(e)) {
      if (e.dataLength > kMaxCopiedEventData)
        return fail(UtilityStatus::Abnormal, "an event with more than 256 MiB of data");
      event.clear();
      if (AppendEventBytes(source, e, NameEvents::AsText, event)) slots.Add(e.tick, event);
    }
    if (reader.Error() == MidiReadError::SongTooLong)
      return fail(UtilityStatus::Abnormal, "the track passes 2^31 ticks");
    if (reader.Error() != MidiReadError::None) return fail(StatusOfReadError(reader.Error()));
  }
  return {};
}

}  // namespace

UtilityOutcome MergeFormat1To0(const std::string& source, const std::string& target) {
  const TMIDheader header(source);
  if (UtilityStatus s = HeaderStatus(header, true); s != UtilityStatus::None)
    return UtilityFailure(s, kMergerMessages);
  try {
    TFastFile in(source, true, false);
    if (!in.Opened()) return UtilityFailure(UtilityStatus::SourceNotOpened, kMergerMessages);
    TFastFile out(target, false, true);
    if (!out.Opened()) return UtilityFailure(UtilityStatus::DestinationNotOpened, kMergerMessages);
    in.SeekTo(14);
    EventSlots slots;
    if (UtilityOutcome read = ReadTracks(in, header.tracks, slots); !read.Ok()) return read;
    slots.OrderByTick();

    std::vector<uint8_t> events;
    slots.AppendTrackEvents(events);
    events.insert(events.end(), {0x00, 0xFF, 0x2F, 0x00});
    if (events.size() > UINT32_MAX)
      return UtilityFailure(UtilityStatus::Abnormal, kMergerMessages,
                            "the merged track passes 4 GiB");
    std::vector<uint8_t> head;
    AppendHeaderChunk(head, 0, 1, header.division);
    AppendTrackChunkHeader(head, uint32_t(events.size()));
    WriteBytes(out, head);
    WriteBytes(out, events);
    out.Close();
    return {};
  } catch (const EInOutError& error) {
    return UtilityFailure(UtilityStatus::Abnormal, kMergerMessages, error.what());
  }
}

}  // namespace tonemill
