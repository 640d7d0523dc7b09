// The reverb: a 19-tap early-reflection pattern feeding one of three room models (nested
// all-pass sections in one circulating buffer with a low-passed feedback path) or a custom
// network of six low-pass combs and three all-pass filters; the wet signal, scaled per
// channel, is added to the input.
#pragma once

#include "frame.h"

namespace resona::effects {

enum class ReverbModel { Chamber = 1, Chapel = 2, Hall = 3, Custom = 4 };

struct ReverbParameters {
  int32_t algorithm = 1;  // 1..4; anything else is the chamber
  int32_t decayMs = 0, predelayMs = 0;
  int32_t levelLeft = 0, levelRight = 0;  // in 1/256
  int32_t lowpassLeft[6] = {}, lowpassRight[6] = {};  // 0..99 (clamped)
};

// The early reflections' delays in frames, in tap order.
void EarlyTapFrames(int32_t algorithm, int32_t rate, int32_t predelayMs, int64_t taps[19]);

int32_t RunReverb(const EffectCall& call, const ReverbParameters& parameters);

}  // namespace resona::effects
