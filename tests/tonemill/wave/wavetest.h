// Running a WAV engine on samples held in memory: the samples are written as a WAV file, the
// engine reads it and writes its output, and the output's samples come back.
#pragma once

#include "tonemill/wave/rangeframe.h"
#include "tests/support/testfiles.h"

#include <functional>
#include <gtest/gtest.h>
#include <vector>

namespace tonemill {

struct EngineOutput {
  testing_support::WavData wav;
  RangeResult result;
  Progress progress;
};

using RangeEngine = std::function<RangeResult(const RangeRequest&, Progress&)>;

// Runs `engine` over frames [start, end] (all when end < 0) of a file of `format` holding
// `samples` (interleaved; 8-bit as unsigned bytes).
inline EngineOutput RunEngine(const AudioFormat& format, const std::vector<int32_t>& samples,
                              const RangeEngine& engine, int64_t start = 0, int64_t end = -1,
                              bool leftOnly = false, bool rightOnly = false) {
  testing_support::TempDir dir;
  testing_support::WriteWav(dir.File("in.wav"), format, samples);
  if (end < 0) end = int64_t(samples.size()) / format.channels - 1;
  RangeRequest request{dir.File("in.wav"), dir.File("out.wav"), start, end, leftOnly, rightOnly};
  EngineOutput out;
  out.result = engine(request, out.progress);
  out.wav = testing_support::ReadWav(dir.File("out.wav"));
  return out;
}

inline std::vector<int32_t> Processed(const AudioFormat& format, const std::vector<int32_t>& samples,
                                const RangeEngine& engine, int64_t start = 0, int64_t end = -1,
                                bool leftOnly = false, bool rightOnly = false) {
  return RunEngine(format, samples, engine, start, end, leftOnly, rightOnly).wav.samples;
}

constexpr AudioFormat kMono8{11025, 8, 1}, kMono16{11025, 16, 1}, kStereo8{22050, 8, 2},
    kStereo16{44100, 16, 2};

}  // namespace tonemill
