// A song's stems: one WAV file per track:channel pair that plays notes, rendered with the same
// settings as the mix from a copy of the song in which every other pair's notes are silenced by
// the track editor. The renderer adds notes one by one with saturation, so the stems, padded
// with silence to the mix's length and added sample by sample, give the mix wherever no
// addition clamped.
#pragma once

#include "tonemill/files/outputfile.h"
#include "tonemill/files/problem.h"
#include "tonemill/midi/midedit.h"

#include <optional>
#include <string>
#include <vector>

namespace tonemill::ops {

// The pairs with a note on of velocity above 0, in track order, then channel order. A file
// the track editor cannot read gives its problem.
std::vector<TrackChannel> PairsPlayingNotes(const std::string& mid, std::optional<Problem>& problem);

// NAME.TRACK-CHANNEL with `extension`, beside `mix` (whose extension is replaced).
std::string StemName(const std::string& mix, const TrackChannel& pair, const std::string& extension);

// The song with only the pair's notes sounding, written to a temporary file beside `scratch`
// and never put into place: `out.Path()` is the file to convert, dropped with `out`.
std::optional<Problem> SoloPairNotes(const std::string& mid, const TrackChannel& pair,
                                     const std::string& scratch, OutputFile& out);

}  // namespace tonemill::ops
