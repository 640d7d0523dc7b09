// PRG definition lines as the PRG editor writes them: 25 fields, each followed by one blank,
// CR LF at the end; reals with two decimals.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tonemill::soundfont {

struct PrgLine {
  int keyLow = 0, keyHigh = 0;
  std::string wavName;
  int baseKey = 60;
  int32_t baseVolume = 64;
  int basePan = 64;
  int velocitySensitivity = 0, pressureSensitivity = 0, expressionSensitivity = 0,
      releaseSensitivity = 0, bendRange = 2, modulationSensitivity = 0, modulationRate = 0;
  double attackFactor = 1, decayFactor = 1, sustainSlope = 0, releaseSlope = 0;
  int32_t attackLength = 0, decayLength = 0;
  int32_t startSample = 0, endSample = 0, loopStart = -1, loopEnd = -1;
  int bits = 16, channels = 1, rate = 44100;
};

// "c4" or "c4-g5".
std::string KeyRangeText(int low, int high);

// One definition line, CR LF included.
std::string FormatPrgLine(const PrgLine& line);

// A whole file: each comment line gets "# " in front; then the definition lines.
std::string FormatPrgFile(const std::vector<std::string>& comments, const std::vector<PrgLine>& lines);

}  // namespace tonemill::soundfont
