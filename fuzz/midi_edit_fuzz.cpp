// The track editor: it succeeds exactly when every track reads, and then writes a file of the
// same format, division and tracks in which every event keeps its tick, and an event changes
// only into an empty text event, only where it was a channel message the edit acts on.
#include "midi_utility_check.h"
#include "tonemill/midi/midedit.h"

#include <filesystem>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2 || size > (1 << 16)) return 0;
  // The first two bytes choose the edit: mode and kinds, then a pair.
  tonemill::TrackEdit edit;
  edit.mute = data[0] & 1;
  const bool kinds[8] = {bool(data[0] & 2), bool(data[0] & 4), bool(data[0] & 8), bool(data[0] & 16),
                         bool(data[0] & 32), bool(data[0] & 64), bool(data[0] & 128), bool(data[1] & 128)};
  edit.kinds = {kinds[0], kinds[1], kinds[2], kinds[3], kinds[4], kinds[5], kinds[6], kinds[7]};
  edit.pairs = {{(data[1] & 0x40) ? -1 : (data[1] >> 4 & 3) + 1, (data[1] & 0x0F) == 0 ? -1 : data[1] & 0x0F}};
  const std::string in = fuzz::ScratchFile("in.mid", data + 2, size - 2);
  const fuzz::ReadFile source = fuzz::ReadMidi(in);
  if (source.header.valid && source.header.tracks > fuzz::kMaxTracks) return 0;
  const std::string out = fuzz::ScratchDirectory() + "out.mid";
  std::remove(out.c_str());
  const tonemill::UtilityOutcome outcome = tonemill::EditMidiTracks(in, out, edit);
  if (outcome.Ok() != source.ok) fuzz::Fail("edited a file that does not read, or refused one that does");
  if (!outcome.Ok()) return 0;

  if (source.header.tracks == 0) {
    // A file of no tracks is copied as its header alone, which the probe takes as too short.
    if (std::filesystem::file_size(out) != 14) fuzz::Fail("a file of no tracks grew");
    return 0;
  }
  const fuzz::ReadFile edited = fuzz::ReadMidi(out);
  if (!edited.ok || edited.header.format != source.header.format ||
      edited.header.division != source.header.division ||
      edited.tracks.size() != source.tracks.size())
    fuzz::Fail("the edited file lost its format, division or tracks");
  for (size_t t = 0; t < source.tracks.size(); ++t) {
    const fuzz::ReadTrack &a = source.tracks[t], &b = edited.tracks[t];
    if (a.events.size() != b.events.size() || a.endOfTrack != b.endOfTrack ||
        (a.endOfTrack && a.endTick != b.endTick))
      fuzz::Fail("events lost or added, or End of Track moved");
    for (size_t i = 0; i < a.events.size(); ++i) {
      const fuzz::ReadEvent &x = a.events[i], &y = b.events[i];
      if (x.tick != y.tick) fuzz::Fail("an event moved");
      tonemill::MidiEvent event;
      event.status = x.status;
      event.data1 = x.data1;
      const bool silenced = x.status < 0xF0 && tonemill::ActsOn(edit, int(t) + 1, event);
      const bool empty = y.status == 0xFF && y.data1 == 1 && y.dataLength == 0;
      if (silenced ? !empty : (x.status != y.status || x.data1 != y.data1 || x.dataLength != y.dataLength))
        fuzz::Fail("an event changed that the edit does not act on, or one it acts on stayed");
    }
  }
  return 0;
}
