// Loading an instrument's sample: the frames of the WAV file between the start and end
// positions, in the output's channel layout and rate, with the sustain loop unrolled.
#pragma once

#include "lst.h"

#include <cstdint>
#include <string>
#include <vector>

namespace resona {

// The largest sample buffer the renderer allocates, in samples (frames × channels); a larger
// instrument or note buffer is refused as out of memory.
constexpr int64_t kMaxBufferSamples = int64_t(1) << 27;
// Zero frames kept past the end of every sample array, so that reading one frame beyond the
// last (as starting an interpolation right after the last frame does) reads silence.
constexpr int64_t kArrayTail = 2;

struct InstrumentSample {
  std::vector<int16_t> left;  // `length` frames followed by kArrayTail zero frames
  std::vector<int16_t> right;  // empty unless both the file and the output are stereo
  int64_t length = 0;          // frames
  int64_t endPosition = 0;
  int64_t loopStart = -1;  // the loop refers to the middle of the three unrolled copies
  int64_t loopEnd = -1;
};

// The sample file for a name: directory + name + ".WAV", found ignoring case when the exact
// name does not exist. Empty when the name could reach outside the directory.
std::string SampleFilePath(const std::string& directory, const std::string& name);

// Status 26 for a sample file that cannot be read, 1 when memory runs out or the buffer would
// exceed `maxSamples`.
int32_t LoadInstrumentSample(const std::string& directory, const InstrumentLine& line,
                             int32_t outputChannels, int32_t outputRate, int64_t maxSamples,
                             InstrumentSample& out);
// The same from the file SampleFilePath found (empty: none).
int32_t LoadSampleFile(const std::string& path, const InstrumentLine& line, int32_t outputChannels,
                       int32_t outputRate, int64_t maxSamples, InstrumentSample& out);

// Converts arrays to the length ratio A/B; `right` may be empty (mono), and for `stereo` output
// a missing right array is not made (callers share the left one). Status 1 when memory runs out.
int32_t ResampleArrays(int32_t A, int32_t B, const std::vector<int16_t>& left,
                       const std::vector<int16_t>& right, int64_t length,
                       std::vector<int16_t>& outLeft, std::vector<int16_t>& outRight,
                       int64_t tail, int64_t maxSamples);

}  // namespace resona
