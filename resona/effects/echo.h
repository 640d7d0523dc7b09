// The echo: each output sample is the input plus what a delay line returns; the line holds a
// scaled copy of the input and of its own earlier content.
#pragma once

#include "frame.h"

namespace resona::effects {

struct EchoParameters {
  int32_t delayFrames = 1;  // below 1 counts as 1: the echo follows one frame later
  int32_t feedback = 0;     // in 1/256
  int32_t level = 0;        // in 1/256
};

int32_t RunEcho(const EffectCall& call, const EchoParameters& parameters);

}  // namespace resona::effects
