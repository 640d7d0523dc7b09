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

// Where the frames of a sample file come from, decided before any is made.
struct SampleLayout {
  bool convert = false;  // through the rate converter
  double ratio = 1.0;    // output frames per input frame
  uint64_t frames = 0;   // of the file; a looped file ends with its loop
  uint64_t loopStart = 0, loopLength = 0;  // in the file
  uint64_t repeatedLoop = 0;  // input frames of the loop after repetition
  uint64_t margin = 0;        // output frames the converter needs to settle
};
SampleLayout LayoutOf(const SampleSource& source);

// How long a looped sample plays at its base key before the renderer's attack and decay pass
// its loop: the renderer holds a looped sample with two more copies of its loop and loops on
// the middle one, but only a sustain phase that starts inside that loop loops at all.
double UnrolledSeconds(const SampleSource& source);

// How many loop repetitions make a loop of `loopLength` input frames at least kMinLoopFrames
// long after conversion by `ratio` while landing within a quarter cent of a whole number of
// output frames.
uint32_t LoopRepeats(uint32_t loopLength, double ratio);

}  // namespace tonemill::soundfont
