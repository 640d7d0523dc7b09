#include "lst.h"

#include "status.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>

namespace resona {
namespace {

constexpr size_t kReadBuffer = 88200;

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

void SkipSpace(std::string_view& text) {
  size_t i = 0;
  while (i < text.size() && IsSpace(text[i])) ++i;
  text.remove_prefix(i);
}

// The C library's own "C" locale, so that "%f"-style reals never depend on setlocale().
locale_t CLocale() {
  static locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(0));
  return c;
}

// A line as the C string functions would see it: up to its first NUL.
std::string_view UpToNul(std::string_view line) {
  size_t nul = line.find('\0');
  return nul == std::string_view::npos ? line : line.substr(0, nul);
}

}  // namespace

TextReader::~TextReader() { Close(); }

bool TextReader::Open(const char* path) {
  Close();
  // Non-blocking, so that a FIFO does not wait for a writer; only regular files are lists.
  int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return false;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  fd_ = fd;
  buffer_.resize(kReadBuffer);
  pos_ = end_ = 0;
  return true;
}

void TextReader::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  buffer_.clear();
  buffer_.shrink_to_fit();
  pos_ = end_ = 0;
}

int TextReader::Peek() {
  if (pos_ == end_) {
    if (fd_ < 0) return EOF;
    ssize_t n;
    do {
      n = ::read(fd_, buffer_.data(), buffer_.size());
    } while (n < 0 && errno == EINTR);
    if (n <= 0) return EOF;
    pos_ = 0;
    end_ = size_t(n);
  }
  return static_cast<unsigned char>(buffer_[pos_]);
}

int TextReader::Get() {
  int c = Peek();
  if (c != EOF) ++pos_;
  return c;
}

bool TextReader::ReadLine(std::string& line) {
  line.clear();
  for (;;) {
    int c = Get();
    if (c == EOF) break;
    if (c == '\r' && Peek() == '\n') continue;  // text mode: CR LF reads as LF
    line.push_back(char(c));
    if (c == '\n' || line.size() == kMaxLine) break;
  }
  return !line.empty();
}

bool TextReader::ReadInt(int32_t& value) {
  int c = Peek();
  while (c != EOF && IsSpace(char(c))) {
    Get();
    c = Peek();
  }
  bool negative = false;
  if (c == '+' || c == '-') {
    negative = c == '-';
    Get();
    c = Peek();
  }
  if (c == EOF || !IsDigit(char(c))) return false;
  long long v = 0;
  while (c != EOF && IsDigit(char(c))) {
    if (v <= INT32_MAX) v = v * 10 + (c - '0');
    Get();
    c = Peek();
  }
  if (negative) v = -v;
  value = int32_t(v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : v);
  return true;
}

int32_t CountLines(const char* path) {
  TextReader reader;
  if (!reader.Open(path)) return -1;
  int32_t count = 0;
  std::string line;
  while (reader.ReadLine(line))
    if (!IsBlankLine(line) && count < INT32_MAX) ++count;
  return count;
}

bool ScanInt(std::string_view& text, int32_t& value) {
  std::string_view t = text;
  SkipSpace(t);
  size_t i = 0;
  bool negative = false;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
  if (i >= t.size() || !IsDigit(t[i])) return false;
  long long v = 0;
  for (; i < t.size() && IsDigit(t[i]); ++i)
    if (v <= INT32_MAX) v = v * 10 + (t[i] - '0');
  if (negative) v = -v;
  value = int32_t(v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : v);
  text = t.substr(i);
  return true;
}

bool ScanWord(std::string_view& text, std::string& word) {
  std::string_view t = text;
  SkipSpace(t);
  size_t i = 0;
  while (i < t.size() && !IsSpace(t[i])) ++i;
  if (i == 0) return false;
  word.assign(t.substr(0, i));
  text = t.substr(i);
  return true;
}

bool ScanReal(std::string_view& text, float& value) {
  std::string_view t = text;
  SkipSpace(t);
  char buffer[TextReader::kMaxLine + 1];
  size_t n = std::min(t.size(), sizeof buffer - 1);
  std::memcpy(buffer, t.data(), n);
  buffer[n] = '\0';
  char* end = nullptr;
  float v = strtof_l(buffer, &end, CLocale());
  if (end == buffer) return false;
  value = v;
  text = t.substr(size_t(end - buffer));
  return true;
}

int32_t ParseInstrumentLine(std::string_view line, InstrumentLine& inst, bool first) {
  std::string_view t = UpToNul(line);
  // Scan in field order; the index of the first field that could not be converted decides
  // the status on a song's first instrument line.
  int32_t* ints1[] = {&inst.baseNote,     &inst.baseVolume,  &inst.basePan,   &inst.velocitySens,
                      &inst.pressureSens, &inst.expressionSens, &inst.releaseSens, &inst.bendRange,
                      &inst.modSens,      &inst.modRate};
  float* reals[] = {&inst.attackEndFactor, &inst.decayEndFactor, &inst.sustainSlope,
                    &inst.releaseSlope};
  int32_t* ints2[] = {&inst.attackMs, &inst.decayMs,   &inst.startPos,
                      &inst.endPos,   &inst.loopStart, &inst.loopEnd};
  // The status of each field's check, in line order (the sustain slope has none of its own
  // and shares the release slope's).
  static constexpr int32_t kMissing[21] = {
      kSampleReadFailure,    kIllegalBaseNote,      kIllegalBaseVolume,   kIllegalBasePan,
      kIllegalVelocitySens,  kIllegalPressureSens,  kIllegalExpressionSens, kIllegalReleaseSens,
      kIllegalBendRange,     kIllegalModSens,       kIllegalModRate,      kIllegalAttackFactor,
      kIllegalDecayFactor,   kIllegalReleaseSlope,  kIllegalReleaseSlope, kIllegalAttackLength,
      kIllegalDecayLength,   kIllegalStart,         kIllegalEnd,          kIllegalLoopStart,
      kIllegalLoopEnd};

  int converted = 0;
  bool ok = ScanWord(t, inst.sampleName);
  if (ok) ++converted;
  for (int32_t* f : ints1)
    if (ok && (ok = ScanInt(t, *f))) ++converted;
  for (float* f : reals)
    if (ok && (ok = ScanReal(t, *f))) ++converted;
  for (int32_t* f : ints2)
    if (ok && (ok = ScanInt(t, *f))) ++converted;
  if (first && converted < 21) return kMissing[converted];

  auto between = [](int32_t v, int32_t lo, int32_t hi) { return v >= lo && v <= hi; };
  if (!between(inst.baseNote, 0, 127)) return kIllegalBaseNote;
  if (inst.baseVolume < 1) return kIllegalBaseVolume;
  if (!between(inst.basePan, 0, 127)) return kIllegalBasePan;
  if (!between(inst.velocitySens, -100, 100)) return kIllegalVelocitySens;
  if (!between(inst.pressureSens, -100, 100)) return kIllegalPressureSens;
  if (!between(inst.expressionSens, -100, 100)) return kIllegalExpressionSens;
  if (!between(inst.releaseSens, -100, 100)) return kIllegalReleaseSens;
  if (!between(inst.bendRange, 0, 127)) return kIllegalBendRange;
  if (!between(inst.modSens, 0, 100)) return kIllegalModSens;
  if (!between(inst.modRate, 0, 100)) return kIllegalModRate;
  if (!(inst.attackEndFactor >= 0)) return kIllegalAttackFactor;
  if (!(inst.decayEndFactor >= 0)) return kIllegalDecayFactor;
  if (inst.attackMs < 0) return kIllegalAttackLength;
  if (inst.decayMs < 0) return kIllegalDecayLength;
  if (inst.startPos < 0) return kIllegalStart;
  if (inst.endPos < inst.startPos) return kIllegalEnd;
  if (inst.loopStart >= 0 && !between(inst.loopStart, inst.startPos, inst.endPos))
    return kIllegalLoopStart;
  if (inst.loopEnd >= 0 && !between(inst.loopEnd, inst.loopStart, inst.endPos))
    return kIllegalLoopEnd;

  if (inst.loopStart < 0 || inst.loopEnd < 0) inst.loopStart = inst.loopEnd = -1;
  bool looped = inst.loopStart >= 0;
  if (looped && int64_t(inst.loopEnd) + 1 < inst.endPos) inst.endPos = inst.loopEnd + 1;
  if (looped && inst.releaseSlope >= 0) return kIllegalReleaseSlope;
  return kOk;
}

int32_t ParseNoteLine(std::string_view line, int32_t& note, bool first) {
  std::string_view t = UpToNul(line);
  int32_t value = 0;
  if (ScanInt(t, value))
    note = value;
  else if (first)
    return kIllegalNote;
  if (note < -127 || note > 255) return kIllegalNote;
  return kOk;
}

int32_t ParseEventLine(std::string_view line, Event& event) {
  std::string_view t = UpToNul(line);
  std::string keyword;
  if (!ScanInt(t, event.time) || !ScanWord(t, keyword) || !ScanInt(t, event.value))
    return kIllegalEventCode;
  static constexpr struct {
    const char* name;
    EventKind kind;
  } kKeywords[] = {{"ON", EventKind::On},         {"OFF", EventKind::Off},
                   {"PRS", EventKind::Pressure},  {"VOL", EventKind::Volume},
                   {"PAN", EventKind::Pan},       {"EXP", EventKind::Expression},
                   {"BND", EventKind::Bend},      {"MOD", EventKind::Modulation}};
  for (const auto& k : kKeywords)
    if (keyword == k.name) {
      event.kind = k.kind;
      return kOk;
    }
  return kIllegalEventCode;
}

}  // namespace resona
