// The loudness figures as the command line reports them, shared by `loudness` and `wavscan`.
#pragma once

#include "tonemill/wave/loudness.h"

#include <string>

namespace tonemill::cli {

// The text lines: "Loudness  -14.0 LUFS, range 5.2 LU" and "True peak -1.0 dBTP".
void PrintLoudnessLines(const LoudnessFigures& figures);
// `"integratedLufs": -14.0, "loudnessRangeLu": 5.2, "truePeakDbtp": -1.0` (null for -inf).
std::string LoudnessJsonFields(const LoudnessFigures& figures);

}  // namespace tonemill::cli
