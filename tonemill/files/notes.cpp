#include "notes.h"

namespace tonemill {
namespace {

const char* const kNoteNames[12] = {"c", "c#", "d", "d#", "e", "f", "f#", "g", "g#", "a", "a#", "b"};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads a note name of one or two characters and one or two octave digits at `pos`; returns
// the key or -1, and moves `pos` past what it read.
int ReadKey(const std::string& text, size_t& pos) {
  size_t nameLength = pos + 1 < text.size() && text[pos + 1] == '#' ? 2 : 1;
  if (pos + nameLength > text.size()) return -1;
  int note = NoteIndex(text.substr(pos, nameLength));
  if (note < 0) return -1;
  pos += nameLength;
  size_t digits = 0;
  while (digits < 2 && pos + digits < text.size() && IsDigit(text[pos + digits])) ++digits;
  if (digits == 0) return -1;
  int octave = OctaveValue(text.substr(pos, digits));
  if (octave < 0) return -1;
  pos += digits;
  return note + 12 * octave;
}

void SkipBlanks(const std::string& text, size_t& pos) {
  while (pos < text.size() && text[pos] == ' ') ++pos;
}

}  // namespace

std::string KeyName(int key) {
  // Floor division, so that the note numbers below 0 that song lists allow get names too.
  int octave = key >= 0 ? key / 12 : -((11 - key) / 12);
  return std::string(kNoteNames[key - 12 * octave]) + std::to_string(octave);
}

int NoteIndex(const std::string& name) {
  std::string n = name.substr(0, 2);
  if (!n.empty() && n[0] >= 'A' && n[0] <= 'Z') n[0] = char(n[0] - 'A' + 'a');
  for (int i = 0; i < 12; ++i)
    if (n == kNoteNames[i]) return i;
  return -1;
}

int OctaveValue(const std::string& text) {
  std::string t = text.substr(0, 2);
  if (t.empty()) return -1;
  int value = 0;
  for (char c : t) {
    if (!IsDigit(c)) return -1;
    value = value * 10 + (c - '0');
  }
  return value <= 10 ? value : -1;
}

void ParseKeyRange(const std::string& text, int& low, int& high) {
  low = -1;
  high = -1;
  size_t pos = 0;
  const int first = ReadKey(text, pos);
  if (first < 0) return;
  SkipBlanks(text, pos);
  if (pos == text.size()) {
    low = first;
    return;
  }
  if (text[pos] != '-') return;
  ++pos;
  SkipBlanks(text, pos);
  const int second = ReadKey(text, pos);
  SkipBlanks(text, pos);
  if (second < first || pos != text.size()) return;
  low = first;
  high = second;
}

}  // namespace tonemill
