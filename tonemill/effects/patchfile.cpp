#include "patchfile.h"

#include "tonemill/files/numbers.h"
#include "platform/filelock.h"
#include "tonemill/files/outputfile.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <fstream>
#include <sstream>

namespace tonemill {
namespace {

std::vector<std::string> SplitAtSpaces(const std::string& line) {
  std::vector<std::string> words;
  std::string word;
  for (char c : line) {
    if (c == ' ' || c == '\t' || c == '\r') {
      if (!word.empty()) words.push_back(std::move(word));
      word.clear();
    } else {
      word += c;
    }
  }
  if (!word.empty()) words.push_back(std::move(word));
  return words;
}

std::string Replaced(std::string text, char from, char to) {
  std::replace(text.begin(), text.end(), from, to);
  return text;
}

// The value of a column from the file's text: the default when missing or refused.
std::string ColumnValue(const PatchColumn& column, const std::vector<std::string>& words,
                        size_t index, const std::string& fallback) {
  if (index >= words.size() || !ColumnAccepts(column, words[index])) return fallback;
  if (column.keepText) return words[index];
  return ColumnText(column, *ParseReal(words[index]));
}

}  // namespace

bool ColumnAccepts(const PatchColumn& column, const std::string& text) {
  if (!IsRealInRange(text, column.hasMin, column.hasMax, column.min, column.max)) return false;
  const double v = *ParseReal(text);
  return std::isfinite(v) && (!column.integer || v == std::trunc(v));
}

std::string ColumnText(const PatchColumn& column, double value) {
  return FormatFixed(value, column.decimals);
}

Patch DefaultPatch(const PatchLayout& layout) {
  Patch p;
  p.name = "Default";
  for (const PatchColumn& c : layout.columns) p.values.push_back(c.defaultText);
  for (int b = 0; b < layout.bandLines; ++b) {
    std::vector<std::string> band;
    for (size_t c = 0; c < layout.bandColumns.size(); ++c) band.push_back(layout.bandDefault(b, int(c)));
    p.bands.push_back(std::move(band));
  }
  return p;
}

std::vector<Patch> ParsePatches(const std::string& text, const PatchLayout& layout) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  std::vector<Patch> patches;
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::vector<std::string> words = SplitAtSpaces(lines[i]);
    if (words.empty()) continue;
    Patch p;
    p.name = Replaced(words[0], '_', ' ');
    for (size_t c = 0; c < layout.columns.size(); ++c)
      p.values.push_back(ColumnValue(layout.columns[c], words, c + 1, layout.columns[c].defaultText));
    // The band lines follow their head line, whatever they hold.
    for (int b = 0; b < layout.bandLines; ++b) {
      const size_t at = i + 1 + size_t(b);
      const std::vector<std::string> bandWords =
          at < lines.size() ? SplitAtSpaces(lines[at]) : std::vector<std::string>{};
      std::vector<std::string> band;
      for (size_t c = 0; c < layout.bandColumns.size(); ++c)
        band.push_back(ColumnValue(layout.bandColumns[c], bandWords, c, layout.bandDefault(b, int(c))));
      p.bands.push_back(std::move(band));
    }
    i += size_t(layout.bandLines);
    patches.push_back(std::move(p));
  }
  if (patches.empty()) patches.push_back(DefaultPatch(layout));
  return patches;
}

std::string PatchFileText(const PatchLayout& layout, const std::vector<Patch>& patches) {
  std::string text;
  for (const Patch& p : patches) {
    text += Replaced(p.name, ' ', '_');
    for (const std::string& v : p.values) text += " " + v;
    text += "\r\n";
    for (int b = 0; b < layout.bandLines && size_t(b) < p.bands.size(); ++b) {
      std::string line;
      for (const std::string& v : p.bands[size_t(b)]) line += (line.empty() ? "" : " ") + v;
      text += line + "\r\n";
    }
  }
  return text;
}

bool ReadPatches(const std::string& path, const PatchLayout& layout, std::vector<Patch>& patches,
                 Problem& problem) {
  const TargetKind kind = KindOf(path);
  if (kind == TargetKind::Absent) {
    patches = {DefaultPatch(layout)};
    return WriteFileAtomically(path, PatchFileText(layout, patches), false, &problem) !=
           AtomicWrite::Failed;
  }
  std::ifstream in(path, std::ios::binary);
  if (kind != TargetKind::RegularFile || !in) {
    problem = Problem("Can't read patch file " + path + "!", path, 0,
                      kind == TargetKind::RegularFile ? SystemReason(errno) : "not a regular file");
    return false;
  }
  std::ostringstream text;
  text << in.rdbuf();
  patches = ParsePatches(text.str(), layout);
  return true;
}

bool WritePatches(const std::string& path, const PatchLayout& layout,
                  const std::vector<Patch>& patches, Problem& problem) {
  return WriteFileAtomically(path, PatchFileText(layout, patches), true, &problem) ==
         AtomicWrite::Written;
}

PatchChange ChangeBetween(const std::vector<Patch>& read, const std::vector<Patch>& now) {
  PatchChange change;
  for (const Patch& p : now) {
    const std::optional<size_t> before = FindPatch(read, p.name);
    if (!before || read[*before] != p) change.put.push_back(p);
  }
  for (const Patch& p : read)
    if (!FindPatch(now, p.name) &&
        std::find(change.removed.begin(), change.removed.end(), p.name) == change.removed.end())
      change.removed.push_back(p.name);
  return change;
}

bool ApplyPatchChange(const std::string& path, const PatchLayout& layout, const PatchChange& change,
                      Problem& problem) {
  std::string reason;
  const platform::FileLock lock = platform::FileLock::Acquire(path, &reason);
  if (!lock.IsHeld()) {
    problem = Problem("Can't write patch file " + path + "!", path, 0, reason);
    return false;
  }
  std::vector<Patch> patches;
  if (!ReadPatches(path, layout, patches, problem)) return false;
  if (change.Empty()) return true;
  for (const std::string& name : change.removed)
    patches.erase(std::remove_if(patches.begin() + 1, patches.end(),
                                 [&name](const Patch& p) { return p.name == name; }),
                  patches.end());
  for (const Patch& p : change.put) {
    if (const std::optional<size_t> at = FindPatch(patches, p.name)) patches[*at] = p;
    else patches.push_back(p);
  }
  return WritePatches(path, layout, patches, problem);
}

std::optional<size_t> FindPatch(const std::vector<Patch>& patches, const std::string& name) {
  for (size_t i = 0; i < patches.size(); ++i)
    if (patches[i].name == name) return i;
  return std::nullopt;
}

}  // namespace tonemill
