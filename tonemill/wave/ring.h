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

// One modulated sample at a phase: the product truncated (8-bit: floored) and clipped, in
// extended precision.
int32_t RingSample(RingWave wave, long double phase, int32_t s, bool eightBit, SampleLimits limits);
// The same by a double-precision sine of the reduced phase, falling back to the definition
// wherever the sine's error bound could reach an integer: the same result for every input.
int32_t RingSampleFast(RingWave wave, long double phase, int32_t s, bool eightBit,
                       SampleLimits limits);

RangeResult RingRange(const RangeRequest& request, const RingSettings& settings, Progress& progress);

}  // namespace tonemill
