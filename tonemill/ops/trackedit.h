// The MIDI track editor dialog's rules, for the dialog and the command line: the Track:Channel
// cells, complete rows, the rows the engine gets, and the checks of the two file fields.
#pragma once

#include "tonemill/files/problem.h"
#include "tonemill/midi/midedit.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tonemill::ops {

using PairRow = std::pair<std::string, std::string>;  // track cell, channel cell

// A cell as it is left: a track must be 1-65535, a channel 1-16; otherwise the text with blanks
// removed and upper-cased must be "ALL", and is stored so. The cell's message ("Illegal MIDI
// Track!", "Illegal MIDI Channel!") or an empty text.
std::string CheckPairCell(std::string& cell, bool isTrack);

// The index of the first row with an empty cell, or -1 when every row is complete.
int FirstIncompleteRow(const std::vector<PairRow>& rows);

// The pairs the engine gets on OK: rows repeated in both cells given once, "ALL" as -1.
std::vector<TrackChannel> PairsFromRows(std::vector<PairRow> rows);

// "TRACK:CHANNEL" texts as rows, each cell checked as the grid checks it; the first message
// when one is wrong or incomplete.
std::optional<std::string> PairRowsFromTexts(const std::vector<std::string>& texts,
                                             std::vector<PairRow>& rows);

// Leaving the source field: the header probe's message ("File not found!", "Premature end of
// source file!", "Source file is not Standard MIDI!", "Unsupported MIDI format!"), then
// "Can't overwrite source file!" when the destination is the source under any name.
std::optional<Problem> CheckEditSource(const std::string& source, const std::string& destination);
// Leaving the destination field: not a valid file name, or the source under any name.
std::optional<Problem> CheckEditDestination(const std::string& source,
                                            const std::string& destination);

}  // namespace tonemill::ops
