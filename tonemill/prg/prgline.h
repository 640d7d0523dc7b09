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

// The 25 fields of a definition line, in the order the file holds them.
enum class PrgField {
  KeyRange, WavFile, BaseKey, BaseVolume, BasePan, VelocitySens, PressureSens, ExpressionSens,
  ReleaseSens, BendRange, ModulationSens, ModulationRate, Attack, Decay, SustainSlope,
  ReleaseSlope, AttackLength, DecayLength, StartSample, EndSample, LoopStart, LoopEnd, Bits,
  Channels, Rate
};
inline constexpr int kPrgFieldCount = 25;

// How a number is read. The converter takes integers as they are written; the editor reads
// every number as a real, tests that value against the field's range and rounds an integer
// field half away from zero (reals are kept as their two-decimal form).
enum class NumberReading { Exact, Rounded };

// Reads one field's text (a token without blanks) into `line`, testing it against the range of
// the field alone: a key range "c4" or "c4-g5" with keys up to g10, a sample name of 1 to 8
// characters without control characters, a base key c0 to g10, the numbers. False, with the
// field unchanged, when the text is no value of the field.
bool ReadPrgField(PrgField field, std::string_view text, NumberReading reading, PrgLine& line);

// The rule a field keeps with the fields before it: the end sample not below the start, a loop
// point negative (then stored as -1) or within its bounds (loop start between start and end,
// loop end between the stored loop start and the end). True for fields without such a rule.
bool FitsEarlierFields(PrgField field, PrgLine& line);

// A looped line (loop end 0 or more) needs a release slope that is negative as written.
bool LoopedReleaseIsNegative(const PrgLine& line);

// The converter's message for a field that fails ("Illegal base panpot.").
const char* ConverterMessage(PrgField field);

// One field in the editor's form (as FormatPrgLine writes it, without the blank).
std::string PrgFieldText(const PrgLine& line, PrgField field);

// "c4" or "c4-g5".
std::string KeyRangeText(int low, int high);

// The editor's form: the 25 fields, each followed by one blank, reals with two decimals; no
// line end.
std::string FormatPrgLine(const PrgLine& line);

// A comment line as the editor writes it: unchanged when its first non-blank character is "#"
// (so a comment read from a file goes back as it was), with "#" in front when it starts with a
// blank, and with "# " in front otherwise.
std::string CommentLine(const std::string& text);

// A whole file: the comment lines, then the definition lines, each line ending in CR LF.
std::string FormatPrgFile(const std::vector<std::string>& comments,
                          const std::vector<PrgLine>& lines);

// The instrument line of a song list: each field followed by one blank, reals with two
// decimals.
std::string InstrumentLine(const PrgLine& entry);

}  // namespace tonemill
