#include "prgcheck.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <vector>

namespace testing_support {
namespace {

int NoteIndex(const std::string& name) {
  static const char* const kNames[12] = {"c", "c#", "d", "d#", "e", "f", "f#", "g", "g#", "a", "a#", "b"};
  std::string lower;
  for (char c : name) lower += char(std::tolower(static_cast<unsigned char>(c)));
  // Either all lower case or all upper case ("C#"), no mixed forms beyond the sharp.
  for (int i = 0; i < 12; ++i)
    if (lower == kNames[i]) {
      std::string upper = kNames[i];
      upper[0] = char(std::toupper(static_cast<unsigned char>(upper[0])));
      if (name == kNames[i] || name == upper) return i;
    }
  return -1;
}

// Reads a key at `pos`: note name up to a blank or digit, then octave digits.
std::optional<int> ReadKey(const std::string& s, size_t& pos) {
  size_t start = pos;
  while (pos < s.size() && s[pos] != ' ' && !std::isdigit(static_cast<unsigned char>(s[pos]))) ++pos;
  const std::string name = s.substr(start, pos - start);
  if (pos >= s.size() || !std::isdigit(static_cast<unsigned char>(s[pos]))) return std::nullopt;
  int octave = 0;
  while (pos < s.size() && std::isdigit(static_cast<unsigned char>(s[pos]))) {
    octave = octave * 10 + (s[pos] - '0');
    if (octave > 100) return std::nullopt;
    ++pos;
  }
  const int note = NoteIndex(name);
  if (note < 0 || octave > 10) return std::nullopt;
  return octave * 12 + note;
}

std::optional<long long> Integer(const std::string& t) {
  if (t.empty()) return std::nullopt;
  size_t i = 0;
  bool negative = false;
  if (t[0] == '+' || t[0] == '-') {
    negative = t[0] == '-';
    i = 1;
  }
  int base = 10;
  if (i < t.size() && t[i] == '$') {
    base = 16;
    ++i;
  }
  if (i >= t.size()) return std::nullopt;
  long long v = 0;
  for (; i < t.size(); ++i) {
    const char c = char(std::tolower(static_cast<unsigned char>(t[i])));
    int d = std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : (base == 16 && c >= 'a' && c <= 'f') ? c - 'a' + 10 : -1;
    if (d < 0) return std::nullopt;
    v = v * base + d;
    if (v > 2147483648LL) return std::nullopt;
  }
  v = negative ? -v : v;
  if (v > 2147483647LL || v < -2147483648LL) return std::nullopt;
  return v;
}

std::optional<double> Real(const std::string& t) {
  if (t.empty() || std::isspace(static_cast<unsigned char>(t[0]))) return std::nullopt;
  char* end = nullptr;
  errno = 0;
  double v = std::strtod(t.c_str(), &end);
  if (*end != 0 || errno != 0 || !std::isfinite(v)) return std::nullopt;
  for (char c : t)
    if (std::isalpha(static_cast<unsigned char>(c)) && c != 'e' && c != 'E') return std::nullopt;
  return v;
}

}  // namespace

std::string CheckPrgLine(const std::string& raw) {
  if (raw.size() > 255) return "line longer than 255 characters";
  std::string s = raw;
  size_t pos = 0;
  while (pos < s.size() && s[pos] == ' ') ++pos;
  if (pos == s.size() && s.empty()) return "";
  if (pos < s.size() && s[pos] == '#') return "";
  auto low = ReadKey(s, pos);
  if (!low) return "Illegal key range code.";
  int high = *low;
  if (pos < s.size() && s[pos] == '-') {
    ++pos;
    auto h = ReadKey(s, pos);
    if (!h || *h < *low) return "Illegal key range code.";
    high = *h;
  }
  if (*low > 127 || high > 127) return "Illegal key range code.";
  ++pos;  // the character after the key range
  while (pos < s.size() && s[pos] == ' ') ++pos;
  size_t nameStart = pos;
  while (pos < s.size() && s[pos] != ' ') ++pos;
  const std::string wav = s.substr(nameStart, pos - nameStart);
  if (wav.empty()) return "WAV filename missing.";
  if (wav.size() > 8) return "Illegal WAV filename.";
  ++pos;
  if (pos > s.size() || !ReadKey(s, pos)) return "Illegal base key code.";

  static const char* const kMessages[] = {
      "Illegal base volume.", "Illegal base panpot.", "Illegal velocity sensitivity.",
      "Illegal pressure sensitivity.", "Illegal expression sensitivity.",
      "Illegal release sensitivity.", "Illegal pitch bend range.",
      "Illegal modulation sensitivity.", "Illegal modulation rate.", "Illegal attack factor.",
      "Illegal decay factor.", "Illegal sustain slope.", "Illegal release slope.",
      "Illegal attack length.", "Illegal decay length.", "Illegal start position.",
      "Illegal end position.", "Illegal loop start position.", "Illegal loop end position."};
  std::vector<double> v;
  for (int field = 4; field <= 22; ++field) {
    // The blank that ended the previous field is at pos; the field starts after it.
    if (pos >= s.size()) return kMessages[field - 4];
    ++pos;
    size_t start = pos;
    while (pos < s.size() && s[pos] != ' ') ++pos;
    const std::string text = s.substr(start, pos - start);
    const bool real = field >= 13 && field <= 16;
    std::optional<double> value;
    if (real) {
      value = Real(text);
    } else if (auto i = Integer(text)) {
      value = double(*i);
    }
    if (!value) return kMessages[field - 4];
    const double x = *value;
    bool ok = true;
    switch (field) {
      case 4: ok = x >= 1; break;
      case 5: ok = x >= 0 && x <= 127; break;
      case 6: case 7: case 8: case 9: ok = x >= -100 && x <= 100; break;
      case 10: ok = x >= 0 && x <= 127; break;
      case 11: case 12: ok = x >= 0 && x <= 100; break;
      case 13: case 14: ok = x >= 0; break;
      case 17: case 18: case 19: ok = x >= 0; break;
      case 20: ok = x >= v[15]; break;  // end >= start
      case 21: ok = x < 0 || (x >= v[15] && x <= v[16]); break;
      case 22: {
        const double loopStart = v[17] < 0 ? -1 : v[17];
        ok = x < 0 || (x >= loopStart && x <= v[16]);
        if (ok && x >= 0 && !(v[12] < 0)) return "Illegal release slope.";
        break;
      }
      default: break;
    }
    if (!ok) return kMessages[field - 4];
    v.push_back(x);
  }
  return "";
}

}  // namespace testing_support
