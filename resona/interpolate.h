// Fractional playback: the values of a note played at `step` (Q15) with vibrato from the LFO
// table, each linearly interpolated between two samples of the note buffer.
#pragma once

#include "voice.h"

#include <cstdint>

namespace resona {

// Produces up to `frames` values per channel and advances the voice. Outside loops it stops
// early, returning how many it produced, once the position has reached the last frame. With
// null arrays it only advances the voice, as far as it would have produced.
int32_t InterpolateValues(Voice& voice, const NoteSample& note, int32_t frames, bool looping,
                          bool stereo, const int32_t* lfoTable, int32_t* left, int32_t* right);

}  // namespace resona
