#include "prgtable.h"

#include "platform/filesystem.h"
#include "tonemill/files/paths.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <tuple>

namespace tonemill {
namespace {

auto SoundFields(const PrgLine& e) {
  return std::tie(e.wavName, e.baseVolume, e.basePan, e.velocitySensitivity,
                  e.pressureSensitivity, e.expressionSensitivity, e.releaseSensitivity,
                  e.bendRange, e.modulationSensitivity, e.modulationRate, e.attackFactor,
                  e.decayFactor, e.sustainSlope, e.releaseSlope, e.attackLength, e.decayLength,
                  e.startSample, e.endSample, e.loopStart, e.loopEnd);
}

}  // namespace

bool SameSound(const PrgLine& a, const PrgLine& b) {
  return a.baseKey == b.baseKey && SameInstrument(a, b);
}

bool SameInstrument(const PrgLine& a, const PrgLine& b) { return SoundFields(a) == SoundFields(b); }

void PRGtable::Add(const PrgLine& entry) {
  for (int key = entry.keyLow; key <= entry.keyHigh; ++key) {
    uint8_t& n = count[size_t(key)];
    if (n < kLayers) entries[size_t(key)][n++] = entry;
  }
}

bool HoldsPrgFiles(const std::string& directory) {
  std::error_code error;
  for (std::filesystem::directory_iterator it(directory, error), end; !error && it != end; it.increment(error)) {
    std::string name = it->path().filename().string();
    for (char& c : name) c = char(std::toupper(static_cast<unsigned char>(c)));
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".PRG") == 0) return true;
  }
  return false;
}

std::string PrgFileName(const std::string& prgDirectory, int program, bool drum) {
  return platform::NativePath(WithBackslash(prgDirectory) + (drum ? "D" : "") +
                              std::to_string(program) + ".PRG");
}

std::string PrgLoad::Message() const {
  switch (status) {
    case Status::Loaded: return "";
    case Status::NotFound: return "PRG file " + fileName + " " + "not found.";
    case Status::BadLine:
      return "PRG " + fileName + ", line #" + std::to_string(line) + ": " + fieldMessage;
  }
  return "";
}

PrgLoad LoadPRG(const std::string& prgDirectory, int program, bool drum) {
  PrgLoad load;
  load.fileName = PrgFileName(prgDirectory, program, drum);
  std::ifstream in(platform::FindFileIgnoringCase(load.fileName), std::ios::binary);
  if (!in) {
    load.status = PrgLoad::Status::NotFound;
    return load;
  }
  auto table = std::make_shared<PRGtable>();
  std::string text;
  int number = 0;
  while (std::getline(in, text)) {
    ++number;
    if (!text.empty() && text.back() == '\r') text.pop_back();
    const PrgLineReading line = ReadPrgLine(text);
    if (line.kind == PrgLineReading::Kind::Error) {
      load.status = PrgLoad::Status::BadLine;
      load.line = number;
      load.fieldMessage = line.message;
      return load;
    }
    if (line.kind == PrgLineReading::Kind::Definition) table->Add(line.line);
  }
  load.table = std::move(table);
  return load;
}

}  // namespace tonemill
