// Plain implementations of the renderer's definitions, frame by frame, for the tests to
// compare the production code with.
#pragma once

#include "resona/lst.h"
#include "resona/resample.h"
#include "resona/voice.h"

#include <cstdint>
#include <vector>

namespace reference {

// Resampling by the definition: each input sample held for A fine steps, the kernel summed
// over the window of output frame i starting at fine position i·B − h.
std::vector<int16_t> Resample(const resona::ResampleKernel& k, const std::vector<int16_t>& in);

struct Sample {
  int bits = 16, channels = 1, rate = 44100;
  std::vector<int32_t> interleaved;  // as stored: 8-bit unsigned, 16-bit signed
};

// Fractional playback frame by frame, exactly as defined (the modulo and the table index
// divided out at every frame).
int32_t Interpolate(resona::Voice& v, const resona::NoteSample& note, int32_t frames, bool looping,
                    bool stereo, const int32_t* table, int32_t* outL, int32_t* outR);

// One note block holding one strike.
struct Strike {
  int note = 60;
  int onMs = 0;
  int velocity = 100;
  int offMs = 100;
  int releaseVelocity = 64;
};

struct Song {
  int bits = 16, channels = 2, rate = 44100, gain = 256;
  int durationMs = 100;
  resona::InstrumentLine instrument;  // without a loop
  Sample sample;
  std::vector<Strike> strikes;
};

// The data of the rendered WAV file (interleaved; 8-bit as unsigned bytes).
std::vector<int32_t> Render(const Song& song);

}  // namespace reference
