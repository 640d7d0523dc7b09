#include "provisioning.h"

#include "makewavs.h"
#include "platform/filesystem.h"
#include "tonemill/files/paths.h"
#include "tonemill/files/wavheader.h"

#include <algorithm>
#include <fstream>
#include <sys/stat.h>

namespace tonemill {
namespace {

bool Exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The list read line by line with the number of each line; the check does not skip blank lines.
class ListLines {
 public:
  explicit ListLines(const std::string& path) : in_(path, std::ios::binary) {}
  bool Opened() const { return bool(in_); }
  bool AtEnd() { return in_.peek() == std::char_traits<char>::eof(); }
  bool Read(std::string& line) {
    if (!std::getline(in_, line)) return false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    ++number_;
    return true;
  }
  int Number() const { return number_; }

 private:
  std::ifstream in_;
  int number_ = 0;
};

}  // namespace

const char* const kSamplesMissingMessage = "Sample file(s) missing. Aborting.";

std::string MissingSampleMessage(const std::string& name) {
  return "Fatal error: can't find either WAV or DFT for sample " + name + "!";
}

bool SampleWavIsValid(const std::string& wavPath) {
  return TWAVheader(platform::FindFileIgnoringCase(wavPath)).Valid;
}

ProvisioningScan ScanSamples(const std::string& lstPath, const std::string& wavDirectory,
                             const std::string& dftDirectory, const std::string& listName,
                             const MissingSampleCallback& onMissing) {
  const std::string name = listName.empty() ? lstPath : listName;
  ProvisioningScan scan;
  ListLines list(platform::NativePath(lstPath));
  auto fail = [&](Problem problem) {
    scan.problem = std::move(problem);
    return scan;
  };
  // "Error in LST file P at line number n: { expected!"; the problem keeps the suffix.
  auto at = [&](int line, const char* suffix) {
    Problem p(suffix + 2, name, line);
    p.boxText = "Error in LST file " + name + " at line number " + std::to_string(line) + suffix;
    return fail(p);
  };
  const Problem unexpectedEnd("Unexpected termination of LST file " + name + "!", name);
  if (!list.Opened()) return fail(Problem("Can't open LST file " + name + "!", name));
  // The grid's rows: one per file, whatever the case of the name.
  SampleList rows(wavDirectory, dftDirectory);
  std::string line;
  list.Read(line);  // the duration
  while (!list.AtEnd()) {
    list.Read(line);
    if (list.AtEnd() && line.empty()) break;
    if (line.rfind('{', 0) != 0) return list.AtEnd() ? fail(unexpectedEnd) : at(list.Number(), ": { expected!");
    if (!list.Read(line)) return fail(unexpectedEnd);
    const size_t start = line.find_first_not_of(' ');
    const std::string sample =
        start == std::string::npos ? "" : line.substr(start, line.find(' ', start) - start);
    if (sample.empty()) return at(list.Number(), ": sample name expected!");
    if (sample.size() >= 9) return at(list.Number(), ": sample name too long!");
    // A name is a file of the WAV directory: a separator would reach files elsewhere.
    if (sample.find_first_of("/\\") != std::string::npos)
      return at(list.Number(), ": illegal sample name!");
    if (const SampleRow* row = rows.Add(sample)) {
      SampleState s{sample, SampleState::Source::Missing, row->wavPath, row->dftPath};
      if (SampleWavIsValid(s.wavPath))
        s.source = SampleState::Source::Wav;
      else if (Exists(s.dftPath))
        s.source = SampleState::Source::Dft;
      scan.samples.push_back(s);
      if (s.source == SampleState::Source::Missing && onMissing && !onMissing(s)) {
        scan.aborted = true;
        return scan;
      }
    }
    // Note blocks, up to the closing "}".
    if (!list.Read(line)) return fail(unexpectedEnd);
    if (line.rfind('[', 0) != 0) return at(list.Number(), ": [ expected!");
    for (;;) {
      if (!list.Read(line)) return fail(unexpectedEnd);  // the note line
      do {
        if (!list.Read(line)) return fail(unexpectedEnd);
      } while (line.rfind(']', 0) != 0);
      if (!list.Read(line)) return fail(unexpectedEnd);
      if (line.rfind('}', 0) == 0) break;
      if (line.rfind('[', 0) != 0) return at(list.Number(), ": [ expected!");
    }
  }
  return scan;
}

}  // namespace tonemill
