// Reading LST song lists: the line reader, locale-independent number scanning and the
// parsing and checking of instrument, note and event lines.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace resona {

// Reads a text file the way the renderer sees it: lines of at most 255 characters
// (a longer line is split and its remainder read as the next line), CR LF taken as LF.
class TextReader {
 public:
  static constexpr size_t kMaxLine = 255;
  TextReader() = default;
  ~TextReader();
  TextReader(const TextReader&) = delete;
  TextReader& operator=(const TextReader&) = delete;

  bool Open(const char* path);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }
  // False at end of file (when nothing could be read).
  bool ReadLine(std::string& line);
  // Scans a decimal integer after optional white space (newlines included), as "%d" would.
  bool ReadInt(int32_t& value);

 private:
  int Peek();
  int Get();
  int fd_ = -1;
  std::vector<char> buffer_;
  size_t pos_ = 0;
  size_t end_ = 0;
};

// A blank line starts with CR or LF; it neither counts nor gets examined.
inline bool IsBlankLine(std::string_view line) {
  return line.empty() || line[0] == '\n' || line[0] == '\r';
}
// Counts the non-blank lines of a file (the progress total); -1 when it cannot be opened.
int32_t CountLines(const char* path);

// Scanning in the manner of the C scanf conversions, independent of the process locale.
// Each consumes leading white space and its field from `text` and returns false (consuming
// nothing further) when no field could be converted. Integers beyond 32 bits saturate.
bool ScanInt(std::string_view& text, int32_t& value);
bool ScanWord(std::string_view& text, std::string& word);
// Converts directly to single precision, with "." as decimal point whatever the locale.
bool ScanReal(std::string_view& text, float& value);

// The 21 fields of an instrument line.
struct InstrumentLine {
  std::string sampleName;
  int32_t baseNote = 0;
  int32_t baseVolume = 0;
  int32_t basePan = 0;
  int32_t velocitySens = 0;
  int32_t pressureSens = 0;
  int32_t expressionSens = 0;
  int32_t releaseSens = 0;
  int32_t bendRange = 0;
  int32_t modSens = 0;
  int32_t modRate = 0;
  float attackEndFactor = 0;
  float decayEndFactor = 0;
  float sustainSlope = 0;
  float releaseSlope = 0;
  int32_t attackMs = 0;
  int32_t decayMs = 0;
  int32_t startPos = 0;
  int32_t endPos = 0;
  int32_t loopStart = -1;
  int32_t loopEnd = -1;
};

// Scans an instrument line into `inst`. Fields the line lacks keep the values of the previous
// instrument line; on the first line of a song (`first`) a missing field is rejected with the
// status of its check. Then the checks run in status order and the loop normalisation is
// applied. Returns 0 or the status of the first failing check.
int32_t ParseInstrumentLine(std::string_view line, InstrumentLine& inst, bool first);

// Scans a note line; a line without a number keeps the previous note, except for the first.
int32_t ParseNoteLine(std::string_view line, int32_t& note, bool first);

enum class EventKind { On, Off, Pressure, Volume, Pan, Expression, Bend, Modulation };
struct Event {
  int32_t time = 0;
  EventKind kind = EventKind::On;
  int32_t value = 0;
};
// An event line needs all three fields and one of the eight keywords; otherwise status 27.
int32_t ParseEventLine(std::string_view line, Event& event);

}  // namespace resona
