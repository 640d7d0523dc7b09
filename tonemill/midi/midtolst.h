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
  int32_t songLength = 0;  // milliseconds
  int64_t notes = 0;       // note groups written
};

MidToLstResult MIDtoLST(const std::string& midiFile, const std::string& lstFile,
                        const std::string& prgDirectory, const std::vector<DrumPair>& drums);

}  // namespace tonemill
