// Extend: inserts silence at the selection's start, or after the last frame with Append.
#pragma once

#include "rangeframe.h"

#include <cstdint>

namespace tonemill {

struct ExtendSettings {
  int64_t startFrame = 0;
  int64_t durationFrames = 0;
  bool append = false;
};

// Copies the data up to the insertion point, fills the silence and copies the rest; the
// progress total is the data size plus the silence.
RangeResult ExtendWav(const std::string& input, const std::string& output,
                      const ExtendSettings& settings, Progress& progress);

}  // namespace tonemill
