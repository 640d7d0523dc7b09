// The frames of one WAV sample made from the bank: cut to the zone's window, converted to a
// rate the renderer takes with the tuning folded in, and with short loops repeated so that the
// loop holds whole frames of the new rate and is long enough to be shifted in pitch cleanly.
#pragma once

#include "presetplan.h"
#include "sf2file.h"

#include <cstdint>
#include <vector>

namespace tonemill::soundfont {

struct SampleAudio {
  uint32_t rate = 0;
  int channels = 1;
  std::vector<int16_t> samples;  // interleaved, left first
  int32_t loopStart = -1, loopEnd = -1;  // frames of this file, loopEnd inclusive; -1 without

  size_t Frames() const { return samples.size() / size_t(channels); }
};

SampleAudio MakeSampleAudio(const Bank& bank, const SampleSource& source);

// How many loop repetitions make a loop of `loopLength` input frames at least kMinLoopFrames
// long after conversion by `ratio` while landing within a quarter cent of a whole number of
// output frames.
uint32_t LoopRepeats(uint32_t loopLength, double ratio);

}  // namespace tonemill::soundfont
