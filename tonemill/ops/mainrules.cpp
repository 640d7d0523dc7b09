#include "mainrules.h"

#include <algorithm>

#include "tonemill/files/paths.h"

namespace tonemill {
namespace {

std::string ExtensionOf(const std::string& name) {
  const std::string file = FileNamePart(name);
  const size_t dot = file.rfind('.');
  return dot == std::string::npos ? "" : LowerCase(file.substr(dot));
}

// Glob matching with "*" and "?", ASCII case folded.
bool Glob(const char* pattern, const char* text) {
  for (; *pattern; ++pattern, ++text) {
    if (*pattern == '*') {
      for (const char* t = text;; ++t) {
        if (Glob(pattern + 1, t)) return true;
        if (!*t) return false;
      }
    }
    if (!*text) return false;
    auto fold = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
    if (*pattern != '?' && fold(*pattern) != fold(*text)) return false;
  }
  return !*text;
}

}  // namespace

const char* SelectorName(Selector selector) {
  static const char* const kNames[] = {"MID", "LST", "Song", "PRG", "WAV", "Temp", "DFT"};
  return kNames[int(selector)];
}

Operations EnabledOperations(Selector selector, const std::string& fileName, bool fileSelected) {
  Operations o;
  if (!fileSelected) return o;
  o.Copy = o.Move = o.Delete = true;
  const std::string ext = ExtensionOf(fileName);
  // Songs and samples in the other audio containers play and scan (decoded first).
  if (selector == Selector::Song || selector == Selector::WAV)
    for (const char* other : {".flac", ".ogg", ".opus", ".mp3", ".aif", ".aiff"})
      if (ext == other) o.Play = o.Scan = true;
  switch (selector) {
    case Selector::MID:
      if (ext == ".mid") o.Play = o.Scan = o.Edit = o.Convert = o.Print = true;
      break;
    case Selector::LST:
      if (ext == ".lst") o.Edit = o.Convert = o.Print = true;
      break;
    case Selector::Song:
      if (ext == ".wav") o.Play = o.Scan = o.Edit = true;
      break;
    case Selector::PRG:
      if (ext == ".prg") o.Edit = o.Print = o.Convert = true;
      break;
    case Selector::WAV:
      if (ext == ".wav") o.Play = o.Scan = o.Convert = true;
      break;
    case Selector::Temp: o.Play = o.Scan = o.Edit = o.Convert = o.Print = true; break;
    case Selector::DFT:
      if (ext == ".dft") o.Convert = true;
      break;
  }
  return o;
}

const char* ConvertCaption(Selector selector) {
  return selector == Selector::PRG ? "Make WAVs" : "Convert";
}

const char* PrintCaption(Selector selector) {
  return selector == Selector::MID ? "Make WAVs" : "Print";
}

const char* const kFileFilter =
    "All files (*.*)|*.*|MID (*.MID)|*.MID|LST (*.LST)|*.LST|WAV (*.WAV)|*.WAV|"
    "PRG (*.PRG)|*.PRG|DFT (*.DFT)|*.DFT|"
    "Audio (*.WAV;*.FLAC;*.OGG;*.OPUS;*.MP3;*.AIF;*.AIFF)|*.WAV;*.FLAC;*.OGG;*.OPUS;*.MP3;*.AIF;*.AIFF";

std::vector<FilterChoice> ParseFilter(const std::string& filter) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    const size_t bar = filter.find('|', start);
    parts.push_back(filter.substr(start, bar == std::string::npos ? bar : bar - start));
    if (bar == std::string::npos) break;
    start = bar + 1;
  }
  std::vector<FilterChoice> choices;
  for (size_t i = 0; i + 1 < parts.size(); i += 2) {
    FilterChoice c{parts[i], {}};
    size_t s = 0;
    for (;;) {
      const size_t semi = parts[i + 1].find(';', s);
      c.patterns.push_back(parts[i + 1].substr(s, semi == std::string::npos ? semi : semi - s));
      if (semi == std::string::npos) break;
      s = semi + 1;
    }
    choices.push_back(c);
  }
  return choices;
}

bool MatchesFilter(const std::string& name, const std::vector<std::string>& patterns) {
  if (name.empty() || name[0] == '.') return false;
  for (const std::string& p : patterns) {
    // "*.*" is every file, with or without an extension, as the system's file lists take it.
    if (p == "*.*" || p == "*") return true;
    if (Glob(p.c_str(), name.c_str())) return true;
  }
  return false;
}

namespace {

// A name as the list compares it: ASCII letters in lower case, and the accented Latin letters
// (U+00C0 to U+017F, in UTF-8) as their base letter, so that "Étude" sorts among the e's.
std::string SortKey(const std::string& name) {
  // The base letter of U+00C0..U+017F; '-' for the two signs among them (× and ÷), kept.
  static constexpr char kBase[] =
      "aaaaaaaceeeeiiiidnooooo-ouuuuytsaaaaaaaceeeeiiiidnooooo-ouuuuyty"
      "aaaaaaccccccccddddeeeeeeeeeegggggggghhhhiiiiiiiiiiiijjkkkllllllllllnnnnnnnnnoooooooorrrrrrss"
      "ssssssttttttuuuuuuuuuuuuwwyyyzzzzzzs";
  static_assert(sizeof kBase == 0x180 - 0xC0 + 1);
  std::string key;
  key.reserve(name.size());
  for (size_t i = 0; i < name.size(); ++i) {
    const auto c = static_cast<unsigned char>(name[i]);
    if (c >= 'A' && c <= 'Z') {
      key += char(c - 'A' + 'a');
      continue;
    }
    if ((c == 0xC3 || c == 0xC4 || c == 0xC5) && i + 1 < name.size()) {
      const auto next = static_cast<unsigned char>(name[i + 1]);
      if ((next & 0xC0) == 0x80) {
        const unsigned code = (c & 0x1Fu) << 6 | (next & 0x3Fu);
        if (code >= 0xC0 && code <= 0x17F && kBase[code - 0xC0] != '-') {
          key += kBase[code - 0xC0];
          ++i;
          continue;
        }
      }
    }
    key += char(c);
  }
  return key;
}

}  // namespace

bool NaturalLess(const std::string& first, const std::string& second) {
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  const std::string a = SortKey(first), b = SortKey(second);
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (digit(a[i]) && digit(b[j])) {
      size_t ei = i, ej = j;
      while (ei < a.size() && digit(a[ei])) ++ei;
      while (ej < b.size() && digit(b[ej])) ++ej;
      // Compare values without their leading zeros: by length, then digit by digit.
      size_t si = i, sj = j;
      while (si + 1 < ei && a[si] == '0') ++si;
      while (sj + 1 < ej && b[sj] == '0') ++sj;
      if (ei - si != ej - sj) return ei - si < ej - sj;
      const int c = a.compare(si, ei - si, b, sj, ej - sj);
      if (c != 0) return c < 0;
      i = ei;
      j = ej;
      continue;
    }
    const auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[j]);
    if (x != y) return x < y;
    ++i;
    ++j;
  }
  if (a.size() - i != b.size() - j) return a.size() - i < b.size() - j;
  return first < second;
}

std::string SizeText(uint64_t size, bool separator) {
  std::string digits = std::to_string(size);
  if (!separator) return digits;
  std::string out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

int ColumnRight(int offsetMode, int position, int itemRight, int previousRight, int width) {
  switch (offsetMode) {
    case 0: return position;
    case 1: return itemRight + position;
    default: return previousRight + position + width;
  }
}

int MainSizePos(int entries) { return entries < 12 ? 6 : -10; }

std::string PlayClock(int64_t elapsedMs) {
  if (elapsedMs < 0) elapsedMs = 0;
  const int64_t parts[] = {elapsedMs / 3600000 % 100, elapsedMs / 60000 % 60,
                           elapsedMs / 1000 % 60};
  std::string out;
  for (int64_t p : parts) {
    if (!out.empty()) out += ':';
    out += char('0' + p / 10);
    out += char('0' + p % 10);
  }
  return out;
}

uint64_t FreeRamKb(uint64_t totalPhysicalBytes, uint32_t load) {
  if (load > 100) load = 100;
  return totalPhysicalBytes * (100 - load) / 102400;
}

int NextPicture(int previous, uint32_t random, int count) {
  if (previous < 0 || previous >= count) return int(random % uint32_t(count));
  const int pick = int(random % uint32_t(count - 1));
  return pick >= previous ? pick + 1 : pick;
}

std::string ParameterString(const RunParameters& p) {
  std::string s = p.first;
  if (p.passDirectories) {
    std::string directories;
    for (const std::string& d : p.directories) directories += (directories.empty() ? "" : " ") + d;
    s += " " + directories;
  }
  return s + " .";
}

std::vector<std::string> ParameterList(const RunParameters& p) {
  std::vector<std::string> list;
  if (!p.first.empty()) list.push_back(p.first);
  if (p.passDirectories)
    for (const std::string& d : p.directories)
      if (!d.empty()) list.push_back(d);
  list.push_back(".");
  return list;
}

const char* const kWindowSection = "Window";

std::vector<std::string> WindowKeys() { return {"Left", "Top", "Width", "Height", "Maximized"}; }

namespace {

std::optional<int> WholeNumber(const std::string& text) {
  if (text.empty() || text.size() > 9) return std::nullopt;
  size_t at = text[0] == '-' ? 1 : 0;
  if (at == text.size()) return std::nullopt;
  for (size_t i = at; i < text.size(); ++i)
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
  return std::stoi(text);
}

std::vector<std::pair<std::string, std::string>> KeysOf(const WindowPlace& p) {
  return {{"Left", std::to_string(p.left)},
          {"Top", std::to_string(p.top)},
          {"Width", std::to_string(p.width)},
          {"Height", std::to_string(p.height)},
          {"Maximized", p.maximized ? "1" : "0"}};
}

}  // namespace

std::optional<WindowPlace> PlaceOfKeys(const std::map<std::string, std::string>& keys) {
  int numbers[4];
  const char* names[4] = {"Left", "Top", "Width", "Height"};
  for (int i = 0; i < 4; ++i) {
    const auto it = keys.find(names[i]);
    if (it == keys.end()) return std::nullopt;
    const std::optional<int> n = WholeNumber(it->second);
    if (!n) return std::nullopt;
    numbers[i] = *n;
  }
  if (numbers[2] <= 0 || numbers[3] <= 0) return std::nullopt;
  const auto maximized = keys.find("Maximized");
  return WindowPlace{numbers[0], numbers[1], numbers[2], numbers[3],
                     maximized != keys.end() && maximized->second == "1"};
}

std::vector<std::pair<std::string, std::string>> ChangedKeys(const WindowPlace& place,
                                                             const std::map<std::string, std::string>& stored) {
  std::vector<std::pair<std::string, std::string>> changed;
  for (const auto& [key, text] : KeysOf(place)) {
    const auto it = stored.find(key);
    if (it == stored.end() || it->second != text) changed.emplace_back(key, text);
  }
  return changed;
}

WindowPlace ClampedPlace(WindowPlace place, const WindowPlace& area, int minWidth, int minHeight) {
  place.width = std::max(std::min(place.width, area.width), minWidth);
  place.height = std::max(std::min(place.height, area.height), minHeight);
  place.left = std::max(std::min(place.left, area.left + area.width - place.width), area.left);
  place.top = std::max(std::min(place.top, area.top + area.height - place.height), area.top);
  return place;
}

}  // namespace tonemill
