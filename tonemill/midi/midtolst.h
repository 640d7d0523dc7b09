// MIDtoLST: converts a Standard MIDI file (format 0 with one track, or format 1) into an LST
// song list. Every note becomes a note group of the instrument record of each PRG layer that
// covers it, with its velocities, the channel's controllers at its start and while it sounds,
// and its end, in milliseconds.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tonemill {

// A drum track and channel; -1 stands for any track or any channel.
struct DrumPair {
  int track = -1;
  int channel = 10;
  bool operator==(const DrumPair&) const = default;
};

// The drum list from the render dialog's cells ("ALL" already written as "-1"): each cell is
// read as an integer, and one that does not read as one counts as 0, which matches nothing.
std::vector<DrumPair> DrumPairsFromCells(
    const std::vector<std::pair<std::string, std::string>>& cells);

struct MidToLstResult {
  bool written = false;
  std::string message;     // the one error message when not written
  int32_t songLength = 0;  // milliseconds to the last note's end; 0 without notes
  int64_t notes = 0;       // note groups written
  // The PRG files read, as found in the PRG directory: inputs no output of the job may replace.
  std::vector<std::string> prgFiles;
};

// Far above any real song's list, and few enough lines for the renderer's 32-bit line count.
inline constexpr int64_t kMaxListBytes = int64_t(1) << 31;

// Reads the MIDI file and its PRG files, then writes the list straight to `lstFile` (created
// or emptied, buffered), producing each note's events as its lines go out: memory follows the
// MIDI file, not the list. Nothing is written when reading fails. A list that would pass
// `maxListBytes` is refused, and writing stops there; what was written by then (or before a
// write error) stays in `lstFile`, so callers write to a temporary file and move it into place
// when the result says written.
MidToLstResult MIDtoLST(const std::string& midiFile, const std::string& lstFile,
                        const std::string& prgDirectory, const std::vector<DrumPair>& drums,
                        int64_t maxListBytes = kMaxListBytes);

}  // namespace tonemill
