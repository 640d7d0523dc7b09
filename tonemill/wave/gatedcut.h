// Gated Cut: removes the quiet frames of the range (a frame passes when its level reaches the
// threshold). With Prune only the quiet stretches before the first and after the last passing
// frame go; the quiet frames between passing ones stay.
#pragma once

#include "rangeframe.h"

#include <cstdint>

namespace tonemill {

struct GatedCutSettings {
  int32_t threshold = 0;  // as entered; doubled for a stereo file
  bool prune = true;
};

RangeResult GatedCutRange(const RangeRequest& request, const GatedCutSettings& settings,
                          Progress& progress);

}  // namespace tonemill
