// PRG instrument files as the MIDI converter loads them: every definition line adds its entry
// to each key of its range, up to six entries (layers) per key.
#pragma once

#include "prgline.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace tonemill {

// Fields 2 to 22 equal, base key included: the same sound of the same line.
bool SameSound(const PrgLine& a, const PrgLine& b);
// Everything but the base key (and the key range): the same instrument, possibly transposed.
bool SameInstrument(const PrgLine& a, const PrgLine& b);

struct PRGtable {
  static constexpr int kLayers = 6;
  std::array<uint8_t, 128> count{};
  std::array<std::array<PrgLine, kLayers>, 128> entries{};

  // Adds the entry to every key of its range that has room.
  void Add(const PrgLine& entry);
};

// "p.PRG" or "Dp.PRG" in the PRG directory, as the messages show it.
// Whether `directory` holds any PRG file (an instrument set was imported or copied there).
bool HoldsPrgFiles(const std::string& directory);

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
