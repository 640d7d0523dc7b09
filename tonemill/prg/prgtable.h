// PRG instrument files as the MIDI converter reads them: one definition line per key range,
// mapping keys to a WAV sample with its synthesis parameters, parsed into a PRGtable of up to
// six entries (layers) per key.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace tonemill {

// Fields 1 to 22 of a definition line.
struct PrgEntry {
  uint8_t lowKey = 0, highKey = 0;
  std::array<char, 9> wavName{};  // up to 8 characters, NUL-terminated
  uint8_t baseKey = 0;            // up to 131 ("b10")
  int32_t baseVolume = 0;
  uint8_t basePan = 0;
  int8_t velocitySensitivity = 0, pressureSensitivity = 0, expressionSensitivity = 0,
         releaseSensitivity = 0;
  uint8_t bendRange = 0, modulationSensitivity = 0, modulationRate = 0;
  double attackFactor = 0, decayFactor = 0, sustainSlope = 0, releaseSlope = 0;
  int32_t attackLength = 0, decayLength = 0, startSample = 0, endSample = 0;
  int32_t loopStart = -1, loopEnd = -1;  // -1: no loop

  std::string WavName() const { return wavName.data(); }
};

// Fields 2 to 22 equal, base key included: the same sound of the same line.
bool SameSound(const PrgEntry& a, const PrgEntry& b);
// Everything but the base key (and the key range): the same instrument, possibly transposed.
bool SameInstrument(const PrgEntry& a, const PrgEntry& b);

struct PRGtable {
  static constexpr int kLayers = 6;
  std::array<uint8_t, 128> count{};
  std::array<std::array<PrgEntry, kLayers>, 128> entries{};

  // Adds the entry to every key of its range that has room.
  void Add(const PrgEntry& entry);
};

// The outcome of reading one line: nothing (empty or comment), an entry, or the field message.
struct PrgLine {
  enum class Kind { Nothing, Entry, Error } kind = Kind::Nothing;
  PrgEntry entry;
  const char* message = "";
};
PrgLine ParsePrgLine(const std::string& line);

// "p.PRG" or "Dp.PRG" in the PRG directory, as the messages show it.
std::string PrgFileName(const std::string& prgDirectory, int program, bool drum);

struct PrgLoad {
  enum class Status { Loaded, NotFound, BadLine } status = Status::Loaded;
  std::shared_ptr<const PRGtable> table;
  std::string fileName;  // the constructed name
  int line = 0;          // of a bad line, counted from 1
  std::string fieldMessage;

  // "PRG file NAME not found." or "PRG NAME, line #N: field message"; empty when loaded.
  std::string Message() const;
};
// Reads the file to its end or to its first bad line. A file whose exact name is missing is
// found in its directory ignoring case.
PrgLoad LoadPRG(const std::string& prgDirectory, int program, bool drum);

}  // namespace tonemill
