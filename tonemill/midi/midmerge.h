// The format 1 to 0 merger: all tracks of a format 1 file merged by absolute tick into the one
// track of a format 0 file.
#pragma once

#include "midiutility.h"

#include <string>

namespace tonemill {

// Merges `source` into `target` (created or emptied). Events of equal tick keep track order,
// and within a track, file order; each is written with its status byte; names (meta types 3
// and 4) become text events (type 1); every End of Track is dropped and one closes the merged
// track right after the latest event. The messages are the merger's. A failure of the header
// test creates nothing; after that `target` holds what was written and the caller discards it.
UtilityOutcome MergeFormat1To0(const std::string& source, const std::string& target);

}  // namespace tonemill
