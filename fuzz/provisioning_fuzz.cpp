// The sample provisioning readers on arbitrary text: the song list scan of the check, against
// a WAV and a DFT folder with a few samples, and loadPRG on the same bytes as a PRG file.
#include "harness.h"
#include "tonemill/files/wavwriter.h"
#include "tonemill/render/makewavs.h"
#include "tonemill/render/provisioning.h"

#include <algorithm>
#include <filesystem>

namespace {

std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return s;
}

const std::string& Home() {
  static const std::string home = [] {
    const std::string dir = fuzz::ScratchDirectory();
    std::filesystem::create_directories(dir + "WAV");
    std::filesystem::create_directories(dir + "DFT");
    const std::vector<uint8_t> wav =
        tonemill::CanonicalWavFile({22050, 16, 1}, std::vector<uint8_t>(64, 1));
    fuzz::ScratchFile("WAV/A.WAV", wav.data(), wav.size());
    fuzz::ScratchFile("WAV/b.wav", wav.data(), 20);  // cut short: not valid
    fuzz::ScratchFile("DFT/B.DFT", wav.data(), 4);
    fuzz::ScratchFile("DFT/c.dft", wav.data(), 4);
    return dir;
  }();
  return home;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1 << 16)) return 0;
  const std::string home = Home();
  const std::string lst = fuzz::ScratchFile("song.lst", data, size);
  const int64_t lines = std::count(data, data + size, '\n') + 1;
  int questions = 0;
  const tonemill::ProvisioningScan scan =
      tonemill::ScanSamples(lst, home + "WAV", home + "DFT", "", [&](const tonemill::SampleState&) {
        return ++questions < 3;
      });
  if (scan.problem && (scan.problem->line < 0 || scan.problem->line > lines))
    fuzz::Fail("a line number outside the list");
  if (scan.aborted != (questions == 3)) fuzz::Fail("abort");
  std::vector<std::string> seen;
  for (const tonemill::SampleState& s : scan.samples) {
    if (s.name.empty() || s.name.size() > 8 || s.name.find_first_of(" /\\") != std::string::npos)
      fuzz::Fail("a sample name the scan refuses");
    if (std::find(seen.begin(), seen.end(), Upper(s.name)) != seen.end()) fuzz::Fail("a sample twice");
    seen.push_back(Upper(s.name));
    const bool wav = s.source == tonemill::SampleState::Source::Wav;
    if (wav != (Upper(s.name) == "A")) fuzz::Fail("the WAV probe");
  }

  fuzz::ScratchFile("X.PRG", data, size);
  tonemill::SampleList list(home + "WAV", home + "DFT");
  const std::optional<tonemill::Problem> problem = tonemill::LoadPrgSamples({"X.PRG"}, home, list);
  if (!problem && list.Rows().empty()) fuzz::Fail("no rows and no problem");
  for (const tonemill::SampleRow& row : list.Rows())
    if (row.name.empty() || row.name.size() > 8 || row.name != Upper(row.name) ||
        row.name.find_first_of("./\\") != std::string::npos)
      fuzz::Fail("a PRG sample name");
  return 0;
}
