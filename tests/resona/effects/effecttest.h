// Helpers for the effect tests: files from sample lists, one call of an effect with its
// counters, and the samples of the result.
#pragma once

#include "resona/effects/frame.h"
#include "tests/support/testfiles.h"

#include <functional>
#include <string>
#include <vector>

namespace effecttest {

struct Counters {
  int32_t progress = 0, total = 1;
};

// A call over frames [start, end] of `in` into `out`.
inline resona::effects::EffectCall Call(const std::string& in, const std::string& out,
                                        Counters& counters, int32_t start = 0,
                                        int32_t end = INT32_MAX, int32_t leftOnly = 0,
                                        int32_t rightOnly = 0) {
  resona::effects::EffectCall call;
  call.inFile = in.c_str();
  call.outFile = out.c_str();
  call.startFrame = start;
  call.endFrame = end;
  call.leftOnly = leftOnly;
  call.rightOnly = rightOnly;
  call.progress = &counters.progress;
  call.total = &counters.total;
  return call;
}

// An impulse of `amplitude` at frame `at` in `frames` frames of silence (mono, 16-bit).
inline std::vector<int32_t> Impulse(int frames, int at, int32_t amplitude) {
  std::vector<int32_t> s(size_t(frames), 0);
  s[size_t(at)] = amplitude;
  return s;
}

// A PCM file of 16, 24 or 32 bits from signed samples (interleaved), and the samples of an
// effect's output of that width.
void WritePcm(const std::string& path, int bits, int rate, int channels, const std::vector<int32_t>& samples);
std::vector<int32_t> ReadPcm(const std::string& path, int bits);

// Random samples of `bits` bits, a tenth of them at full scale.
std::vector<int32_t> RandomSamples(size_t count, int bits, uint32_t seed);

// The library's pump for a test: runs `action` at each pump point.
struct PumpHook {
  explicit PumpHook(std::function<void()> action);
  ~PumpHook();
  std::function<void()> action;
};

}  // namespace effecttest
