// Gate: a noise gate with attack and decay ramps. Below the threshold it closes over the decay
// frames, at or above it opens over the attack frames.
#pragma once

#include "rangeframe.h"

#include <cstdint>

namespace tonemill {

struct GateSettings {
  int32_t threshold = 0;     // as entered: compared with |L| + |R| doubled when both are gated
  int32_t attackFrames = 0;  // a ramp below one frame switches at once
  int32_t decayFrames = 0;
};

RangeResult GateRange(const RangeRequest& request, const GateSettings& settings, Progress& progress);

}  // namespace tonemill
