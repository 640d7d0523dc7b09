// One definition line of a PRG instrument file: the model that the converter reads and that
// the importer and the PRG editor write. Reading, the bounds of every field and formatting
// live here together, so that a written line reads back to the same values.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tonemill {

// Fields 1 to 25. The converter uses fields 1 to 22; bits, channels and rate describe the
// sample file for the editor and are never a reason to refuse a line.
struct PrgLine {
  int32_t keyLow = 0, keyHigh = 0;
  std::string wavName;  // ".WAV" implied
  int32_t baseKey = 60;
  int32_t baseVolume = 64;
  int32_t basePan = 64;
  int32_t velocitySensitivity = 0, pressureSensitivity = 0, expressionSensitivity = 0,
          releaseSensitivity = 0;
  int32_t bendRange = 2, modulationSensitivity = 0, modulationRate = 0;
  double attackFactor = 1, decayFactor = 1, sustainSlope = 0, releaseSlope = 0;
  int32_t attackLength = 0, decayLength = 0;
  int32_t startSample = 0, endSample = 0;
  int32_t loopStart = -1, loopEnd = -1;  // -1: no loop
  int32_t bits = 16, channels = 1, rate = 44100;

  bool operator==(const PrgLine&) const = default;
};

// Bounds beyond the format's own ranges: far past any real instrument, and inside what the
// song list that the converter writes from a line may hold (the renderer's field ranges, and
// instrument lines well under 255 characters).
inline constexpr int32_t kMaxBaseVolume = 10'000'000;
inline constexpr double kMaxRealMagnitude = 1'000'000;  // factors and slopes
inline constexpr int32_t kMaxEnvelopeLength = 1'000'000'000;  // milliseconds

// The outcome of reading one line: nothing (empty or comment), a definition, or the message
// of the first failing field.
struct PrgLineReading {
  enum class Kind { Nothing, Definition, Error } kind = Kind::Nothing;
  PrgLine line;
  const char* message = "";
};
// Reads a line without its line end. Fields 23 to 25 are taken when they are there as
// integers.
PrgLineReading ReadPrgLine(std::string_view text);

// "c4" or "c4-g5".
std::string KeyRangeText(int low, int high);

// The editor's form: the 25 fields, each followed by one blank, reals with two decimals; no
// line end.
std::string FormatPrgLine(const PrgLine& line);

// A comment line as the editor writes it: unchanged when it starts with "#", with "#" in front
// when it starts with a blank, and with "# " in front otherwise.
std::string CommentLine(const std::string& text);

// A whole file: the comment lines, then the definition lines, each line ending in CR LF.
std::string FormatPrgFile(const std::vector<std::string>& comments,
                          const std::vector<PrgLine>& lines);

}  // namespace tonemill
