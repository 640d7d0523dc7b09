// The flanger and chorus: each sample mixed with a copy of the signal from a delay that a
// sine-shaped oscillator sweeps, optionally fed back; the swept input passes a one-pole
// smoothing filter whose cutoff falls as the sweep speeds up.
#pragma once

#include "frame.h"

namespace resona::effects {

constexpr int kFlangeTableSize = 1608;

struct FlangeParameters {
  int32_t offsetFrames = 0;
  int32_t variationFrames = 0;  // below 0 counts as 0
  int32_t rateNum = 0, rateDen = 1;  // a denominator below 1 stops the oscillator
  int32_t dryLevel = 256, wetLevel = 256;  // in 1/256
  int32_t feedback = 0;  // -256..256 (clamped)
  const int32_t* sineTable = nullptr;    // left and mono
  const int32_t* cosineTable = nullptr;  // right
};

// The smoothing filter's weights for a peak sweep speed of `t` frames per frame.
struct SmoothingWeights {
  int32_t A = 0, B = 0;
};
SmoothingWeights FlangeSmoothing(int64_t t);

int32_t RunFlange(const EffectCall& call, const FlangeParameters& parameters);

}  // namespace resona::effects
