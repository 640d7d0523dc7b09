#include "prgline.h"

#include "tonemill/files/notes.h"
#include "tonemill/files/numbers.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <optional>

namespace tonemill {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A key code at `pos`: a note name up to the first digit (or blank, when `blankEndsName`),
// then octave digits. Returns the key, or -1 when the name is unknown, no digit follows or the
// octave is above 10; keys up to 131 ("b10") come back as they are.
int ReadKeyCode(std::string_view line, size_t& pos, bool blankEndsName) {
  size_t nameEnd = pos;
  while (nameEnd < line.size() && !IsDigit(line[nameEnd]) &&
         !(blankEndsName && line[nameEnd] == ' '))
    ++nameEnd;
  if (nameEnd >= line.size() || !IsDigit(line[nameEnd])) return -1;
  const std::string_view name = line.substr(pos, nameEnd - pos);
  const int note = name.size() <= 2 ? NoteIndex(std::string(name)) : -1;
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
std::string NextField(std::string_view line, size_t& pos) {
  if (pos >= line.size()) {
    pos = line.size() + 1;
    return "";
  }
  size_t end = line.find(' ', pos);
  if (end == std::string_view::npos) end = line.size();
  std::string field(line.substr(pos, end - pos));
  pos = end + 1;
  return field;
}

// Control characters in a sample name would end or split the song list's instrument line.
bool IsSampleName(std::string_view name) {
  return !name.empty() && name.size() <= 8 &&
         std::none_of(name.begin(), name.end(),
                      [](char c) { return static_cast<unsigned char>(c) < 32 || c == 127; });
}

// The song list carries reals with two decimals: a looped release must still fall there.
bool NegativeAsWritten(double value) { return FormatFixed(value, 2)[0] == '-'; }

struct FieldSpec {
  const char* converterMessage;
  int32_t PrgLine::*integer;  // or
  double PrgLine::*real;
  double minimum, maximum;
};

constexpr double kInt32Min = INT32_MIN, kInt32Max = INT32_MAX;

// In the order of PrgField.
constexpr FieldSpec kFields[kPrgFieldCount] = {
    {"Illegal key range code.", nullptr, nullptr, 0, 0},
    {"Illegal WAV filename.", nullptr, nullptr, 0, 0},
    {"Illegal base key code.", nullptr, nullptr, 0, 0},
    {"Illegal base volume.", &PrgLine::baseVolume, nullptr, 1, kMaxBaseVolume},
    {"Illegal base panpot.", &PrgLine::basePan, nullptr, 0, 127},
    {"Illegal velocity sensitivity.", &PrgLine::velocitySensitivity, nullptr, -100, 100},
    {"Illegal pressure sensitivity.", &PrgLine::pressureSensitivity, nullptr, -100, 100},
    {"Illegal expression sensitivity.", &PrgLine::expressionSensitivity, nullptr, -100, 100},
    {"Illegal release sensitivity.", &PrgLine::releaseSensitivity, nullptr, -100, 100},
    {"Illegal pitch bend range.", &PrgLine::bendRange, nullptr, 0, 127},
    {"Illegal modulation sensitivity.", &PrgLine::modulationSensitivity, nullptr, 0, 100},
    {"Illegal modulation rate.", &PrgLine::modulationRate, nullptr, 0, 100},
    {"Illegal attack factor.", nullptr, &PrgLine::attackFactor, 0, kMaxRealMagnitude},
    {"Illegal decay factor.", nullptr, &PrgLine::decayFactor, 0, kMaxRealMagnitude},
    {"Illegal sustain slope.", nullptr, &PrgLine::sustainSlope, -kMaxRealMagnitude,
     kMaxRealMagnitude},
    {"Illegal release slope.", nullptr, &PrgLine::releaseSlope, -kMaxRealMagnitude,
     kMaxRealMagnitude},
    {"Illegal attack length.", &PrgLine::attackLength, nullptr, 0, kMaxEnvelopeLength},
    {"Illegal decay length.", &PrgLine::decayLength, nullptr, 0, kMaxEnvelopeLength},
    {"Illegal start position.", &PrgLine::startSample, nullptr, 0, kInt32Max},
    {"Illegal end position.", &PrgLine::endSample, nullptr, kInt32Min, kInt32Max},
    {"Illegal loop start position.", &PrgLine::loopStart, nullptr, kInt32Min, kInt32Max},
    {"Illegal loop end position.", &PrgLine::loopEnd, nullptr, kInt32Min, kInt32Max},
    {"", &PrgLine::bits, nullptr, kInt32Min, kInt32Max},
    {"", &PrgLine::channels, nullptr, kInt32Min, kInt32Max},
    {"", &PrgLine::rate, nullptr, kInt32Min, kInt32Max},
};

const FieldSpec& Spec(PrgField field) { return kFields[int(field)]; }

bool ReadInteger(const FieldSpec& spec, const std::string& text, NumberReading reading,
                 bool negativeMeansNone, int32_t& target) {
  if (std::optional<int> exact = ParseIntegerField(text)) {
    if (*exact < spec.minimum || *exact > spec.maximum) return false;
    target = *exact;
    return true;
  }
  if (reading == NumberReading::Exact) return false;
  const std::optional<double> value = ParseRealField(text);
  if (!value || *value < spec.minimum || *value > spec.maximum) return false;
  // -0.4 for a loop point still says "no loop", not frame 0.
  target = negativeMeansNone && *value < 0 ? -1 : int32_t(std::lround(*value));
  return true;
}

bool ReadReal(const FieldSpec& spec, const std::string& text, NumberReading reading,
              double& target) {
  std::optional<double> value = ParseRealField(text);
  if (!value || *value < spec.minimum || *value > spec.maximum) return false;
  if (reading == NumberReading::Rounded) value = ParseRealField(FormatFixed(*value, 2));
  target = *value;
  return true;
}

}  // namespace

bool ReadPrgField(PrgField field, std::string_view text, NumberReading reading, PrgLine& line) {
  switch (field) {
    case PrgField::KeyRange: {
      size_t pos = 0;
      const int low = ReadKeyCode(text, pos, true);
      if (low < 0 || low > 127) return false;
      int high = low;
      if (pos < text.size() && text[pos] == '-') {
        ++pos;
        high = ReadKeyCode(text, pos, true);
        if (high < low || high > 127) return false;
      }
      if (pos != text.size()) return false;
      line.keyLow = low;
      line.keyHigh = high;
      return true;
    }
    case PrgField::WavFile:
      if (!IsSampleName(text)) return false;
      line.wavName = std::string(text);
      return true;
    case PrgField::BaseKey: {
      // The note name runs up to the first digit, blanks included. The song list takes base
      // keys up to g10 only.
      size_t pos = 0;
      const int base = ReadKeyCode(text, pos, false);
      if (base < 0 || base > 127 || pos != text.size()) return false;
      line.baseKey = base;
      return true;
    }
    default: break;
  }
  const FieldSpec& spec = Spec(field);
  if (spec.real) return ReadReal(spec, std::string(text), reading, line.*spec.real);
  return ReadInteger(spec, std::string(text), reading,
                     field == PrgField::LoopStart || field == PrgField::LoopEnd,
                     line.*spec.integer);
}

bool FitsEarlierFields(PrgField field, PrgLine& l) {
  switch (field) {
    case PrgField::EndSample: return l.endSample >= l.startSample;
    case PrgField::LoopStart:
      if (l.loopStart < 0) {
        l.loopStart = -1;
        return true;
      }
      return l.loopStart >= l.startSample && l.loopStart <= l.endSample;
    case PrgField::LoopEnd:
      if (l.loopEnd < 0) {
        l.loopEnd = -1;
        return true;
      }
      return l.loopEnd >= l.loopStart && l.loopEnd <= l.endSample;
    default: return true;
  }
}

bool LoopedReleaseIsNegative(const PrgLine& l) {
  return l.loopEnd < 0 || NegativeAsWritten(l.releaseSlope);
}

const char* ConverterMessage(PrgField field) { return Spec(field).converterMessage; }

std::string PrgFieldText(const PrgLine& l, PrgField field) {
  switch (field) {
    case PrgField::KeyRange: return KeyRangeText(l.keyLow, l.keyHigh);
    case PrgField::WavFile: return l.wavName;
    case PrgField::BaseKey: return KeyName(l.baseKey);
    default: break;
  }
  const FieldSpec& spec = Spec(field);
  return spec.real ? FormatFixed(l.*spec.real, 2) : std::to_string(l.*spec.integer);
}

PrgLineReading ReadPrgLine(std::string_view text) {
  PrgLineReading result;
  size_t pos = 0;
  while (pos < text.size() && text[pos] == ' ') ++pos;
  if (text.empty() || (pos < text.size() && text[pos] == '#')) return result;
  auto fail = [&](PrgField field) {
    result.kind = PrgLineReading::Kind::Error;
    result.message = ConverterMessage(field);
    return result;
  };
  PrgLine& l = result.line;

  // 1. Key range, read in place: one character after it is skipped, then any blanks.
  const int low = ReadKeyCode(text, pos, true);
  if (low < 0 || low > 127) return fail(PrgField::KeyRange);
  int high = low;
  if (pos < text.size() && text[pos] == '-') {
    ++pos;
    high = ReadKeyCode(text, pos, true);
    if (high < 0 || high > 127 || high < low) return fail(PrgField::KeyRange);
  }
  l.keyLow = low;
  l.keyHigh = high;
  ++pos;
  while (pos < text.size() && text[pos] == ' ') ++pos;

  // 2. Sample name.
  const std::string name = NextField(text, pos);
  if (name.empty()) {
    result.kind = PrgLineReading::Kind::Error;
    result.message = "WAV filename missing.";
    return result;
  }
  if (!ReadPrgField(PrgField::WavFile, name, NumberReading::Exact, l))
    return fail(PrgField::WavFile);

  // 3. Base key to loop end, each one character after the blank that ended the one before.
  for (int f = int(PrgField::BaseKey); f <= int(PrgField::LoopEnd); ++f) {
    const PrgField field = PrgField(f);
    if (!ReadPrgField(field, NextField(text, pos), NumberReading::Exact, l) ||
        !FitsEarlierFields(field, l))
      return fail(field);
  }
  if (!LoopedReleaseIsNegative(l)) return fail(PrgField::ReleaseSlope);

  // 4. The sample file's format, for the editor only: taken when there as integers.
  for (int32_t* f : {&l.bits, &l.channels, &l.rate}) {
    const std::optional<int> v = ParseIntegerField(NextField(text, pos));
    if (!v) break;
    *f = *v;
  }

  result.kind = PrgLineReading::Kind::Definition;
  return result;
}

std::string KeyRangeText(int low, int high) {
  return low == high ? KeyName(low) : KeyName(low) + "-" + KeyName(high);
}

std::string FormatPrgLine(const PrgLine& l) {
  std::string out;
  for (int f = 0; f < kPrgFieldCount; ++f) out.append(PrgFieldText(l, PrgField(f))).push_back(' ');
  return out;
}

std::string CommentLine(const std::string& text) {
  const size_t first = text.find_first_not_of(' ');
  if (first != std::string::npos && text[first] == '#') return text;
  if (!text.empty() && text[0] == ' ') return "#" + text;
  return "# " + text;
}

std::string FormatPrgFile(const std::vector<std::string>& comments,
                          const std::vector<PrgLine>& lines) {
  std::string out;
  for (const std::string& c : comments) out += CommentLine(c) + "\r\n";
  for (const PrgLine& l : lines) out += FormatPrgLine(l) + "\r\n";
  return out;
}

namespace {

void AppendField(std::string& out, const std::string& text) {
  out += text;
  out += ' ';
}

}  // namespace

std::string InstrumentLine(const PrgLine& e) {
  std::string line;
  AppendField(line, e.wavName);
  for (int32_t v : {e.baseKey, e.baseVolume, e.basePan, e.velocitySensitivity,
                    e.pressureSensitivity, e.expressionSensitivity, e.releaseSensitivity,
                    e.bendRange, e.modulationSensitivity, e.modulationRate})
    AppendField(line, std::to_string(v));
  for (double v : {e.attackFactor, e.decayFactor, e.sustainSlope, e.releaseSlope})
    AppendField(line, FormatFixed(v, 2));
  for (int32_t v : {e.attackLength, e.decayLength, e.startSample, e.endSample, e.loopStart,
                    e.loopEnd})
    AppendField(line, std::to_string(v));
  return line;
}

}  // namespace tonemill
