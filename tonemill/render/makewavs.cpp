#include "makewavs.h"

#include "platform/filesystem.h"
#include "platform/messages.h"
#include "tonemill/files/paths.h"

#include <algorithm>
#include <fstream>

namespace tonemill {
namespace {

std::string UpperCase(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return text;
}

// The first blank-separated word from `at`, moving `at` past it.
std::string NextWord(const std::string& line, size_t& at) {
  const size_t start = line.find_first_not_of(' ', at);
  if (start == std::string::npos) {
    at = line.size();
    return "";
  }
  const size_t end = std::min(line.find(' ', start), line.size());
  at = end;
  return line.substr(start, end - start);
}

}  // namespace

std::string SampleWavPath(const std::string& wavDirectory, const std::string& name) {
  return platform::FindFileIgnoringCase(WithBackslash(wavDirectory) + name + ".WAV");
}

std::string SampleDftPath(const std::string& dftDirectory, const std::string& name) {
  return platform::FindFileIgnoringCase(WithBackslash(dftDirectory) + name + ".DFT");
}

SampleRow* SampleList::Add(const std::string& name) {
  const std::string key = UpperCase(name);
  if (std::any_of(rows_.begin(), rows_.end(),
                  [&](const SampleRow& r) { return UpperCase(r.name) == key; }))
    return nullptr;
  rows_.push_back({false, name, SampleWavPath(wavDirectory_, name),
                   SampleDftPath(dftDirectory_, name)});
  return &rows_.back();
}

void SampleList::Toggle(size_t row) {
  if (row < rows_.size()) rows_[row].make = !rows_[row].make;
}

std::optional<Problem> LoadPrgSamples(const std::vector<std::string>& prgNames,
                                      const std::string& prgDirectory, SampleList& list) {
  size_t added = 0;
  for (const std::string& name : prgNames) {
    const size_t dot = FileNamePart(name).rfind('.');
    if (dot == std::string::npos || LowerCase(FileNamePart(name).substr(dot)) != ".prg")
      return Problem("File " + name + ": the extension must be PRG!", name);
    const std::string path = platform::FindFileIgnoringCase(WithBackslash(prgDirectory) + name);
    std::ifstream in(path, std::ios::binary);
    if (!in) return Problem("Can't open PRG file " + name + "!", name);
    std::string line;
    for (int64_t number = 1; std::getline(in, line); ++number) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.empty()) continue;
      size_t at = 0;
      const std::string keyRange = NextWord(line, at);
      if (!keyRange.empty() && keyRange[0] == '#') continue;
      if (keyRange.empty())
        return Problem("PRG file " + name + ": error reading Key range!", name, number);
      std::string wav = NextWord(line, at);
      wav = UpperCase(wav.substr(0, wav.find('.')));
      // A name that is all extension (".wav") names no file, nor one with a directory.
      if (wav.empty() || wav.find_first_of("/\\") != std::string::npos)
        return Problem("PRG file " + name + ": error reading WAV filename.", name, number);
      if (wav.size() >= 9) return Problem("WAV filename too long: " + wav, name, number);
      if (SampleRow* row = list.Add(wav)) {
        // Existence only: the song check probes validity.
        row->make = KindOf(row->wavPath) == TargetKind::Absent;
        ++added;
      }
    }
  }
  if (added == 0) return Problem("No data entry found!");
  return std::nullopt;
}

MakeOutcome MakeSamples(SampleList& list, Progress& progress, const SampleConversion& convert) {
  using platform::Answer;
  MakeOutcome outcome;
  std::vector<SampleRow>& rows = list.Rows();
  progress.Reset(int32_t(rows.size()));
  Answer last = Answer::No;
  for (size_t i = 0; i < rows.size(); ++i) {
    progress.done = int32_t(i);
    progress.item = rows[i].name;
    progress.Pump();
    if (progress.Cancelled()) {
      outcome.cancelled = true;
      break;
    }
    SampleRow& row = rows[i];
    if (!row.make) continue;
    row.wavPath = platform::FindFileIgnoringCase(row.wavPath);
    const bool exists = KindOf(row.wavPath) != TargetKind::Absent;
    if (exists && last != Answer::All) {
      last = platform::Show({platform::MessageKind::Confirmation, platform::Buttons::YesNoAbortAll,
                             platform::Topic::Overwrite,
                             "Overwrite existing file " + row.wavPath + "?"});
      if (last == Answer::No) continue;
      if (last == Answer::Abort) {
        outcome.stopped = true;
        break;
      }
    }
    const SampleMade result = convert(row, exists ? Overwrite::Replace : Overwrite::Refuse);
    if (result.made) {
      outcome.made.push_back(i);
      continue;
    }
    if (result.stopsAll) {
      platform::ShowError(result.problem.BoxText());
      outcome.stopped = true;
      break;
    }
    if (platform::Show({platform::MessageKind::Error, platform::Buttons::OkAbort,
                        platform::Topic::ContinueAfter, result.problem.BoxText()}) == Answer::Abort) {
      outcome.stopped = true;
      break;
    }
  }
  if (!outcome.cancelled) progress.done = progress.total;
  return outcome;
}

}  // namespace tonemill
