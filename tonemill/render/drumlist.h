// The drum Track:Channel list as the render dialog keeps it: cells holding a number or "ALL".
#pragma once

#include "tonemill/midi/midtolst.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tonemill {

using DrumRow = std::pair<std::string, std::string>;  // track cell, channel cell

// Checks a cell as it is left: a track must be 1-65535, a channel 1-16; otherwise the text with
// blanks removed and upper-cased must be "ALL", and is stored so. Returns the cell's message
// ("Illegal MIDI Track!", "Illegal MIDI Channel!") or an empty text.
std::string CheckDrumCell(std::string& cell, bool isTrack);

// A cell with nothing but blanks has not been filled in yet: it is not checked as it is left,
// and the list is incomplete while it stays so.
bool DrumCellIsEmpty(const std::string& cell);
// The first row and column (0 track, 1 channel) that is empty, when there is one.
std::optional<std::pair<size_t, int>> FirstEmptyDrumCell(const std::vector<DrumRow>& rows);
extern const char* const kIncompleteDrumListMessage;  // "Incomplete Track:Channel specification!"

// Removes every later row equal to an earlier one in both cells. Rows that share only their
// track or only their channel stay: removing them would change which notes are drums.
void RemoveRepeatedDrumRows(std::vector<DrumRow>& rows);

// The pairs the converter takes: "ALL" becomes -1.
std::vector<DrumPair> DrumPairsFromRows(std::vector<DrumRow> rows);

}  // namespace tonemill
