// What the render progress display shows of the fields the library writes while it renders:
// the line counter, "Allocating" while the song's silence is reserved, then the instrument,
// its base note, the current note and the share of lines done.
#pragma once

#include "songrender.h"

#include <cstdint>
#include <string>

namespace tonemill {

struct RenderDisplay {
  std::string lineText;     // "line/lines", lines read as at least 1
  bool allocating = true;   // line <= 2: only the line text and the status change
  std::string instrument;   // the sample name of the current instrument
  std::string baseNote;     // its base note's name
  std::string currentNote;  // the note block's note name, once line > 4 (empty before)
  int percent = 0;          // trunc(line / lines × 100), at most 100
};

RenderDisplay DisplayOf(const SongProgress& progress);

// The lines the library had read when it returned from a cancelled render: the count when the
// cancel came, plus those it read afterwards to close the step it was in (a cancel sets the
// counter to the total, and each further line adds 1 to it).
int32_t LinesReachedAfterCancel(const SongProgress& progress);

}  // namespace tonemill
