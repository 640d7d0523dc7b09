// Loudness as EBU R128 measures it: integrated loudness (LUFS), loudness range (LU) and true
// peak (dBTP) of an audio file, in one streaming pass; and the one gain that brings a file to a
// target loudness under a true-peak ceiling, applied to a WAV file in place.
#pragma once

#include "tonemill/files/problem.h"

#include <optional>
#include <string>

namespace tonemill {

struct LoudnessFigures {
  double integrated = 0;  // LUFS; -inf for silence or a file shorter than one 400 ms block
  double range = 0;       // LU
  double truePeak = 0;    // dBTP (the largest of the channels); -inf for silence
  int64_t frames = 0;
};

// Measures `path`: a WAV file the program's own reader accepts (8 or 16 bits) through it, every
// other file through libsndfile. The problem names the file; memory does not grow with it.
std::optional<Problem> MeasureLoudness(const std::string& path, LoudnessFigures& figures);

// The figures as the reports print them: "-14.0 LUFS", "-inf LUFS".
std::string FormatLoudness(double value, const char* unit);

struct LoudnessTarget {
  double lufs = -14;
  double ceiling = -1;  // dBTP the gain may not push the true peak above
};

struct GainChoice {
  double gainDb = 0;
  // The ceiling kept the gain below the one that reaches the target; `warning` says so.
  bool limited = false;
  // Also set for a file too quiet to measure (no gain then).
  std::string warning;
};

// The gain that reaches the target, or the largest the ceiling allows when that is less.
GainChoice ChooseGain(const LoudnessFigures& figures, const LoudnessTarget& target);

// Multiplies the samples of the WAV file `path` (PCM 8 to 32 bits, float 32 or 64, plain or
// extensible) by `gainDb` in place, rounding to the nearest value and clamping at the width's
// range; the header and other chunks stay as they are.
std::optional<Problem> ApplyGain(const std::string& path, double gainDb);
// Whether ApplyGain takes the file.
bool CanApplyGain(const std::string& path);

}  // namespace tonemill
