// The format 1 to 0 merger: it succeeds exactly when every track of a format 1 file reads, and
// then writes one track that reads back with the same events at the same ticks, ordered by
// tick, then track, then file order, names as text events, one End of Track after the latest.
#include "midi_utility_check.h"
#include "tonemill/midi/midmerge.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1 << 16)) return 0;
  const std::string in = fuzz::ScratchFile("in.mid", data, size);
  const fuzz::ReadFile source = fuzz::ReadMidi(in);
  if (source.header.valid && source.header.tracks > fuzz::kMaxTracks) return 0;
  const std::string out = fuzz::ScratchDirectory() + "out.mid";
  std::remove(out.c_str());
  const tonemill::UtilityOutcome outcome = tonemill::MergeFormat1To0(in, out);
  const bool mergeable = source.ok && source.header.format == 1;
  if (outcome.Ok() != mergeable) fuzz::Fail("merged a file that does not read, or refused one that does");
  if (!outcome.Ok()) return 0;

  const fuzz::ReadFile merged = fuzz::ReadMidi(out);
  if (!merged.ok || merged.header.format != 0 || merged.tracks.size() != 1 ||
      merged.header.division != source.header.division)
    fuzz::Fail("the merged file does not read as one format 0 track");
  std::vector<fuzz::ReadEvent> expected;
  for (const fuzz::ReadTrack& t : source.tracks)
    for (fuzz::ReadEvent e : t.events) {
      if (e.status == 0xFF && (e.data1 == 3 || e.data1 == 4)) e.data1 = 1;
      expected.push_back(e);
    }
  std::stable_sort(expected.begin(), expected.end(),
                   [](const fuzz::ReadEvent& a, const fuzz::ReadEvent& b) { return a.tick < b.tick; });
  const fuzz::ReadTrack& track = merged.tracks[0];
  if (track.events.size() != expected.size()) fuzz::Fail("events lost or added");
  for (size_t i = 0; i < expected.size(); ++i) {
    const fuzz::ReadEvent &a = expected[i], &b = track.events[i];
    if (a.tick != b.tick || a.status != b.status || a.data1 != b.data1 || a.dataLength != b.dataLength)
      fuzz::Fail("an event changed or moved");
  }
  if (!track.endOfTrack || track.endTick != (expected.empty() ? 0 : expected.back().tick))
    fuzz::Fail("the merged track does not end right after its latest event");
  return 0;
}
