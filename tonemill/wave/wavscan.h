// The statistics scan: per channel the smallest and largest raw sample, the sum of squares of
// the centred samples and the saturated samples, in one pass over the data; and the figures
// the "WAV Scan" dialog shows from them.
#pragma once

#include "tonemill/files/problem.h"
#include "tonemill/files/progress.h"

#include <cstdint>
#include <optional>
#include <string>

namespace tonemill {

// Raw samples: 8-bit as stored, 0..255; wider ones signed (floats as 32-bit integers).
struct WavStats {
  int32_t MinLeft = 0, MaxLeft = 0, MinRight = 0, MaxRight = 0;
  int32_t SatLeft = 0, SatRight = 0;
  long double SumSqLeft = 0, SumSqRight = 0;
};

// What the scan learns from the header before it starts.
struct ScanSetup {
  std::string name;
  int32_t bits = 16, rate = 0, channels = 1;
  bool isFloat = false;
  int64_t dataSize = 0;    // the limit of the progress counter
  int64_t samples = 0;     // frames: data size div bytes per frame
  double durationMs = 0;   // (1000 ÷ rate) × samples
  double framesPerByte = 1;
  double fullScale = 32768;  // 2^(bits - 1); 2^31 for floats
  std::string minSuffix, maxSuffix;  // "/0" "/255", "/-32768" "/32767", ... the width's limits
};

// The dialog's first step: the header check with the scan's messages ("Can't find WAV file ",
// "Premature end of WAV file ", "Not a WAV file: ", "Unsupported WAV format in "), the setup,
// and the statistics preset (minimum and maximum 127 for 8 bits, 32767 for 16). Any positive
// rate is scanned; a sample size other than 8 or 16 bits is refused with "Unsupported sample
// size (N bits) in WAV file ", and a rate of 0 or below with "Unsupported sampling rate (N Hz)
// in WAV file ", since the figures would be wrong; a data chunk of 2 GB or more with "Data of
// NAME too large to process".
std::optional<Problem> PrepareScan(const std::string& name, ScanSetup& setup, WavStats& stats);

struct ScanResult {
  bool cancelled = false;
  bool endsEarly = false;  // the file ends before the data chunk does: "Premature end of WAV file "
  int64_t scannedBytes = 0;  // what the statistics cover (a cancel leaves the counter past it)
};

// Scans the whole frames of the data. `progress` counts bytes up to the data size; a cancel
// stops the scan and keeps what was gathered.
ScanResult ScanWav(const ScanSetup& setup, WavStats& stats, Progress& progress);

// The dialog's figures for one channel, from the statistics and the bytes scanned so far.
struct ChannelFigures {
  std::string minimum, maximum;  // with the suffix: "12/0"
  double rms = 0;                // √(sum of squares ÷ n), n the frames scanned (at least 1)
  std::string rmsText;           // two decimals
  int32_t rmsGauge = 0;          // Trunc(RMS ÷ full scale × 100)
  int32_t saturated = 0;
  double saturatedPercent = 0;   // count ÷ n × 100
  int32_t saturationGauge = 0;   // its Trunc
};
struct ScanFigures {
  int32_t progressGauge = 0;  // Trunc(progress ÷ limit × 100)
  double frames = 1;          // n
  ChannelFigures left, right;  // right only for two channels
};
ScanFigures FiguresOf(const ScanSetup& setup, const WavStats& stats, int64_t progress);

}  // namespace tonemill
