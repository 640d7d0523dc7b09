#include "prgtable.h"

#include "platform/filesystem.h"
#include "tonemill/files/notes.h"
#include "tonemill/files/numbers.h"
#include "tonemill/files/paths.h"

#include <climits>
#include <cstring>
#include <fstream>
#include <optional>
#include <tuple>

namespace tonemill {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

auto SoundFields(const PrgEntry& e) {
  return std::tie(e.baseVolume, e.basePan, e.velocitySensitivity, e.pressureSensitivity,
                  e.expressionSensitivity, e.releaseSensitivity, e.bendRange,
                  e.modulationSensitivity, e.modulationRate, e.attackFactor, e.decayFactor,
                  e.sustainSlope, e.releaseSlope, e.attackLength, e.decayLength, e.startSample,
                  e.endSample, e.loopStart, e.loopEnd);
}

// A key code at `pos`: a note name up to the first blank or digit, then octave digits.
// Returns the key, or -1 when the name is unknown, no digit follows or the octave is above 10.
int ReadKeyCode(const std::string& line, size_t& pos, bool blankEndsName) {
  size_t nameEnd = pos;
  while (nameEnd < line.size() && !IsDigit(line[nameEnd]) &&
         !(blankEndsName && line[nameEnd] == ' '))
    ++nameEnd;
  if (nameEnd >= line.size() || !IsDigit(line[nameEnd])) return -1;
  const std::string name = line.substr(pos, nameEnd - pos);
  const int note = name.size() <= 2 ? NoteIndex(name) : -1;
  size_t digitsEnd = nameEnd;
  int64_t octave = 0;
  while (digitsEnd < line.size() && IsDigit(line[digitsEnd])) {
    octave = std::min<int64_t>(octave * 10 + (line[digitsEnd] - '0'), 1000);
    ++digitsEnd;
  }
  pos = digitsEnd;
  if (note < 0 || octave > 10) return -1;
  return int(octave) * 12 + note;
}

// The characters from `pos` up to the next blank or the end of the line; `pos` ends one past
// the blank.
std::string NextField(const std::string& line, size_t& pos) {
  if (pos >= line.size()) {
    pos = line.size() + 1;
    return "";
  }
  size_t end = line.find(' ', pos);
  if (end == std::string::npos) end = line.size();
  std::string field = line.substr(pos, end - pos);
  pos = end + 1;
  return field;
}

struct IntegerField {
  const char* message;
  int32_t minimum, maximum;
};

}  // namespace

bool SameSound(const PrgEntry& a, const PrgEntry& b) {
  return a.baseKey == b.baseKey && SameInstrument(a, b);
}

bool SameInstrument(const PrgEntry& a, const PrgEntry& b) {
  return std::strcmp(a.wavName.data(), b.wavName.data()) == 0 && SoundFields(a) == SoundFields(b);
}

void PRGtable::Add(const PrgEntry& entry) {
  for (int key = entry.lowKey; key <= entry.highKey; ++key) {
    uint8_t& n = count[size_t(key)];
    if (n < kLayers) entries[size_t(key)][n++] = entry;
  }
}

PrgLine ParsePrgLine(const std::string& line) {
  PrgLine result;
  size_t pos = 0;
  while (pos < line.size() && line[pos] == ' ') ++pos;
  if (line.empty() || (pos < line.size() && line[pos] == '#')) return result;
  auto fail = [&](const char* message) {
    result.kind = PrgLine::Kind::Error;
    result.message = message;
    return result;
  };
  PrgEntry& e = result.entry;

  // 1. Key range.
  const char* const keyRange = "Illegal key range code.";
  const int low = ReadKeyCode(line, pos, true);
  if (low < 0 || low > 127) return fail(keyRange);
  int high = low;
  if (pos < line.size() && line[pos] == '-') {
    ++pos;
    high = ReadKeyCode(line, pos, true);
    if (high < 0 || high > 127 || high < low) return fail(keyRange);
  }
  e.lowKey = uint8_t(low);
  e.highKey = uint8_t(high);
  ++pos;  // the character after the key range
  while (pos < line.size() && line[pos] == ' ') ++pos;

  // 2. Sample name.
  const std::string wav = NextField(line, pos);
  if (wav.empty()) return fail("WAV filename missing.");
  if (wav.size() > 8) return fail("Illegal WAV filename.");
  std::memcpy(e.wavName.data(), wav.data(), wav.size());

  // 3. Base key: the note name runs up to the first digit, blanks included.
  {
    const std::string field = NextField(line, pos);
    size_t inField = 0;
    const int base = ReadKeyCode(field, inField, false);
    if (base < 0 || inField != field.size()) return fail("Illegal base key code.");
    e.baseKey = uint8_t(base);
  }

  // 4. Fields 4 to 12: integers with their ranges.
  static const IntegerField kIntegers[] = {
      {"Illegal base volume.", 1, INT32_MAX},
      {"Illegal base panpot.", 0, 127},
      {"Illegal velocity sensitivity.", -100, 100},
      {"Illegal pressure sensitivity.", -100, 100},
      {"Illegal expression sensitivity.", -100, 100},
      {"Illegal release sensitivity.", -100, 100},
      {"Illegal pitch bend range.", 0, 127},
      {"Illegal modulation sensitivity.", 0, 100},
      {"Illegal modulation rate.", 0, 100},
  };
  int32_t values[9] = {};
  for (size_t i = 0; i < 9; ++i) {
    std::optional<int> v = ParseIntegerField(NextField(line, pos));
    if (!v || *v < kIntegers[i].minimum || *v > kIntegers[i].maximum)
      return fail(kIntegers[i].message);
    values[i] = *v;
  }
  e.baseVolume = values[0];
  e.basePan = uint8_t(values[1]);
  e.velocitySensitivity = int8_t(values[2]);
  e.pressureSensitivity = int8_t(values[3]);
  e.expressionSensitivity = int8_t(values[4]);
  e.releaseSensitivity = int8_t(values[5]);
  e.bendRange = uint8_t(values[6]);
  e.modulationSensitivity = uint8_t(values[7]);
  e.modulationRate = uint8_t(values[8]);

  // 5. The four reals.
  auto real = [&](double& target, bool nonNegative) {
    std::optional<double> v = ParseRealField(NextField(line, pos));
    if (!v || (nonNegative && *v < 0)) return false;
    target = *v;
    return true;
  };
  if (!real(e.attackFactor, true)) return fail("Illegal attack factor.");
  if (!real(e.decayFactor, true)) return fail("Illegal decay factor.");
  if (!real(e.sustainSlope, false)) return fail("Illegal sustain slope.");
  if (!real(e.releaseSlope, false)) return fail("Illegal release slope.");

  // 6. Lengths and sample positions.
  auto integer = [&](int32_t& target) {
    std::optional<int> v = ParseIntegerField(NextField(line, pos));
    if (v) target = *v;
    return v.has_value();
  };
  if (!integer(e.attackLength) || e.attackLength < 0) return fail("Illegal attack length.");
  if (!integer(e.decayLength) || e.decayLength < 0) return fail("Illegal decay length.");
  if (!integer(e.startSample) || e.startSample < 0) return fail("Illegal start position.");
  if (!integer(e.endSample) || e.endSample < e.startSample) return fail("Illegal end position.");
  if (!integer(e.loopStart)) return fail("Illegal loop start position.");
  if (e.loopStart < 0)
    e.loopStart = -1;
  else if (e.loopStart < e.startSample || e.loopStart > e.endSample)
    return fail("Illegal loop start position.");
  if (!integer(e.loopEnd)) return fail("Illegal loop end position.");
  if (e.loopEnd < 0)
    e.loopEnd = -1;
  else if (e.loopEnd < e.loopStart || e.loopEnd > e.endSample)
    return fail("Illegal loop end position.");
  if (e.loopEnd >= 0 && !(e.releaseSlope < 0)) return fail("Illegal release slope.");

  result.kind = PrgLine::Kind::Entry;
  return result;
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
    PrgLine line = ParsePrgLine(text);
    if (line.kind == PrgLine::Kind::Error) {
      load.status = PrgLoad::Status::BadLine;
      load.line = number;
      load.fieldMessage = line.message;
      return load;
    }
    if (line.kind == PrgLine::Kind::Entry) table->Add(line.entry);
  }
  load.table = std::move(table);
  return load;
}

}  // namespace tonemill
