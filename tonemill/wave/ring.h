// Ring modulation: every selected sample is multiplied by a modulator of the given rate and
// waveform, whose phase starts at 0 on the first frame of the range.
#pragma once

#include "rangeframe.h"

namespace tonemill {

enum class RingWave { Sine, Square, Triangle, Saw };

struct RingSettings {
  double rate = 1000;  // Hz
  RingWave wave = RingWave::Sine;
};

// The modulator's value at phase φ.
long double RingModulator(RingWave wave, long double phase);

RangeResult RingRange(const RangeRequest& request, const RingSettings& settings, Progress& progress);

}  // namespace tonemill
