// The MIDI header probe and the shared event-stream reader, read the converter's way and the
// other readers' way, over every track the header announces (at most 64).
#include "harness.h"
#include "tonemill/files/fastfile.h"
#include "tonemill/midi/eventstream.h"
#include "tonemill/midi/midheader.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1 << 16)) return 0;
  const std::string path = fuzz::ScratchFile("input.mid", data, size);
  const tonemill::TMIDheader header(path);
  tonemill::MidiProbeProblem(header);
  if (!header.isMIDI) return 0;
  for (auto reading : {tonemill::TempoReading::ThreeBytes, tonemill::TempoReading::SkipByLength}) {
    try {
      tonemill::TFastFile file(path, true, false);
      if (!file.Opened()) return 0;
      file.SeekTo(14);
      tonemill::MidiTrackReader reader(file, reading);
      for (int track = 0; track < std::min<int>(header.tracks, 64); ++track) {
        if (!reader.BeginTrack()) break;
        tonemill::MidiEvent event;
        int64_t events = 0;
        while (reader.Next(event))
          if (++events > int64_t(size) + 1) fuzz::Fail("more events than bytes");
        if (reader.Error() != tonemill::MidiReadError::None) break;
      }
    } catch (const tonemill::EInOutError&) {
    }
  }
  return 0;
}
