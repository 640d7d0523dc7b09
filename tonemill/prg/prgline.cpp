#include "prgline.h"

#include "tonemill/files/notes.h"
#include "tonemill/files/numbers.h"

#include <algorithm>
#include <climits>
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
bool IsSampleName(const std::string& name) {
  return !name.empty() && name.size() <= 8 &&
         std::none_of(name.begin(), name.end(),
                      [](char c) { return static_cast<unsigned char>(c) < 32 || c == 127; });
}

// The song list carries reals with two decimals: a looped release must still fall there.
bool NegativeAsWritten(double value) { return FormatFixed(value, 2)[0] == '-'; }

struct IntegerBounds {
  const char* message;
  int32_t PrgLine::*field;
  int32_t minimum, maximum;
};

constexpr IntegerBounds kSoundIntegers[] = {
    {"Illegal base volume.", &PrgLine::baseVolume, 1, kMaxBaseVolume},
    {"Illegal base panpot.", &PrgLine::basePan, 0, 127},
    {"Illegal velocity sensitivity.", &PrgLine::velocitySensitivity, -100, 100},
    {"Illegal pressure sensitivity.", &PrgLine::pressureSensitivity, -100, 100},
    {"Illegal expression sensitivity.", &PrgLine::expressionSensitivity, -100, 100},
    {"Illegal release sensitivity.", &PrgLine::releaseSensitivity, -100, 100},
    {"Illegal pitch bend range.", &PrgLine::bendRange, 0, 127},
    {"Illegal modulation sensitivity.", &PrgLine::modulationSensitivity, 0, 100},
    {"Illegal modulation rate.", &PrgLine::modulationRate, 0, 100},
};

struct RealBounds {
  const char* message;
  double PrgLine::*field;
  double minimum;
};

constexpr RealBounds kReals[] = {
    {"Illegal attack factor.", &PrgLine::attackFactor, 0},
    {"Illegal decay factor.", &PrgLine::decayFactor, 0},
    {"Illegal sustain slope.", &PrgLine::sustainSlope, -kMaxRealMagnitude},
    {"Illegal release slope.", &PrgLine::releaseSlope, -kMaxRealMagnitude},
};

}  // namespace

PrgLineReading ReadPrgLine(std::string_view text) {
  PrgLineReading result;
  size_t pos = 0;
  while (pos < text.size() && text[pos] == ' ') ++pos;
  if (text.empty() || (pos < text.size() && text[pos] == '#')) return result;
  auto fail = [&](const char* message) {
    result.kind = PrgLineReading::Kind::Error;
    result.message = message;
    return result;
  };
  PrgLine& l = result.line;

  // 1. Key range.
  const char* const keyRange = "Illegal key range code.";
  const int low = ReadKeyCode(text, pos, true);
  if (low < 0 || low > 127) return fail(keyRange);
  int high = low;
  if (pos < text.size() && text[pos] == '-') {
    ++pos;
    high = ReadKeyCode(text, pos, true);
    if (high < 0 || high > 127 || high < low) return fail(keyRange);
  }
  l.keyLow = low;
  l.keyHigh = high;
  ++pos;  // the character after the key range
  while (pos < text.size() && text[pos] == ' ') ++pos;

  // 2. Sample name.
  l.wavName = NextField(text, pos);
  if (l.wavName.empty()) return fail("WAV filename missing.");
  if (!IsSampleName(l.wavName)) return fail("Illegal WAV filename.");

  // 3. Base key: the note name runs up to the first digit, blanks included. The song list
  // takes base keys up to g10 only.
  {
    const std::string field = NextField(text, pos);
    size_t inField = 0;
    const int base = ReadKeyCode(field, inField, false);
    if (base < 0 || base > 127 || inField != field.size()) return fail("Illegal base key code.");
    l.baseKey = base;
  }

  // 4. Fields 4 to 12, each tested on its full value.
  for (const IntegerBounds& b : kSoundIntegers) {
    const std::optional<int> v = ParseIntegerField(NextField(text, pos));
    if (!v || *v < b.minimum || *v > b.maximum) return fail(b.message);
    l.*b.field = *v;
  }

  // 5. The four reals.
  for (const RealBounds& b : kReals) {
    const std::optional<double> v = ParseRealField(NextField(text, pos));
    if (!v || *v < b.minimum || *v > kMaxRealMagnitude) return fail(b.message);
    l.*b.field = *v;
  }

  // 6. Lengths and sample positions.
  auto integer = [&](int32_t& target) {
    const std::optional<int> v = ParseIntegerField(NextField(text, pos));
    if (v) target = *v;
    return v.has_value();
  };
  if (!integer(l.attackLength) || l.attackLength < 0 || l.attackLength > kMaxEnvelopeLength)
    return fail("Illegal attack length.");
  if (!integer(l.decayLength) || l.decayLength < 0 || l.decayLength > kMaxEnvelopeLength)
    return fail("Illegal decay length.");
  if (!integer(l.startSample) || l.startSample < 0) return fail("Illegal start position.");
  if (!integer(l.endSample) || l.endSample < l.startSample) return fail("Illegal end position.");
  if (!integer(l.loopStart)) return fail("Illegal loop start position.");
  if (l.loopStart < 0)
    l.loopStart = -1;
  else if (l.loopStart < l.startSample || l.loopStart > l.endSample)
    return fail("Illegal loop start position.");
  if (!integer(l.loopEnd)) return fail("Illegal loop end position.");
  if (l.loopEnd < 0)
    l.loopEnd = -1;
  else if (l.loopEnd < l.loopStart || l.loopEnd > l.endSample)
    return fail("Illegal loop end position.");
  if (l.loopEnd >= 0 && !NegativeAsWritten(l.releaseSlope)) return fail("Illegal release slope.");

  // 7. The sample file's format, for the editor only.
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
  auto field = [&](const std::string& text) { out.append(text).push_back(' '); };
  field(KeyRangeText(l.keyLow, l.keyHigh));
  field(l.wavName);
  field(KeyName(l.baseKey));
  for (const IntegerBounds& b : kSoundIntegers) field(std::to_string(l.*b.field));
  for (const RealBounds& b : kReals) field(FormatFixed(l.*b.field, 2));
  for (int32_t v : {l.attackLength, l.decayLength, l.startSample, l.endSample, l.loopStart,
                    l.loopEnd, l.bits, l.channels, l.rate})
    field(std::to_string(v));
  return out;
}

std::string CommentLine(const std::string& text) {
  if (!text.empty() && text[0] == '#') return text;
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

}  // namespace tonemill
